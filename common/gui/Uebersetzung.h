#pragma once
// Qt's own texts (message box buttons, the standard context menus, file
// dialogs) in German, as every other text of the programs.
class QCoreApplication;

namespace nuvar {

// Installs Qt's German translation on the application. False when the
// translation files are not installed (package qt6-translations-l10n); Qt
// then keeps its English texts.
bool LadeQtUebersetzung(QCoreApplication& app);

} // namespace nuvar
