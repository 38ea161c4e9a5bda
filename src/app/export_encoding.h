#pragma once
// The CSV encoding of the per-race export, as the options ask for it.

#include "export/export_listener.h"

namespace poolside {

struct Options;

// The CSV encoding --export-encoding asks for (UTF-8 with its mark unless cp932).
CsvEncoding ExportEncodingOf(const Options& options);

}  // namespace poolside
