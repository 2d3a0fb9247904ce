#include "link/rtuovertcpclient.h"

#include <QModbusReply>
#include <QSignalBlocker>
#include <QTcpSocket>
#include <QTimer>
#include <QVariant>

#include <utility>

namespace {

// Longest RTU frame: address, 253 bytes of PDU, CRC.
constexpr int MaxFrame = 256;
// Nothing answers a broadcast; the devices on the bus get this long to apply
// it before the next request (the turnaround of Qt's RTU master).
constexpr int TurnaroundMs = 100;

} // namespace

RtuOverTcpClient::RtuOverTcpClient(QObject *parent)
    : QModbusClient(parent)
    , socket(new QTcpSocket(this))
    , timer(new QTimer(this))
{
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &RtuOverTcpClient::onTimer);
    connect(socket, &QTcpSocket::connected, this, [this] {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        setState(ConnectedState);
    });
    connect(socket, &QTcpSocket::disconnected, this, &RtuOverTcpClient::onSocketDisconnected);
    connect(socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (state() == UnconnectedState)
            return;
        setError(tr("TCP socket error (%1).").arg(socket->errorString()), ConnectionError);
        // A connection refused or never made emits no disconnected().
        if (socket->state() == QAbstractSocket::UnconnectedState)
            onSocketDisconnected();
    });
    connect(socket, &QTcpSocket::readyRead, this, &RtuOverTcpClient::onReadyRead);
}

RtuOverTcpClient::~RtuOverTcpClient()
{
    // The replies are children and go with the client; nothing is finished
    // from inside the destructor.
    socket->disconnect(this);
    timer->stop();
    socket->abort();
}

