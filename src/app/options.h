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
  std::string capture;                  // --capture DIR: the capture journal's folder
  bool noCapture = false;               // --no-capture: no journal
  std::vector<std::string> recover;     // --recover FILE|DIR (repeatable): captured races
  int take = 0;                         // --take K: the captured race to re-time
  int as = 0;                           // --as N: the race it is re-timed into
  bool apply = false;                   // --apply: write what --take/--as would
  std::string exportEncoding = "utf8";  // --export-encoding utf8|cp932: the export's CSV
  bool exportAll = false;               // --export-all: write every finished race's export, exit
  bool version = false;                 // --version
  bool help = false;                    // --help, -h
  std::string error;                    // non-empty: the options are wrong
};

Options ParseOptions(const std::vector<std::string>& args);

}  // namespace poolside
