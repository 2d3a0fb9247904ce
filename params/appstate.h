#pragma once

#include <QString>

class QWidget;

// Page codes of the main window.
enum PageCode : int {
    PageMonitoring = 0,
    PageBasic = 1,
    PageCalibration = 2,
    PageApplication = 3,
    PageDataTrans = 4,
    PageTestMaintain = 5,
    PageConnection = 7,
};

extern int currentPage;          // the page being shown (PageCode)
extern int interfaceLanguage;    // process-wide language: 0 English, 1 Chinese
extern int selectedChannel;      // channel 0..3 shared by the basic and calibration pages
extern int applicationSubTable;  // 16 inputs, 17 outputs, 18 comparators
extern int ethernetSlot;         // selected Ethernet slot 0..5 of the data transmission page
extern QWidget *mainWindowInstance; // published at the end of the main window's construction

// Installation root: "C:/Program Files/KTIPC/" on Windows. Elsewhere the
// --data-dir option names it; without it Setting/ and Export/ live in the
// per-user data folder and Template/ is found beside the executable or in the
// installed share folder.
void setDataDirectory(const QString &dir);
QString settingsFilePath();   // <root>/Setting/setting.ini
QString templateDirectory();  // <root>/Template (no trailing slash)
QString exportDirectory();    // <root>/Export (no trailing slash)
QString historyDirectory();   // <root>/History, the default configuration history store

// High-DPI scaling at the screen's own factor (150 % stays 150 %, not rounded
// to 200 %) with sharp images. Call before the application object exists.
void prepareHighDpi();

// Registers the embedded resources (style sheet, images, catalogues) of the
// static core library. Call once after creating the application object.
void initQ4Resources();
