#include "link/clientfactory.h"

#include "link/rtuovertcpclient.h"
#include "link/transactions.h"

#include "link/modbusrtuclient.h"
#include <QModbusTcpClient>
#include <QVariant>

namespace {

QModbusClient *clientOfType(ConnectionType type, QObject *parent)
{
    switch (type) {
    case ConnectionType::Tcp:
        return new QModbusTcpClient(parent);
    case ConnectionType::RtuOverTcp:
        return new RtuOverTcpClient(parent);
    case ConnectionType::Rtu:
        break;
    }
    return new ModbusRtuClient(parent);
}

} // namespace

QModbusClient *createModbusClient(const LinkParameters &link, int timeoutMs, QObject *parent)
{
    QModbusClient *client = clientOfType(link.connectType, parent);
    if (isNetworkLink(link.connectType)) {
        client->setConnectionParameter(QModbusDevice::NetworkPortParameter, link.networkPort.toInt());
        client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, link.hostAddress);
    } else {
        client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, link.serialPortName);
        client->setConnectionParameter(QModbusDevice::SerialParityParameter, int(link.parity));
        client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, link.baud);
        client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, link.dataBits);
        client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, link.stopBits);
        // A serial port that fails is closed at once (transactions.h).
        watchSerialLink(client);
    }
    client->setTimeout(timeoutMs);
    client->setNumberOfRetries(link.numberOfRetries);
    return client;
}

void takeClientDown(QModbusClient *&client)
{
    if (!client)
        return;
    QModbusClient *old = client;
    client = nullptr;
    old->disconnectDevice();
    delete old;
}
