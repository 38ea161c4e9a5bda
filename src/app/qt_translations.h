#pragma once
// Qt's own Japanese texts (the standard buttons: キャンセル, はい, ...),
// from Debian's qt6-translations-l10n.

class QApplication;

namespace poolside {

// Installs Qt's Japanese translation on `app`; false (noted on standard
// error) when the translation files are not installed.
bool LoadQtJapaneseTexts(QApplication& app);

}  // namespace poolside
