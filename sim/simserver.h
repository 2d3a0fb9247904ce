#pragma once

// Modbus side of the simulator: one protocol engine (PDU in, PDU out) shared
// by the TCP, RTU and RTU over TCP front ends, with the request log and the fault switches
// (latency, silence, injected exceptions, dropped connections).
//
// One link may serve several server addresses, each its own simulated device
// with its own registers. Latency and silence belong to the link; register
// contents, switches and injected exceptions to each device.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class DeviceModel;
class QTcpServer;
class QTcpSocket;
class RtuFramer;

class SimServer : public QObject
{
    Q_OBJECT
public:
    // One device per server address (1..247, the first is the one control
    // lines address by default), all in the given word order.
    SimServer(const QList<int> &serverIds, int wordOrder, QObject *parent = nullptr);

    bool openLog(const QString &path);
    void clearLog();

    // Handles one request PDU (function code first) for a server address.
    // Returns the response PDU; empty when the address is not served or the
    // link is silent. Logs the request. Address 0 is a broadcast: a write is
    // applied by every device and nothing is answered.
    QByteArray handle(int serverId, const QByteArray &pdu);

    QList<int> serverIds() const { return ids; }
    // Serial number of the devices (25 character codes): with one server address
    // the text as it is; with several, each device's last three characters are
    // its server address (007), so that they stay apart.
    void setSerial(const QByteArray &text);
    int latency() const { return latencyMs; }
    void setLatency(int ms) { latencyMs = ms; }
    bool silent() const { return quiet; }
    void setSilent(bool on) { quiet = on; }

    // Control lines handled by the server (latency, silent, drop, exception,
    // clearlog); anything else goes to the model. "@<id> <line>" aims a line
    // at the device of that server address, otherwise it goes to the first.
    // Returns the reply line.
    QString control(const QString &line);

    // TCP front end
    bool listenTcp(const QString &host, quint16 port);
    // RTU over TCP front end: RTU frames (address, PDU, CRC) over TCP
    // connections, as a serial-to-Ethernet converter passes them on.
    bool listenRtuOverTcp(const QString &host, quint16 port);
    // host:port of either TCP front end
    QString tcpEndpoint() const;
    // RTU front end
    bool openRtu(const QString &device, int baud, int parity, int dataBits, int stopBits, QString *error);

public slots:
    void dropConnections();

private:
    struct Device
    {
        int id = 0;
        DeviceModel *model = nullptr;
        QHash<int, int> injected; // holding registers
        QHash<int, int> injectedCoils; // coils
    };

    QByteArray handleOn(Device &device, const QByteArray &pdu, bool broadcast);
    bool listen(const QString &host, quint16 port);
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void logLine(const QString &line);
    int injectedFor(const QHash<int, int> &table, int address, int count) const;

    QList<int> ids;
    QHash<int, Device> devices;
    int latencyMs = 0;
    bool quiet = false;
    QFile log;
    QTcpServer *tcp = nullptr;
    bool rtuFrames = false; // the TCP server's connections carry RTU frames
    QString host;
    QHash<QTcpSocket *, QByteArray> buffers; // every open connection; the bytes of an MBAP one
    RtuFramer *rtu = nullptr;
};
