#include "ui/slip_printer.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "results/backup_sheet.h"

namespace poolside {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string Join(const std::vector<std::string>& words, const char* between) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : between) + w;
  return out;
}

// Draws the slip on the printer's first page.
bool Draw(QPrinter& printer, const RaceResult& r) {
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Landscape);
  QPainter p;
  if (!p.begin(&printer)) return false;
  const QRect page = p.viewport();
  const int w = page.width();
  QFont f("IPAexGothic");
  f.setPixelSize(std::max(10, w / 90));
  p.setFont(f);
  const int lh = p.fontMetrics().height() * 3 / 2;
  int y = lh;
  QFont big = f;
  big.setPixelSize(f.pixelSize() * 3 / 2);
  big.setBold(true);
  p.setFont(big);
  p.drawText(0, y, Q("時間調整票  レース " + std::to_string(r.race)));
  p.setFont(f);
  y += lh;
  p.drawText(0, y,
             Q("プロNo " + std::to_string(r.program) + "  " + std::to_string(r.heat) + "組  " +
               r.sex.label + " " + r.raceClass.label + " " + r.event.label + " " + r.round.label));
  y += lh;
  p.drawText(0, y,
             Q((r.official ? "公式 " + r.officialAt : std::string("速報（非公式）")) +
               (r.finishedAt.empty() ? "" : "  終了 " + r.finishedAt)));
  y += lh * 3 / 2;
  // Columns as fractions of the width.
  const double at[] = {0.0, 0.05, 0.2, 0.3, 0.5, 0.58, 0.66, 0.73, 0.81, 1.0};
  const char* heads[] = {"コース", "氏名", "計時", "予備計時 (ウォッチ)", "予備",
                         "差",     "採用", "記録", "理由 / フラグ"};
  for (int i = 0; i < 9; ++i) p.drawText(static_cast<int>(at[i] * w), y, Q(heads[i]));
  y += lh / 3;
  p.drawLine(0, y, w, y);
  for (const BackupRow& row : BackupRows(r)) {
    y += lh;
    const std::string cells[] = {
        std::to_string(row.lane),
        row.name,
        row.console,
        Join(row.watches, "  "),
        row.backup,
        row.difference,
        row.used,
        row.time,
        row.reason + (row.reason.empty() || row.flags.empty() ? "" : " / ") + Join(row.flags, ",")};
    for (int i = 0; i < 9; ++i) {
      const int x = static_cast<int>(at[i] * w);
      const int width = static_cast<int>((at[i + 1] - at[i]) * w) - 4;
      p.drawText(QRect(x, y - lh + lh / 4, width, lh), Qt::AlignLeft | Qt::AlignVCenter,
                 Q(cells[i]));
    }
  }
  y += lh * 3;
  p.drawText(0, y, Q("審判長 署名"));
  p.drawLine(w / 8, y, w * 4 / 10, y);
  p.drawText(w / 2, y, Q("計時係 署名"));
  p.drawLine(w / 2 + w / 8, y, w * 9 / 10, y);
  p.end();
  return true;
}

}  // namespace

std::string SaveSlipPdf(const RaceResult& result, const std::string& pdfFile) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(Q(pdfFile));
  if (!Draw(printer, result)) return "時間調整票を書けません: " + pdfFile;
  return "";
}

void PrintSlip(const RaceResult& result, MessageSink& messages) {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    messages.ShowMessage("プリンタがありません。時間調整票は PDF に保存しました。");
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setPrinterName(info.printerName());
  if (!Draw(printer, result)) {
    messages.ShowMessage("印刷を開始できません: " + info.printerName().toStdString());
  }
}

}  // namespace poolside
