#pragma once

#include "link/linkparameters.h"

class QModbusClient;

// The one Modbus client of the process; created and deleted only by the
// connection procedures. Null while there is no link.
extern QModbusClient *modbusClient;
// Parameters of the last link made from the connection page or accepted in the
// link dialog (the status line shows them).
extern LinkParameters appliedLink;
// Parameters used by reconnection; set when the link dialog is accepted.
extern LinkParameters liveLink;
// 1 when the last connection made from the connection page was TCP.
extern int tcpLink;

// Poll flags (the poll thread and the poll tick).
extern bool pollBusy;   // a tick is requested or running; also set by dialogs and workbook runs
extern bool linkFaulty; // the last tick failed
extern int failedPolls; // consecutive failed ticks
