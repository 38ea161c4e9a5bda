#include <string>

#include "meetdata/meet_data.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/item_reader.h"

namespace poolside {

void MeetData::ReadControlFile(std::string_view path) {
  std::string folder;
  try {
    ItemReader reader;
    reader.Open(Paths().Resolve(path));
    reader.ReadItem();  // item 1: not used
    folder = reader.ReadItem();
    reader.ReadItem();  // item 3: read, not used
  } catch (const RuntimeError& e) {
    throw IoError("制御ファイルを読めません: " + std::string(path) + ": " + e.what());
  }
  if (const std::string& mapped = Paths().DataFolderMapping(); !mapped.empty()) {
    DataFolder = mapped.back() == '/' ? mapped : mapped + "/";
    return;
  }
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  DataFolder = folder;
}

std::string MeetData::ControlFileBytes(const std::string& title, const std::string& dataFolder) {
  const std::string bytes = Utf8ToCp932(dataFolder);
  if (dataFolder.find('"') != std::string::npos || Cp932ToUtf8(bytes) != dataFolder) {
    throw RuntimeError(
        "このフォルダ名は制御ファイルに書けません (a double quote or a character "
        "without a Shift-JIS form): " +
        dataFolder);
  }
  const bool quote = dataFolder.find(',') != std::string::npos;
  const std::string item2 = quote ? "\"" + bytes + "\"" : bytes;
  return Utf8ToCp932(title) + "\r\n" + item2 + "\r\n1\r\n";
}

std::string MeetData::DataPath(std::string_view name) const {
  return Paths().Resolve(DataFolder + std::string(name));
}

}  // namespace poolside
