#include "rtuframer.h"

#include <QPointer>
#include <QSerialPort>
#include <QTimer>

#include <cmath>

namespace {

// Longest RTU frame: address, 253 bytes of PDU, CRC.
constexpr int MaxFrame = 256;

// The 3.5-character silence is about 1 ms at 38400 baud; pty pairs and USB
// adapters hand a frame over in pieces with longer gaps than that, so the
// silence that ends a frame is never taken shorter than this.
constexpr int MinSilenceMs = 10;

} // namespace

RtuFramer::RtuFramer(const QSet<int> &servedAddresses, Handler handler, QObject *parent)
    : QObject(parent)
    , served(servedAddresses)
    , handle(std::move(handler))
    , port(new QSerialPort(this))
    , io(port)
    , silence(new QTimer(this))
{
    silence->setSingleShot(true);
    silence->setTimerType(Qt::PreciseTimer);
    connect(silence, &QTimer::timeout, this, &RtuFramer::onSilence);
    connect(port, &QSerialPort::readyRead, this, &RtuFramer::onReadyRead);
}

RtuFramer::RtuFramer(
    QIODevice *connection, const QSet<int> &servedAddresses, Handler handler, QObject *parent)
    : QObject(parent)
    , served(servedAddresses)
    , handle(std::move(handler))
    , io(connection)
    , silence(new QTimer(this))
{
    silence->setSingleShot(true);
    silence->setTimerType(Qt::PreciseTimer);
    silence->setInterval(MinSilenceMs);
    connect(silence, &QTimer::timeout, this, &RtuFramer::onSilence);
    connect(io, &QIODevice::readyRead, this, &RtuFramer::onReadyRead);
}

bool RtuFramer::open(const QString &device, int baud, int parity, int dataBits, int stopBits, QString *error)
{
    port->setPortName(device);
    port->setBaudRate(baud);
    port->setParity(QSerialPort::Parity(parity));
    port->setDataBits(QSerialPort::DataBits(dataBits));
    port->setStopBits(QSerialPort::StopBits(stopBits));
    port->setFlowControl(QSerialPort::NoFlowControl);
    const int charBits = 1 + dataBits + (parity == QSerialPort::NoParity ? 0 : 1)
        + (stopBits == QSerialPort::TwoStop ? 2 : 1);
    const int frameGap = int(std::ceil(3.5 * charBits * 1000.0 / baud));
    silence->setInterval(qMax(frameGap, MinSilenceMs));
    if (!port->open(QIODevice::ReadWrite)) {
        if (error)
            *error = port->errorString();
        return false;
    }
    port->clear();
    return true;
}

void RtuFramer::reopen()
{
    if (!port)
        return;
    silence->stop();
    buffer.clear();
    discarding = false;
    port->close();
    if (port->open(QIODevice::ReadWrite))
        port->clear();
}

quint16 RtuFramer::crc16(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray RtuFramer::withCrc(const QByteArray &frame)
{
    const quint16 crc = crc16(frame);
    QByteArray out = frame;
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

int RtuFramer::requestLength(const QByteArray &b)
{
    if (b.size() < 2)
        return 0;
    // address, function code, fields, CRC
    switch (quint8(b.at(1))) {
    case 0x01: // read coils, discrete inputs, holding and input registers
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05: // write single coil, single register
    case 0x06:
    case 0x08: // diagnostics: sub-function and one data word
        return 8;
    case 0x07: // no fields
    case 0x0B:
    case 0x0C:
    case 0x11:
        return 4;
    case 0x0F: // write multiple coils / registers: byte count at offset 6
    case 0x10:
        return b.size() < 7 ? 0 : 9 + quint8(b.at(6));
    case 0x14: // file records: byte count at offset 2
    case 0x15:
        return b.size() < 3 ? 0 : 5 + quint8(b.at(2));
    case 0x16: // mask write
        return 10;
    case 0x17: // read/write multiple registers: write byte count at offset 10
        return b.size() < 11 ? 0 : 13 + quint8(b.at(10));
    case 0x18: // read FIFO queue
        return 6;
    default:
        return -1;
    }
}

void RtuFramer::onReadyRead()
{
    buffer.append(io->readAll());
    silence->start();
    takeFrames();
}

void RtuFramer::takeFrames()
{
    while (!discarding && !buffer.isEmpty()) {
        const int length = requestLength(buffer);
        if (length == 0 || length < 0)
            break; // more bytes, or the silence, will tell
        if (buffer.size() < length)
            break;
        const QByteArray frame = buffer.left(length);
        if (crc16(frame.left(length - 2))
            != quint16(quint8(frame.at(length - 2)) | quint8(frame.at(length - 1)) << 8)) {
            discarding = true;
            break;
        }
        buffer.remove(0, length);
        dispatch(frame);
    }
    if (buffer.size() > MaxFrame)
        discarding = true;
}

void RtuFramer::onSilence()
{
    // The line is quiet: whatever is left is one frame of a function code of no
    // known length, an incomplete frame or the rest of a bad one.
    if (!discarding && buffer.size() >= 4 && requestLength(buffer) < 0) {
        const int n = buffer.size();
        if (crc16(buffer.left(n - 2)) == quint16(quint8(buffer.at(n - 2)) | quint8(buffer.at(n - 1)) << 8))
            dispatch(buffer);
    }
    buffer.clear();
    discarding = false;
}

void RtuFramer::dispatch(const QByteArray &frame)
{
    const int address = quint8(frame.at(0));
    if (address != 0 && !served.contains(address))
        return; // another device on the bus
    const QByteArray answer = handle(address, frame.mid(1, frame.size() - 3));
    if (address == 0 || answer.isEmpty() || !io->isOpen())
        return;
    const QByteArray out = withCrc(char(address) + answer);
    const int delay = answerDelay ? answerDelay() : 0;
    if (delay <= 0) {
        io->write(out);
        return;
    }
    const QPointer<QIODevice> target(io);
    QTimer::singleShot(delay, Qt::PreciseTimer, this, [target, out] {
        if (target && target->isOpen())
            target->write(out);
    });
}