quint16 RtuOverTcpClient::crc16(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray RtuOverTcpClient::frame(int serverAddress, const QModbusPdu &pdu)
{
    QByteArray out;
    out.append(char(serverAddress));
    // functionCode() leaves out the exception flag
    out.append(char(quint8(pdu.functionCode()) | (pdu.isException() ? QModbusPdu::ExceptionByte : 0)));
    out.append(pdu.data());
    const quint16 crc = crc16(out);
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

int RtuOverTcpClient::answerLength(const QByteArray &bytes)
{
    if (bytes.size() < 2)
        return 0;
    const quint8 function = quint8(bytes.at(1));
    if (function & 0x80)
        return 5; // address, function, exception code, CRC
    switch (function) {
    case 0x01: // reads: address, function, byte count, data, CRC
    case 0x02:
    case 0x03:
    case 0x04:
        return bytes.size() < 3 ? 0 : 5 + quint8(bytes.at(2));
    case 0x05: // writes: address, function, address, value or count, CRC
    case 0x06:
    case 0x0F:
    case 0x10:
        return 8;
    default:
        return -1;
    }
}

bool RtuOverTcpClient::open()
{
    if (state() == ConnectedState)
        return true;
    const QString host = connectionParameter(NetworkAddressParameter).toString();
    bool ok = false;
    const int port = connectionParameter(NetworkPortParameter).toInt(&ok);
    if (host.isEmpty() || !ok || port < 1 || port > 65535) {
        setError(tr("Invalid connection settings for TCP communication specified."), ConnectionError);
        return false;
    }
    received.clear();
    // A connection still closing is not waited for.
    if (socket->state() != QAbstractSocket::UnconnectedState) {
        const QSignalBlocker quiet(socket); // no disconnected() into this new attempt
        socket->abort();
    }
    socket->connectToHost(host, quint16(port));
    return true;
}

void RtuOverTcpClient::close()
{
    if (state() == UnconnectedState)
        return;
    socket->disconnectFromHost();
    // A connection still being made ends at once, without disconnected().
    if (socket->state() == QAbstractSocket::UnconnectedState)
        onSocketDisconnected();
}

void RtuOverTcpClient::onSocketDisconnected()
{
    if (state() != UnconnectedState)
        setState(UnconnectedState);
    failAll(ConnectionError, tr("Reply aborted due to connection closure."));
}

QModbusReply *RtuOverTcpClient::sendReadRequest(const QModbusDataUnit &read, int serverAddress)
{
    const quint16 start = quint16(read.startAddress());
    const quint16 count = quint16(read.valueCount());
    QModbusRequest pdu;
    if (read.registerType() == QModbusDataUnit::HoldingRegisters)
        pdu = QModbusRequest(QModbusRequest::ReadHoldingRegisters, start, count);
    else if (read.registerType() == QModbusDataUnit::Coils)
        pdu = QModbusRequest(QModbusRequest::ReadCoils, start, count);
    // Nothing answers a broadcast read.
    return enqueue(pdu, read, serverAddress == 0 ? -1 : serverAddress);
}

QModbusReply *RtuOverTcpClient::sendWriteRequest(const QModbusDataUnit &write, int serverAddress)
{
    const quint16 start = quint16(write.startAddress());
    const int count = int(write.valueCount());
    QModbusRequest pdu;
    if (write.registerType() == QModbusDataUnit::HoldingRegisters && count == 1)
        pdu = QModbusRequest(QModbusRequest::WriteSingleRegister, start, write.value(0));
    else if (write.registerType() == QModbusDataUnit::HoldingRegisters && count > 1 && count <= 123)
        pdu = QModbusRequest(
            QModbusRequest::WriteMultipleRegisters, start, quint16(count), quint8(2 * count), write.values());
    return enqueue(pdu, write, serverAddress);
}

QModbusReply *RtuOverTcpClient::enqueue(
    const QModbusRequest &pdu, const QModbusDataUnit &unit, int serverAddress)
{
    if (state() != ConnectedState) {
        setError(tr("Device not connected."), ConnectionError);
        return nullptr;
    }
    if (!pdu.isValid() || serverAddress < 0 || serverAddress > 247) {
        setError(tr("Invalid Modbus request."), ProtocolError);
        return nullptr;
    }
    const QModbusReply::ReplyType type = serverAddress == 0 ? QModbusReply::Broadcast : QModbusReply::Common;
    auto *reply = new QModbusReply(type, serverAddress, this);
    Request request;
    request.pdu = pdu;
    request.unit = unit;
    request.reply = reply;
    request.serverAddress = serverAddress;
    request.triesLeft = 1 + qMax(0, numberOfRetries());
    queue.enqueue(request);
    sendNext();
    return reply;
}

void RtuOverTcpClient::sendNext()
{
    while (!busy && !turnaround && !queue.isEmpty()) {
        if (queue.head().reply.isNull()) {
            queue.dequeue(); // given up and deleted by its caller
            continue;
        }
        transmit();
    }
}

void RtuOverTcpClient::transmit()
{
    Request &request = queue.head();
    --request.triesLeft;
    // What is still in the socket answers an earlier request too late: a
    // serial line has no transaction ids to tell it from this one's answer.
    socket->readAll();
    received.clear();
    if (socket->write(frame(request.serverAddress, request.pdu)) < 0) {
        const QPointer<QModbusReply> reply = queue.dequeue().reply;
        if (reply)
            reply->setError(WriteError, socket->errorString());
        return;
    }
    if (request.serverAddress == 0) {
        const QPointer<QModbusReply> reply = queue.dequeue().reply;
        turnaround = true;
        timer->start(TurnaroundMs);
        if (reply)
            reply->setFinished(true);
        return;
    }
    busy = true;
    timer->start(qMax(1, timeout()));
}

void RtuOverTcpClient::onReadyRead()
{
    const QByteArray bytes = socket->readAll();
    if (!busy)
        return; // nobody asked: a late answer, or noise
    received.append(bytes);
    if (!takeAnswer() && received.size() > 2 * MaxFrame)
        received.remove(0, received.size() - MaxFrame);
}

bool RtuOverTcpClient::takeAnswer()
{
    const Request &request = queue.head();
    const char address = char(request.serverAddress);
    const int function = int(request.pdu.functionCode());
    // The answer may follow noise, a frame with a bad CRC or one from another
    // address: look for it at every byte.
    for (int at = 0; at + 1 < received.size(); ++at) {
        if (received.at(at) != address || (quint8(received.at(at + 1)) & 0x7F) != function)
            continue;
        const QByteArray candidate = received.mid(at);
        const int length = answerLength(candidate);
        if (length <= 0 || candidate.size() < length)
            continue;
        const quint16 crc = quint16(quint8(candidate.at(length - 2)) | quint8(candidate.at(length - 1)) << 8);
        if (crc16(candidate.left(length - 2)) != crc)
            continue;
        const QModbusResponse response(
            QModbusPdu::FunctionCode(quint8(candidate.at(1))), candidate.mid(2, length - 4));
        received.clear();
        finish(response);
        return true;
    }
    return false;
}

void RtuOverTcpClient::finish(const QModbusResponse &response)
{
    timer->stop();
    busy = false;
    const Request request = queue.dequeue();
    if (QModbusReply *reply = request.reply) {
        reply->setRawResult(response);
        QModbusDataUnit unit = request.unit;
        if (response.isException()) {
            reply->setError(ProtocolError, tr("Modbus Exception Response."));
        } else if (processResponse(response, &unit)) {
            reply->setResult(unit);
            reply->setFinished(true);
        } else {
            reply->setError(UnknownError, tr("An invalid response has been received."));
        }
    }
    sendNext();
}

void RtuOverTcpClient::onTimer()
{
    if (turnaround) {
        turnaround = false;
        sendNext();
        return;
    }
    if (!busy || queue.isEmpty())
        return;
    busy = false;
    if (queue.head().triesLeft > 0 && !queue.head().reply.isNull()) {
        sendNext(); // the same frame again
        return;
    }
    const QPointer<QModbusReply> reply = queue.dequeue().reply;
    if (reply)
        reply->setError(TimeoutError, tr("Request timeout."));
    sendNext();
}

void RtuOverTcpClient::failAll(QModbusDevice::Error error, const QString &text)
{
    timer->stop();
    busy = false;
    turnaround = false;
    received.clear();
    const QQueue<Request> waiting = std::exchange(queue, QQueue<Request>());
    for (const Request &request : waiting) {
        if (request.reply)
            request.reply->setError(error, text);
    }
}
