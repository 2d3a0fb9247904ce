#pragma once

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

extern int currentPage; // the page being shown (PageCode)
extern int selectedChannel; // channel 0..3 shared by the basic and calibration pages
extern int applicationSubTable; // 16 inputs, 17 outputs, 18 comparators
extern int ethernetSlot; // selected Ethernet slot 0..5 of the data transmission page
extern QWidget *mainWindowInstance; // published at the end of the main window's construction
