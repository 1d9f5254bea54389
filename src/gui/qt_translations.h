#pragma once
// Qt's own texts (Yes/No/OK/Cancel, the file dialog) in Chinese, whatever the user's locale:
// every text of the program is Chinese, and mixed-language dialogs would be the result otherwise.
class QCoreApplication;

namespace app {

// Makes Chinese (China) the default locale and installs qtbase_zh_CN from Qt's translations
// folder (Debian: qt6-translations-l10n) on `app`. False when the file is not there; then Qt's
// texts stay in English and nothing is reported.
bool InstallChineseQtTranslations(QCoreApplication& app);

}  // namespace app
