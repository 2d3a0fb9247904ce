#pragma once

#include <QString>

// What every part of the program shares: the language of its texts and the
// root of its data folders. One object, process-wide on purpose: the
// translator installed in the application is the process's, and so are the
// folders its settings, exports and history live in (set once at start-up).
struct ProgramContext
{
    // 0 English, 1 Chinese. Set by the window's language switch and the saved
    // settings; read where a text is made outside Qt's translator (fonts,
    // decoder texts, the export's template).
    int language = 0;
    // The --data-dir folder (absolute, no trailing slash); empty: the
    // per-user default. Set through setDataDirectory.
    QString dataDirectory;
};
extern ProgramContext programContext;

// Installation root: "C:/Program Files/KTIPC/" on Windows. Elsewhere the
// --data-dir option names it; without it Setting/ and Export/ live in the
// per-user data folder and Template/ is found beside the executable or in the
// installed share folder.
void setDataDirectory(const QString &dir);
QString settingsFilePath();   // <root>/Setting/setting.ini
QString templateDirectory();  // <root>/Template (no trailing slash)
QString exportDirectory();    // <root>/Export (no trailing slash)
QString historyDirectory(); // <root>/History, the default configuration history store
