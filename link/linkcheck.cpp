#include "link/linkcheck.h"

#include "link/clientfactory.h"
#include "link/serialports.h"

#include <QElapsedTimer>
#include <QModbusClient>

QModbusClient *connectOwnClient(const LinkParameters &link, QString *error)
{
    LinkParameters own = link;
    own.numberOfRetries = 0;
    QModbusClient *client = createModbusClient(own, link.responseTime);
    if (!client->connectDevice()) {
        // A serial port that did not open says why, and what fixes it.
        const QString reason = serialConnectFailureText(client);
        *error = QStringLiteral("cannot connect to %1: %2")
                     .arg(linkText(link), reason.isEmpty() ? client->errorString() : reason);
        takeClientDown(client);
        return nullptr;
    }
    QElapsedTimer clock;
    clock.start();
    while (client->state() == QModbusDevice::ConnectingState && clock.elapsed() < 5000)
        waitProcessingEvents(5);
    if (client->state() != QModbusDevice::ConnectedState) {
        *error = QStringLiteral("cannot connect to %1: %2")
                     .arg(linkText(link),
                         client->errorString().isEmpty() ? QStringLiteral("no connection")
                                                         : client->errorString());
        takeClientDown(client);
        return nullptr;
    }
    return client;
}

bool checkDevice(const LinkTarget &target, const LinkParameters &link, QString *error)
{
    quint16 values[2] = {0, 0};
    const TransactionResult result = readRegisters(target, QModbusDataUnit::HoldingRegisters, 0, 2, values);
    if (result == Ok)
        return true;
    const QString where
        = QStringLiteral("server address %1 at %2").arg(target.serverAddress).arg(linkText(link));
    if (result == TimedOut)
        *error = QStringLiteral("no answer from ") + where;
    else if (result == ResponseError)
        *error = where + QStringLiteral(" refused the test read of registers 0 and 1");
    else
        *error = QStringLiteral("no connection to %1").arg(linkText(link));
    return false;
}

QString linkText(const LinkParameters &link)
{
    if (isNetworkLink(link.connectType))
        return QStringLiteral("%1:%2").arg(link.hostAddress, link.networkPort);
    return link.serialPortName;
}
