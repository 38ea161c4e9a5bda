#pragma once
// Command-line options of the program (Qt's own, such as -platform, are
// taken by QApplication first).

#include <map>
#include <string>
#include <vector>

namespace poolside {

struct Options {
  std::map<char, std::string> drives;   // --drive X=DIR (letter lower-cased)
  std::map<int, std::string> coms;      // --com N=DEVICE
  std::string script;                   // --script FILE
  bool competition = false;             // --competition: open frmKyogi at start
  std::string printToPdf;               // --print-to-pdf FILE: ranking print into a PDF
  std::string screenshot;               // --screenshot FILE: grab the windows as PNG, exit
  std::string exportEncoding = "utf8";  // --export-encoding utf8|cp932: the export's CSV
  bool exportAll = false;               // --export-all: write every finished race's export, exit
  bool version = false;                 // --version
  bool help = false;                    // --help, -h
  std::string error;                    // non-empty: the options are wrong
};

Options ParseOptions(const std::vector<std::string>& args);

}  // namespace poolside
