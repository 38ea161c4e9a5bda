#include "app/script_printers.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPalette>
#include <QTableWidget>
#include <QWidget>

#include "app/script_parser.h"
#include "ui/dialog_controls.h"

namespace poolside {

namespace {

const char* Flag(bool on) { return on ? "1" : "0"; }

std::string TipField(const QWidget* w) {
  if (!w || w->toolTip().isEmpty()) return {};
  return " tip=" + QuoteScriptText(w->toolTip().toStdString());
}

// A button shows the face colour unless its palette was given another one.
std::string ButtonBack(const QWidget* w) {
  const QColor c = w->palette().color(QPalette::Button);
  if (c == QApplication::palette().color(QPalette::Button)) return "face";
  return ColorName(Color{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                         static_cast<std::uint8_t>(c.blue()), false});
}

}  // namespace

void PrintWindow(std::ostream& out, const std::string& name, const QWidget* top) {
  out << name
      << " caption=" << QuoteScriptText(top ? top->windowTitle().toStdString() : std::string())
      << " shown=" << Flag(top && top->isVisible()) << "\n";
  // The desk's dialogs show their tables and lists row by row, each cell
  // under its column's heading.
  if (!top || !IsDialogWindow(name)) return;
  for (const QTableWidget* t : top->findChildren<QTableWidget*>()) {
    if (t->objectName().isEmpty()) continue;
    for (int r = 0; r < t->rowCount(); ++r) {
      out << name << "." << t->objectName().toStdString() << "(" << r << ")";
      for (int c = 0; c < t->columnCount(); ++c) {
        const QTableWidgetItem* head = t->horizontalHeaderItem(c);
        const QTableWidgetItem* cell = t->item(r, c);
        out << " " << (head ? head->text().toStdString() : std::to_string(c)) << "="
            << QuoteScriptText(cell ? cell->text().toStdString() : std::string());
      }
      out << "\n";
    }
  }
  for (const QListWidget* l : top->findChildren<QListWidget*>()) {
    if (l->objectName().isEmpty()) continue;
    for (int r = 0; r < l->count(); ++r) {
      out << name << "." << l->objectName().toStdString() << "(" << r
          << ") text=" << QuoteScriptText(l->item(r)->text().toStdString()) << "\n";
    }
  }
}

void PrintControl(std::ostream& out, const RegisteredControl& c) {
  out << c.name;
  if (c.textBox) {
    const TextBox& t = *c.textBox;
    out << " text=" << QuoteScriptText(t.Text()) << " caret=" << t.Caret()
        << " back=" << ColorName(t.BackColor()) << " enabled=" << Flag(t.Enabled())
        << " focus=" << Flag(t.HasFocus()) << TipField(c.widget);
  } else if (c.label) {
    out << " caption=" << QuoteScriptText(c.label->Caption())
        << " back=" << ColorName(c.label->BackColor())
        << " enabled=" << Flag(c.widget && c.widget->isEnabled()) << TipField(c.widget);
  } else if (c.button) {
    out << " caption=" << QuoteScriptText(c.button->Caption())
        << " back=" << (c.widget ? ButtonBack(c.widget) : std::string("face"))
        << " enabled=" << Flag(c.button->Enabled()) << TipField(c.widget);
  } else if (c.action) {
    out << " caption=" << QuoteScriptText(c.action->text().toStdString())
        << " enabled=" << Flag(c.action->isEnabled());
  }
  out << "\n";
}

std::string ControlText(const RegisteredControl& c) {
  if (c.textBox) return c.textBox->Text();
  if (c.label) return c.label->Caption();
  if (c.button) return c.button->Caption();
  if (c.action) return c.action->text().toStdString();
  return {};
}

void PrintFocus(std::ostream& out, const ControlRegistry& controls) {
  std::string name;
  for (const QWidget* w = QApplication::focusWidget(); w && name.empty(); w = w->parentWidget())
    name = controls.NameOf(w);
  out << "focus:" << (name.empty() ? "" : " " + name) << "\n";
}

void PrintState(std::ostream& out, const RaceWindow& r) {
  out << "RaceNo=" << r.BookState().RaceNo << "\n";
  out << "RaceStat=" << QuoteScriptBytes(r.BookState().RaceStat) << "\n";
  for (int i = 1; i <= kLanes; ++i) out << "LaneTime(" << i << ")=" << r.LaneTime(i) << "\n";
  for (int i = 1; i <= kLanes; ++i) out << "LapCount(" << i << ")=" << r.LapCount(i) << "\n";
  for (int i = 1; i <= kLanes; ++i) out << "LaneRank(" << i << ")=" << r.LaneRank(i) << "\n";
  out << "LastLane=" << r.LastLane() << "\n";
  out << "LastTime=" << QuoteScriptBytes(r.LastTime()) << "\n";
  out << "LastKind=" << QuoteScriptBytes(r.LastKind()) << "\n";
  out << "GoalSeen=" << QuoteScriptBytes(r.GoalSeen()) << "\n";
  out << "LaneMap=" << QuoteScriptBytes(r.LaneMap()) << "\n";
  out << "SpareLaneMap=" << QuoteScriptBytes(r.SpareLaneMap()) << "\n";
  out << "Receiving=" << Flag(r.Receiving()) << "\n";
}

void PrintFile(std::ostream& out, const PathMapper& paths, const std::string& path) {
  const std::string native = paths.Resolve(path);
  std::error_code ec;
  std::ifstream in;
  // A folder is not a file: it counts as missing rather than as empty.
  if (std::filesystem::is_regular_file(native, ec)) in.open(native, std::ios::binary);
  if (!in.is_open()) {
    out << "file: " << path << " missing\n";
    return;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string data = bytes.str();
  out << "file: " << path << " size=" << data.size() << "\n";
  static const char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < data.size(); i += 32) {
    std::string line = "hex:";
    for (std::size_t j = i; j < data.size() && j < i + 32; ++j) {
      const auto b = static_cast<unsigned char>(data[j]);
      line += ' ';
      line += kDigits[b >> 4];
      line += kDigits[b & 0x0f];
    }
    out << line << "\n";
  }
}

}  // namespace poolside
