#pragma once
// Sequential text input item by item, as the meet office's text files are
// written: an item ends at a comma or a line end (CR, LF or CR-LF); leading
// blanks are skipped and trailing blanks dropped; an item in double quotes is
// taken without them and may hold commas and line ends; a blank line is one
// empty item.

#include <string>

namespace poolside {

class ItemReader {
 public:
  // Reads the whole file and decodes it from CP932 (decode first, then split:
  // a trail byte may look like a comma or a backslash). Throws IoError
  // naming the path when it cannot be opened.
  void Open(const std::string& nativePath);
  // A reader over UTF-8 text; `name` stands in messages for the file name.
  static ItemReader FromText(std::string utf8, std::string name);

  // True when nothing but blanks and line ends remains. Constant time.
  bool AtEnd() const { return pos_ >= contentEnd_; }
  // The next item. Reading past the end throws IoError naming the file.
  std::string ReadItem();
  // Line (from 1) on which the last item read started, for messages.
  int Line() const { return itemLine_; }
  const std::string& Name() const { return name_; }

 private:
  // Sets contentEnd_ once the text is in place.
  void FindContentEnd();

  std::string text_;
  std::string name_;
  // One past the last character that is neither a blank nor a line end.
  std::size_t contentEnd_ = 0;
  std::size_t pos_ = 0;
  int line_ = 1;
  int itemLine_ = 0;
};

}  // namespace poolside
