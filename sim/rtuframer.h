#pragma once

// Modbus RTU slave side of a serial line, or of a TCP connection that carries
// RTU frames (RTU over TCP, as from a serial-to-Ethernet converter): cuts the
// byte stream into request frames, checks their CRC and hands on the ones
// addressed to a served server address (or broadcast, address 0). Qt's own RTU
// slave answers only one address; a simulated bus with several devices needs
// this one.
//
// A request ends after the length its function code implies, or, for function
// codes of unknown length, at the silence of 3.5 characters that separates
// frames. A frame with a bad CRC is dropped together with whatever follows it
// until the line is quiet again, as a bus slave does.

#include <QByteArray>
#include <QObject>
#include <QSet>

#include <functional>

class QIODevice;
class QSerialPort;
class QTimer;

class RtuFramer : public QObject
{
    Q_OBJECT
public:
    // Called for every valid request frame to a served address or to address 0:
    // the server address and the PDU (function code first). Returns the answer
    // PDU, or an empty array for no answer. Broadcasts are never answered.
    using Handler = std::function<QByteArray(int address, const QByteArray &pdu)>;

    // A serial line: open() opens its port.
    RtuFramer(const QSet<int> &servedAddresses, Handler handler, QObject *parent = nullptr);
    // The requests of an open connection (a TCP socket), which stays the
    // caller's.
    RtuFramer(
        QIODevice *connection, const QSet<int> &servedAddresses, Handler handler, QObject *parent = nullptr);

    bool open(const QString &device, int baud, int parity, int dataBits, int stopBits, QString *error);
    // Closes and reopens the serial port (a device restarting its interfaces).
    void reopen();
    // Time to hold each answer back, in ms, asked for every answer; none when
    // not set. The answer goes out from the event loop meanwhile.
    std::function<int()> answerDelay;

    // CRC-16 of Modbus RTU (polynomial 0xA001 reflected, start 0xFFFF).
    static quint16 crc16(const QByteArray &data);
    // Appends the CRC, low byte first, as it goes on the line.
    static QByteArray withCrc(const QByteArray &frame);
    // Length of the request frame starting in buffer, CRC included: 0 when more
    // bytes are needed to tell, -1 when the function code gives no length.
    static int requestLength(const QByteArray &buffer);

private:
    void onReadyRead();
    void onSilence();
    void takeFrames();
    void dispatch(const QByteArray &frame);

    QSet<int> served;
    Handler handle;
    QSerialPort *port = nullptr; // the serial line's own port; null over a connection
    QIODevice *io = nullptr; // where frames come from and answers go
    QTimer *silence = nullptr;
    QByteArray buffer;
    bool discarding = false; // a bad frame: drop everything until the line is quiet
};
