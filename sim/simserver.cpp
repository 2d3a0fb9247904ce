#include "simserver.h"

#include "devicemodel.h"
#include "rtuframer.h"

#include <QDataStream>
#include <QHostAddress>
#include <QHostInfo>
#include <QSerialPort>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QVector>

namespace {

quint16 word(const QByteArray &pdu, int at)
{
    return quint16((quint8(pdu.at(at)) << 8) | quint8(pdu.at(at + 1)));
}

void appendWord(QByteArray &out, quint16 value)
{
    out.append(char(value >> 8));
    out.append(char(value & 0xFF));
}

QByteArray exceptionPdu(quint8 function, int code)
{
    QByteArray out;
    out.append(char(function | 0x80));
    out.append(char(code));
    return out;
}

} // namespace

SimServer::SimServer(const QList<int> &serverIds, int wordOrder, QObject *parent)
    : QObject(parent)
    , ids(serverIds)
{
    for (int id : ids) {
        Device &device = devices[id];
        device.id = id;
        device.model = new DeviceModel(wordOrder, id, this);
        // A real device restarts its interfaces after some resets; the answer
        // to the reset itself still goes out first.
        connect(device.model, &DeviceModel::connectionsShouldDrop, this,
            [this]() { QTimer::singleShot(latencyMs + 50, this, &SimServer::dropConnections); });
    }
}

void SimServer::setSerial(const QByteArray &text)
{
    for (Device &device : devices) {
        const QByteArray own
            = ids.size() == 1 ? text : text.left(22) + QByteArray::number(device.id).rightJustified(3, '0');
        device.model->setSerial(own);
    }
}

bool SimServer::openLog(const QString &path)
{
    log.setFileName(path);
    return log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void SimServer::clearLog()
{
    if (log.isOpen())
        log.resize(0);
}

void SimServer::logLine(const QString &line)
{
    if (!log.isOpen())
        return;
    log.write(line.toUtf8());
    log.write("\n");
    log.flush();
}

int SimServer::injectedFor(const QHash<int, int> &table, int address, int count) const
{
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        if (it.key() >= address && it.key() < address + count)
            return it.value();
    }
    return 0;
}

QByteArray SimServer::handle(int serverId, const QByteArray &pdu)
{
    if (pdu.isEmpty())
        return QByteArray();
    if (serverId == 0) {
        // broadcast: only writes mean anything, and nobody answers them
        const quint8 fc = quint8(pdu.at(0));
        if (fc == 0x05 || fc == 0x06 || fc == 0x0F || fc == 0x10) {
            for (int id : qAsConst(ids))
                handleOn(devices[id], pdu, true);
        }
        return QByteArray();
    }
    auto it = devices.find(serverId);
    if (it == devices.end())
        return QByteArray();
    const QByteArray answer = handleOn(it.value(), pdu, false);
    return quiet ? QByteArray() : answer;
}

