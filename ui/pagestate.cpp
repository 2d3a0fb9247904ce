#include "ui/pagestate.h"

int currentPage = PageConnection;
int selectedChannel = 0;
int applicationSubTable = 16;
int ethernetSlot = 0;
QWidget *mainWindowInstance = nullptr;
