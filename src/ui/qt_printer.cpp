#include "ui/qt_printer.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace poolside {

void PrintRankingPage(const std::string& title, const std::vector<RankingLine>& lines,
                      const std::string& pdfFile, MessageSink& messages) {
  QPrinter printer(QPrinter::HighResolution);
  if (!pdfFile.empty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdfFile));
  } else {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
      messages.ShowMessage("プリンタがありません。ランキングを印刷できません。");
      return;
    }
    printer.setPrinterName(info.printerName());
  }
  QPainter p;
  if (!p.begin(&printer)) {
    messages.ShowMessage("印刷を開始できません: " +
                         (pdfFile.empty() ? printer.printerName().toStdString() : pdfFile));
    return;
  }
  QFont f("IPAexGothic", 12);
  p.setFont(f);
  int y = 200;
  int lh = p.fontMetrics().height() * 3 / 2;
  p.drawText(200, y, QString::fromStdString(title));
  y += lh * 2;
  p.drawText(200, y, "順位");
  p.drawText(1200, y, "コース");
  p.drawText(2200, y, "番号");
  p.drawText(3200, y, "記録");
  for (const auto& l : lines) {
    y += lh;
    p.drawText(200, y, QString::number(l.rank));
    p.drawText(1200, y, QString::number(l.lane));
    p.drawText(2200, y, QString::number(l.entryNo));
    p.drawText(3200, y, QString::fromStdString(l.time));
  }
  p.end();
}

}  // namespace poolside