QByteArray SimServer::handleOn(Device &device, const QByteArray &pdu, bool broadcast)
{
    DeviceModel *model = device.model;
    const QHash<int, int> &injected = device.injected;
    const QHash<int, int> &injectedCoils = device.injectedCoils;
    const quint8 fc = quint8(pdu.at(0));
    QString line;
    int exception = 0;
    QByteArray answer;
    switch (fc) {
    case 0x01:
    case 0x03: {
        if (pdu.size() != 5) {
            line = QStringLiteral("function %1").arg(fc);
            exception = IllegalDataValue;
            break;
        }
        const int address = word(pdu, 1), count = word(pdu, 3);
        line = QStringLiteral("%1 %2 %3").arg(fc == 0x01 ? "read-coils" : "read-hr").arg(address).arg(count);
        if (count < 1 || count > (fc == 0x01 ? 2000 : 125)) {
            exception = IllegalDataValue;
            break;
        }
        exception = injectedFor(fc == 0x01 ? injectedCoils : injected, address, count);
        if (exception)
            break;
        QVector<quint16> values;
        if (fc == 0x03) {
            exception = model->readHolding(address, count, values);
            if (exception)
                break;
            answer.append(char(fc));
            answer.append(char(2 * count));
            for (quint16 v : values)
                appendWord(answer, v);
        } else {
            exception = model->readCoils(address, count, values);
            if (exception)
                break;
            QByteArray bits((count + 7) / 8, 0);
            for (int i = 0; i < count; ++i) {
                if (values[i])
                    bits[i / 8] = char(quint8(bits[i / 8]) | (1 << (i % 8)));
            }
            answer.append(char(fc));
            answer.append(char(bits.size()));
            answer.append(bits);
        }
        break;
    }
    case 0x06:
    case 0x10: {
        int address = 0;
        QVector<quint16> values;
        if (fc == 0x06 && pdu.size() == 5) {
            address = word(pdu, 1);
            values.append(word(pdu, 3));
        } else if (fc == 0x10 && pdu.size() >= 6) {
            address = word(pdu, 1);
            const int count = word(pdu, 3);
            const int bytes = quint8(pdu.at(5));
            if (count < 1 || count > 123 || bytes != 2 * count || pdu.size() != 6 + bytes) {
                line = QStringLiteral("write %1 %2").arg(address).arg(count);
                exception = IllegalDataValue;
                break;
            }
            for (int i = 0; i < count; ++i)
                values.append(word(pdu, 6 + 2 * i));
        } else {
            line = QStringLiteral("function %1").arg(fc);
            exception = IllegalDataValue;
            break;
        }
        line = QStringLiteral("write %1 %2").arg(address).arg(values.size());
        for (quint16 v : values)
            line += QStringLiteral(" %1").arg(v);
        exception = injectedFor(injected, address, values.size());
        if (exception || quiet)
            break; // a device that does not hear the request does not apply it
        exception = model->writeHolding(address, values);
        if (exception)
            break;
        if (fc == 0x06) {
            answer = pdu;
        } else {
            answer.append(char(fc));
            appendWord(answer, quint16(address));
            appendWord(answer, quint16(values.size()));
        }
        break;
    }
    case 0x05:
    case 0x0F:
        // The remote-editing switches are set at the device's own keys only.
        line = QStringLiteral("write-coils %1").arg(pdu.size() >= 3 ? word(pdu, 1) : 0);
        exception = IllegalFunction;
        break;
    default:
        line = QStringLiteral("function %1").arg(fc);
        exception = IllegalFunction;
        break;
    }
    if (exception) {
        line += QStringLiteral(" exception %1").arg(exception);
        answer = exceptionPdu(fc, exception);
    }
    if (broadcast)
        line += QStringLiteral(" broadcast");
    if (quiet)
        line += QStringLiteral(" no-answer");
    // with one device the log stays as it always was; with several each line
    // names its server address the way control lines do
    if (ids.size() > 1)
        line.prepend(QStringLiteral("@%1 ").arg(device.id));
    logLine(line);
    return answer;
}

// ---------------------------------------------------------------- TCP

bool SimServer::listenTcp(const QString &h, quint16 port)
{
    rtuFrames = false;
    return listen(h, port);
}

bool SimServer::listenRtuOverTcp(const QString &h, quint16 port)
{
    rtuFrames = true;
    return listen(h, port);
}

