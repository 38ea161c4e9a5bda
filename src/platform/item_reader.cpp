#include "platform/item_reader.h"

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/record_file.h"

namespace poolside {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
}  // namespace

void ItemReader::Open(const std::string& nativePath) {
  text_ = Cp932ToUtf8(ReadWholeFile(nativePath));
  name_ = nativePath;
  pos_ = 0;
  line_ = 1;
  itemLine_ = 0;
  FindContentEnd();
}

ItemReader ItemReader::FromText(std::string utf8, std::string name) {
  ItemReader r;
  r.text_ = std::move(utf8);
  r.name_ = std::move(name);
  r.FindContentEnd();
  return r;
}

void ItemReader::FindContentEnd() {
  contentEnd_ = text_.size();
  while (contentEnd_ > 0 && (IsBlank(text_[contentEnd_ - 1]) || IsLineEnd(text_[contentEnd_ - 1])))
    --contentEnd_;
}

std::string ItemReader::ReadItem() {
  if (pos_ >= text_.size()) throw IoError("ファイルの終わりを越えて読み込みました: " + name_);
  auto skipLineEnd = [this] {
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++line_;
  };
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  itemLine_ = line_;
  std::string item;
  if (pos_ < text_.size() && text_[pos_] == '"') {
    ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      // CR, LF and CR-LF each count as one line end, as they do outside quotes.
      char c = text_[pos_];
      if (c == '\r' || (c == '\n' && (pos_ == 0 || text_[pos_ - 1] != '\r'))) ++line_;
      item += text_[pos_++];
    }
    if (pos_ < text_.size()) ++pos_;  // closing quote
    // Whatever follows the closing quote up to the delimiter is ignored.
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
  } else {
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_]))
      item += text_[pos_++];
    while (!item.empty() && IsBlank(item.back())) item.pop_back();
  }
  if (pos_ < text_.size()) {
    if (text_[pos_] == ',') {
      ++pos_;
      // A comma that ends a line takes the line end with it.
      std::size_t p = pos_;
      while (p < text_.size() && IsBlank(text_[p])) ++p;
      if (p < text_.size() && IsLineEnd(text_[p])) {
        pos_ = p;
        skipLineEnd();
      }
    } else {
      skipLineEnd();
    }
  }
  return item;
}

}  // namespace poolside
