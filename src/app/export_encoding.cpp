#include "app/export_encoding.h"

#include "app/options.h"

namespace poolside {

CsvEncoding ExportEncodingOf(const Options& options) {
  return options.exportEncoding == "cp932" ? CsvEncoding::Cp932 : CsvEncoding::Utf8Bom;
}

}  // namespace poolside
