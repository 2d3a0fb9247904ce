#pragma once

// Modbus RTU frames over a TCP socket ("RTU over TCP"), the way serial-to-
// Ethernet converters pass a serial bus on: server address, PDU and CRC-16
// (low byte first) with no MBAP header. Several devices may sit behind one
// socket, each at its own server address.
//
//   RtuOverTcpClient client;
//   client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, "192.168.1.20");
//   client.setConnectionParameter(QModbusDevice::NetworkPortParameter, 502);
//   client.connectDevice();        // ConnectingState, then ConnectedState
//   QModbusReply *reply = client.sendReadRequest(unit, 7);
//
// Like a master on a serial line it has one request on the wire at a time;
// the others wait in order. Each request has the client's timeout() and
// numberOfRetries(). An answer is recognised by its server address and
// function code, its length coming from the function code and byte count
// (an exception frame has 5 bytes); a frame with a bad CRC, from another
// address or of another function is passed over. Bytes left from an earlier
// request are dropped before the next one goes out. A connection that drops
// fails the waiting replies with ConnectionError.
//
// QModbusClient's own sendReadRequest() and sendWriteRequest() are not
// virtual: through a QModbusClient pointer they cannot reach this framing and
// return null. The transactions' door (link/transactions.cpp) calls the ones
// below.

#include <QModbusClient>
#include <QModbusDataUnit>
#include <QModbusPdu>
#include <QPointer>
#include <QQueue>

class QModbusReply;
class QTcpSocket;
class QTimer;

class RtuOverTcpClient : public QModbusClient
{
    Q_OBJECT

public:
    explicit RtuOverTcpClient(QObject *parent = nullptr);
    ~RtuOverTcpClient() override;

    // Holding registers (03) or coils (01). Null, with the client's error set,
    // when the client is not connected or the unit cannot be read.
    QModbusReply *sendReadRequest(const QModbusDataUnit &read, int serverAddress);
    // Holding registers: one value as write single register (06), several as
    // write multiple registers (16), as QModbusClient does. Server address 0
    // is a broadcast: its reply finishes once the frame is sent.
    QModbusReply *sendWriteRequest(const QModbusDataUnit &write, int serverAddress);

    // CRC-16/MODBUS (polynomial 0xA001 reflected, start 0xFFFF).
    static quint16 crc16(const QByteArray &data);
    // The frame of a PDU to a server address: address, PDU, CRC low byte first.
    static QByteArray frame(int serverAddress, const QModbusPdu &pdu);
    // Length, CRC included, of the answer frame at the start of bytes: 0 when
    // more bytes are needed to tell, -1 for a function code of unknown length.
    static int answerLength(const QByteArray &bytes);

protected:
    bool open() override;
    void close() override;

private:
    struct Request
    {
        QModbusRequest pdu;
        QModbusDataUnit unit;
        QPointer<QModbusReply> reply;
        int serverAddress = 1;
        int triesLeft = 1;
    };

    QModbusReply *enqueue(const QModbusRequest &pdu, const QModbusDataUnit &unit, int serverAddress);
    void sendNext();
    void transmit();
    void onReadyRead();
    bool takeAnswer();
    void onTimer();
    void finish(const QModbusResponse &response);
    void onSocketDisconnected();
    void failAll(QModbusDevice::Error error, const QString &text);

    QTcpSocket *socket;
    QTimer *timer; // the answer's time-out; after a broadcast, the turnaround
    QQueue<Request> queue; // the head is on the wire while busy
    bool busy = false;
    bool turnaround = false;
    QByteArray received;
};
