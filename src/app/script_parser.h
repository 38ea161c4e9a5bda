#pragma once
// The words of an automation script line and the quoting of texts printed
// back: plain C++, no Qt.
//
// A line is split at blanks (spaces and tabs). A word that starts with `"`
// runs to the closing quote, may hold blanks and the escapes \r \n \t \\ \"
// and \xHH (one byte, two hex digits), and must be followed by a blank or
// the end of the line. A quote inside an unquoted word is an error.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace poolside {

// A script line that cannot be understood; the message says why, the
// runner adds the line number.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True for a line the runner skips: only blanks, or "#" as its first
// non-blank character.
[[nodiscard]] bool IsSkippedScriptLine(std::string_view line);

// The words of `line` with quotes removed and escapes decoded. A trailing
// carriage return (a script saved with CR LF) is ignored. Throws ScriptError.
[[nodiscard]] std::vector<std::string> SplitScriptWords(std::string_view line);

// A control as a script names it: "frmRace.txtKiro(3)" or "frmRace.lblRace".
struct ScriptControlName {
  std::string window;        // "frmRace"
  std::string control;       // "txtKiro"
  std::optional<int> index;  // 3; none without parentheses
  // The registry's form: "frmRace.txtKiro(3)" (an index written "03" becomes
  // "3").
  std::string FullName() const;
};

// Parses "WINDOW.NAME" or "WINDOW.NAME(INDEX)" (names of letters, digits and
// "_", not starting with a digit; INDEX decimal, 0 or more). Nothing when the
// text has another form.
[[nodiscard]] std::optional<ScriptControlName> ParseControlName(std::string_view text);

// A number word of a script line: decimal digits only (at most nine), from
// `min` to `max`. Throws ScriptError naming `what` ("the caret position")
// otherwise.
[[nodiscard]] int ParseScriptNumber(const std::string& word, const char* what, int min, int max);

// True when `text` is a bare window name ("frmRace"): a name with no dot.
[[nodiscard]] bool IsPlainName(std::string_view text);

// The escapes of script words applied to a UTF-8 text: \ and " are escaped,
// CR, LF and tab become \r \n \t, every other byte below 0x20 and 0x7f
// becomes \xHH; bytes from 0x80 (UTF-8 characters) are kept.
[[nodiscard]] std::string EscapeScriptText(std::string_view text);
// EscapeScriptText between double quotes: `"..."`.
[[nodiscard]] std::string QuoteScriptText(std::string_view text);
// A byte string (CP932 or port bytes) between double quotes: printable ASCII
// is kept (with \ and " escaped), CR, LF and tab become \r \n \t and every
// other byte \xHH with lowercase hex ("\x00", "\x82").
[[nodiscard]] std::string QuoteScriptBytes(std::string_view bytes);
// A message box text on one line: CR, LF and tab become \r \n \t and other
// control bytes \xHH; backslashes and quotes stay as written, so paths in
// messages read as the program wrote them.
[[nodiscard]] std::string EscapeMessageText(std::string_view text);

}  // namespace poolside
