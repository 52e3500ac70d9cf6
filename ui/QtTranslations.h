#pragma once
// Qt's own texts (standard buttons, context menus, the find dialog's field menus) in Russian, to match the
// window's captions whatever the system's language.

class QCoreApplication;
class QTranslator;

// Loads Qt's Russian translations ("qtbase_ru" from Qt's translations folder, Debian package
// qt6-translations-l10n) into Application, which owns the translator returned. Null when they are not
// installed; the texts then stay English. Never throws.
QTranslator* InstallQtTranslations(QCoreApplication& Application);