bool SimServer::listen(const QString &h, quint16 port)
{
    host = h;
    tcp = new QTcpServer(this);
    connect(tcp, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
    QHostAddress address;
    if (h == QLatin1String("localhost")) {
        address = QHostAddress::LocalHost;
    } else if (h == QLatin1String("*") || h == QLatin1String("any")) {
        address = QHostAddress::Any;
    } else if (!address.setAddress(h)) {
        const QHostInfo info = QHostInfo::fromName(h);
        if (info.addresses().isEmpty())
            return false;
        address = info.addresses().first();
    }
    return tcp->listen(address, port);
}

QString SimServer::tcpEndpoint() const
{
    return QStringLiteral("%1:%2").arg(host).arg(tcp ? tcp->serverPort() : 0);
}

void SimServer::onNewConnection()
{
    while (QTcpSocket *socket = tcp->nextPendingConnection()) {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        buffers.insert(socket, QByteArray());
        if (rtuFrames) {
            // Each connection is a bus of its own, with the serial line's framer.
            auto *framer = new RtuFramer(
                socket, QSet<int>(ids.cbegin(), ids.cend()),
                [this](int address, const QByteArray &pdu) { return handle(address, pdu); }, socket);
            framer->answerDelay = [this] { return latencyMs; };
        } else {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onReadyRead(socket); });
        }
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() {
            buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void SimServer::onReadyRead(QTcpSocket *socket)
{
    auto it = buffers.find(socket);
    if (it == buffers.end())
        return;
    QByteArray &buffer = it.value();
    buffer.append(socket->readAll());
    // MBAP header: transaction id, protocol id, length, unit id; then the PDU
    while (buffer.size() >= 8) {
        const quint16 length = word(buffer, 4);
        if (length < 2 || length > 254 || word(buffer, 2) != 0) {
            // not Modbus TCP: a device closes such a connection
            buffers.remove(socket);
            socket->abort();
            socket->deleteLater();
            return;
        }
        if (buffer.size() < 6 + length)
            return;
        const QByteArray header = buffer.left(7);
        const quint8 unit = quint8(buffer.at(6));
        const QByteArray pdu = buffer.mid(7, length - 1);
        buffer.remove(0, 6 + length);
        if (!devices.contains(unit))
            continue; // not one of ours (unit 0 included): no answer
        const QByteArray answer = handle(unit, pdu);
        if (answer.isEmpty())
            continue;
        QByteArray frame = header;
        frame[4] = char((answer.size() + 1) >> 8);
        frame[5] = char((answer.size() + 1) & 0xFF);
        frame.append(answer);
        QPointer<QTcpSocket> target(socket);
        auto send = [target, frame]() {
            if (target && target->state() == QAbstractSocket::ConnectedState)
                target->write(frame);
        };
        if (latencyMs > 0)
            QTimer::singleShot(latencyMs, Qt::PreciseTimer, this, send);
        else
            send();
    }
}

void SimServer::dropConnections()
{
    const auto sockets = buffers.keys();
    buffers.clear();
    for (QTcpSocket *socket : sockets) {
        socket->flush();
        socket->abort();
        socket->deleteLater();
    }
    if (rtu) {
        // a serial line has no connection; the port is closed and reopened
        rtu->reopen();
    }
}

// ---------------------------------------------------------------- RTU

bool SimServer::openRtu(
    const QString &device, int baud, int parity, int dataBits, int stopBits, QString *error)
{
    const QSet<int> served(ids.cbegin(), ids.cend());
    rtu = new RtuFramer(
        served,
        [this](int address, const QByteArray &pdu) {
            const QByteArray answer = handle(address, pdu);
            // a serial line serves one request at a time anyway: the answer
            // delay is a plain sleep
            if (!answer.isEmpty() && latencyMs > 0)
                QThread::msleep(ulong(latencyMs));
            return answer;
        },
        this);
    return rtu->open(device, baud, parity, dataBits, stopBits, error);
}

// ---------------------------------------------------------------- control

QString SimServer::control(const QString &text)
{
    QStringList w = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.isEmpty())
        return QStringLiteral("error empty line");
    int target = ids.first();
    if (w.first().startsWith(QLatin1Char('@'))) {
        bool ok = false;
        target = w.first().mid(1).toInt(&ok);
        if (!ok || !devices.contains(target))
            return QStringLiteral("error no device at server address %1").arg(w.first().mid(1));
        w.removeFirst();
        if (w.isEmpty())
            return QStringLiteral("error usage: @<id> <line>");
    }
    Device &device = devices[target];
    const QString cmd = w.first();
    bool ok = false;
    if (cmd == QLatin1String("latency")) {
        const int ms = w.value(1).toInt(&ok);
        if (w.size() != 2 || !ok || ms < 0 || ms > 600000)
            return QStringLiteral("error usage: latency <ms>");
        latencyMs = ms;
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("silent")) {
        if (w.size() != 2 || (w[1] != QLatin1String("on") && w[1] != QLatin1String("off")))
            return QStringLiteral("error usage: silent <on|off>");
        quiet = w[1] == QLatin1String("on");
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("drop")) {
        if (w.size() != 1)
            return QStringLiteral("error usage: drop");
        const int n = buffers.size();
        dropConnections();
        return QStringLiteral("ok %1").arg(n);
    }
    if (cmd == QLatin1String("exception")) {
        if (w.size() == 2 && w[1] == QLatin1String("clear")) {
            device.injected.clear();
            device.injectedCoils.clear();
            return QStringLiteral("ok");
        }
        // "exception <addr> <code>" for holding registers, "exception coil <addr> <code>" for coils
        const bool coil = w.value(1) == QLatin1String("coil");
        const int first = coil ? 2 : 1;
        bool ok2 = false;
        const int address = w.value(first).toInt(&ok);
        const int code = w.value(first + 1).toInt(&ok2);
        if (w.size() != first + 2 || !ok || !ok2 || address < 0 || address > 65535 || code < 0 || code > 255)
            return QStringLiteral("error usage: exception [coil] <addr> <code> | exception clear");
        QHash<int, int> &table = coil ? device.injectedCoils : device.injected;
        if (code == 0)
            table.remove(address);
        else
            table.insert(address, code);
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("clearlog")) {
        clearLog();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("connections")) {
        return QStringLiteral("ok %1").arg(buffers.size());
    }
    const QString reply = device.model->control(w);
    if (reply.isEmpty())
        return QStringLiteral("error unknown command %1").arg(cmd);
    return reply;
}
