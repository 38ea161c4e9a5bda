#include <string>

#include "competition/kyogi_window.h"
#include "platform/cp932.h"
#include "platform/numbers.h"

namespace poolside {

namespace {

// Left and right neighbours across the seven entry columns of a row.
constexpr EntryColumn kColumnOrder[] = {EntryColumn::Jun, EntryColumn::Kiro, EntryColumn::Mu,
                                        EntryColumn::Nen, EntryColumn::Hoj,  EntryColumn::Biko,
                                        EntryColumn::No};
constexpr int kColumnCount = 7;

int ColumnIndex(EntryColumn column) {
  for (int i = 0; i < kColumnCount; ++i) {
    if (kColumnOrder[i] == column) return i;
  }
  return 0;
}

}  // namespace

TextBox* KyogiWindow::EntryBox(EntryColumn column, int row) const {
  if (row < 0 || row >= kRows) return nullptr;
  switch (column) {
    case EntryColumn::Jun:
      return c_.txtJun[row];
    case EntryColumn::Kiro:
      return c_.txtKiro[row];
    case EntryColumn::Mu:
      return c_.txtMu[row];
    case EntryColumn::Nen:
      return c_.txtNen[row];
    case EntryColumn::Hoj:
      return c_.txtHoj[row];
    case EntryColumn::Biko:
      return c_.txtBiko[row];
    case EntryColumn::No:
      return c_.txtNo[row];
  }
  return nullptr;
}

void KyogiWindow::OnEntryKeyDown(EntryColumn column, int row, int keyCode, int /*shift*/) {
  if (row < 0 || row >= kRows) return;
  TextBox* target = nullptr;
  const int index = ColumnIndex(column);
  switch (keyCode) {
    case kKeyEnter:
      CommitRowEntry(column, row);
      return;
    case kKeyUp:
      if (row != 0) target = EntryBox(column, row - 1);
      break;
    case kKeyDown:
      if (row != kRows - 1) target = EntryBox(column, row + 1);
      break;
    case kKeyLeft:
      if (index > 0) target = EntryBox(kColumnOrder[index - 1], row);
      break;
    case kKeyRight:
      if (index < kColumnCount - 1) target = EntryBox(kColumnOrder[index + 1], row);
      break;
    default:
      break;
  }
  if (target != nullptr) target->SetFocus();
}

void KyogiWindow::CommitRowEntry(EntryColumn column, int row) {
  TextBox* box = EntryBox(column, row);
  if (box == nullptr) return;
  const int caret = box->Caret();
  if (caret <= 0) {
    if (c_.txtToi != nullptr) c_.txtToi->SetFocus();
    return;
  }
  const double value = LeadingValue(Utf8Prefix(box->Text(), static_cast<std::size_t>(caret)));
  const std::string normalised = ShortestGeneral(value);

  CompetitionRecord& heat = meet_.CurrentHeat;
  const CompetitionRecord before = heat;
  bool stored = true;
  switch (column) {
    case EntryColumn::Kiro: {
      const auto v = RoundToInt32(value);
      if (v) heat.Record[row] = *v;
      stored = v.has_value();
      break;
    }
    case EntryColumn::Hoj:
      heat.HojCode[row] = Utf8First(normalised);
      break;
    case EntryColumn::No: {
      if (value > meet_.CompetitionCount) {
        heat.EntryNo[row] = 0;
      } else {
        const auto v = RoundToInt16(value);
        if (v) heat.EntryNo[row] = *v;
        stored = v.has_value();
      }
      break;
    }
    default: {
      const auto v = RoundToInt16(value);
      stored = v.has_value();
      if (!v) break;
      if (column == EntryColumn::Jun) heat.Rank[row] = *v;
      if (column == EntryColumn::Mu) heat.MuCode[row] = *v;
      if (column == EntryColumn::Nen) heat.NenCode[row] = *v;
      if (column == EntryColumn::Biko) heat.RemarkCode[row] = *v;
      break;
    }
  }

  if (!stored) {
    // A value the field cannot hold is refused: the field and the file keep
    // their value, and the box shows the stored value again.
    box->SetText(StoredText(column, row));
    box->SetCaret(0);
    return;
  }
  box->SetText(normalised);
  box->SetCaret(0);
  try {
    meet_.SaveCurrentHeat(meet_.CurrentCompetitionNo);
  } catch (...) {
    // A failed write must not leave a value on screen and in CurrentHeat
    // that the file does not hold: both go back to the stored value.
    heat = before;
    box->SetText(StoredText(column, row));
    box->SetCaret(0);
    throw;
  }
}

}  // namespace poolside
