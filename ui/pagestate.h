#pragma once

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

// Where the window's pages are: the main window owns one and hands it to its
// pages and through them to the commit engine (a page made alone has its own).
struct PageState
{
    int currentPage = PageConnection; // the page being shown (PageCode)
    int selectedChannel = 0; // channel 0..3 shared by the basic and calibration pages
    int applicationSubTable = 16; // 16 inputs, 17 outputs, 18 comparators
    int ethernetSlot = 0; // selected Ethernet slot 0..5 of the data transmission page
};
