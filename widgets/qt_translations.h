#pragma once

class QCoreApplication;

// Installs Qt's own Japanese texts (qtbase_ja.qm from Qt's translations folder) into `app`, so
// that what Qt draws itself, the standard buttons of message boxes ("はい", "いいえ", "キャンセル")
// and the colour and file choosers, speaks the language of the rest of the window whatever the
// system's locale. Call once, before the first window. False when the file is not installed; the
// texts then stay English.
bool InstallQtTranslations(QCoreApplication& app);
