#pragma once

#include <QString>

// Process-wide language of the texts: 0 English, 1 Chinese. Set by the
// window's language switch and the saved settings; read where a text is made
// outside Qt's translator (fonts, decoder texts, the export's template). One
// variable on purpose: a translator installed in the application is
// process-wide too.
extern int interfaceLanguage;

// Installation root: "C:/Program Files/KTIPC/" on Windows. Elsewhere the
// --data-dir option names it; without it Setting/ and Export/ live in the
// per-user data folder and Template/ is found beside the executable or in the
// installed share folder.
void setDataDirectory(const QString &dir);
QString settingsFilePath();   // <root>/Setting/setting.ini
QString templateDirectory();  // <root>/Template (no trailing slash)
QString exportDirectory();    // <root>/Export (no trailing slash)
QString historyDirectory(); // <root>/History, the default configuration history store
