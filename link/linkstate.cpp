#include "link/linkstate.h"

QModbusClient *modbusClient = nullptr;
LinkParameters appliedLink;
LinkParameters liveLink;
int tcpLink = 0;

bool pollBusy = false;
bool linkFaulty = false;
int failedPolls = 0;
