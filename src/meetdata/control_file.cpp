#include <string>

#include "meetdata/meet_data.h"
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
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  DataFolder = folder;
}

std::string MeetData::DataPath(std::string_view name) const {
  return Paths().Resolve(DataFolder + std::string(name));
}

}  // namespace poolside
