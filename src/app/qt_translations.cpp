#include "app/qt_translations.h"

#include <iostream>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace poolside {

bool LoadQtJapaneseTexts(QApplication& app) {
  auto* translator = new QTranslator(&app);
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_", folder)) {
    std::cerr
        << "poolside: Qt の日本語訳 (qtbase_ja.qm) が " << folder.toStdString()
        << " にありません: 標準ボタンは英語になります (qt6-translations-l10n を入れてください)\n";
    delete translator;
    return false;
  }
  QApplication::installTranslator(translator);
  return true;
}

}  // namespace poolside
