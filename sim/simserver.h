#pragma once

// Modbus side of the simulator: one protocol engine (PDU in, PDU out) shared
// by the TCP and RTU front ends, with the request log and the fault switches
// (latency, silence, injected exceptions, dropped connections).

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
class QModbusRtuSerialSlave;

class SimServer : public QObject
{
    Q_OBJECT
public:
    explicit SimServer(DeviceModel *model, int serverId, QObject *parent = nullptr);

    bool openLog(const QString &path);
    void clearLog();

    // Handles one request PDU (function code first). Returns the response PDU.
    // Logs the request.
    QByteArray handle(const QByteArray &pdu);

    int serverId() const { return id; }
    int latency() const { return latencyMs; }
    void setLatency(int ms) { latencyMs = ms; }
    bool silent() const { return quiet; }
    void setSilent(bool on) { quiet = on; }

    // Control lines handled by the server (latency, silent, drop, exception,
    // clearlog); anything else goes to the model. Returns the reply line.
    QString control(const QString &line);

    // TCP front end
    bool listenTcp(const QString &host, quint16 port);
    QString tcpEndpoint() const;
    // RTU front end
    bool openRtu(const QString &device, int baud, int parity, int dataBits, int stopBits, QString *error);

public slots:
    void dropConnections();

private:
    struct Connection
    {
        QPointer<QTcpSocket> socket;
        QByteArray buffer;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void logLine(const QString &line);
    int injectedFor(const QHash<int, int> &table, int address, int count) const;

    DeviceModel *model;
    int id;
    int latencyMs = 0;
    bool quiet = false;
    QHash<int, int> injected; // holding registers
    QHash<int, int> injectedCoils; // coils
    QFile log;
    QTcpServer *tcp = nullptr;
    QString host;
    QHash<QTcpSocket *, QByteArray> buffers;
    QModbusRtuSerialSlave *rtu = nullptr;
};
