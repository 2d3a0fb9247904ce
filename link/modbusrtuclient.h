#pragma once

// The Modbus RTU client class of the Qt in use: Qt 6 renamed QModbusRtuSerialMaster
// to QModbusRtuSerialClient (same interface).
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 2, 0)
#include <QModbusRtuSerialClient>
using ModbusRtuClient = QModbusRtuSerialClient;
#else
#include <QModbusRtuSerialMaster>
using ModbusRtuClient = QModbusRtuSerialMaster;
#endif
