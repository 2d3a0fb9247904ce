// Blocking register transactions against the simulator (TCP and RTU) and a
// deliberately short-answering peer.

#include "link/linksession.h"
#include "link/modbusrtuclient.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QModbusTcpClient>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

namespace {

// The traffic record's newest transaction: "write-holding 8100 2 server 1: ok".
QString lastTransaction()
{
    TrafficLog &log = linkSession().traffic;
    const QVector<TrafficRecord> records = log.recordsSince(log.lastSequence() - 1);
    if (records.isEmpty())
        return QString();
    const TrafficRecord &r = records.last();
    return QStringLiteral("%1 %2 %3 server %4: %5")
        .arg(trafficFunctionName(r.function))
        .arg(r.address)
        .arg(r.count)
        .arg(r.serverAddress)
        .arg(trafficResultText(r.result, r.exceptionCode));
}

LinkParameters blockFor(int start, int count)
{
    LinkParameters block = linkSession().appliedLink;
    block.startAddress = start;
    block.count = quint16(count);
    return block;
}

// A Modbus TCP peer that answers every read of holding registers with a single
// register, whatever was asked for.
class ShortAnswerServer : public QTcpServer
{
public:
    ShortAnswerServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    const QByteArray request = socket->readAll();
                    if (request.size() < 12)
                        return;
                    QByteArray answer = request.left(4);
                    answer.append(char(0)).append(char(5)); // length: unit, fc, byte count, 2 data bytes
                    answer.append(request.at(6)).append(request.at(7)).append(char(2));
                    answer.append(char(0x12)).append(char(0x34));
                    socket->write(answer);
                });
            }
        });
    }
};

} // namespace

class TestTransactions : public QObject
{
    Q_OBJECT

private:
    SimulatorProcess *sim = nullptr;

private slots:
    void initTestCase()
    {
        sim = new SimulatorProcess;
        QVERIFY2(sim->start(), qPrintable(sim->errorText()));
    }
    void init()
    {
        linkSession().linkSuspended = false;
        QVERIFY(connectTestClient(*sim));
        QVERIFY(sim->command(QStringLiteral("silent off")).startsWith(QLatin1String("ok")));
        sim->command(QStringLiteral("exception clear"));
        sim->command(QStringLiteral("latency 0"));
        sim->clearRequests();
    }
    void cleanup()
    {
        linkSession().linkSuspended = false;
        linkSession().currentServerAddress = 1;
        disconnectTestClient();
    }
    void cleanupTestCase() { delete sim; }

    // Values come back in register order; writes reach the device.
    void readAndWriteRoundTrip()
    {
        QVERIFY(sim->command(QStringLiteral("set 8000 4660")).startsWith(QLatin1String("ok")));
        quint16 values[3] = {9, 9, 9};
        QCOMPARE(int(readHoldingRegisters(linkSession().modbusClient, blockFor(8000, 1), values)), int(Ok));
        QCOMPARE(values[0], quint16(4660));
        QCOMPARE(values[1], quint16(9)); // beyond count untouched

        const quint16 written[2] = {192, 168};
        QCOMPARE(int(writeHoldingRegisters(linkSession().modbusClient, blockFor(8100, 2), written)), int(Ok));
        QVERIFY(sim->command(QStringLiteral("get 8101")).contains(QLatin1String("168")));
        QCOMPARE(lastTransaction(), QStringLiteral("write-holding 8100 2 server 1: ok"));
        QVERIFY(sim->requests().contains(QStringLiteral("write 8100 2 192 168")));
        quint16 back[2] = {};
        QCOMPARE(int(readHoldingRegisters(linkSession().modbusClient, blockFor(8100, 2), back)), int(Ok));
        QCOMPARE(back[0], quint16(192));
        QCOMPARE(back[1], quint16(168));
    }

    void readCoilsOneValueEach()
    {
        QVERIFY(sim->command(QStringLiteral("coil 500 1")).startsWith(QLatin1String("ok")));
        QVERIFY(sim->command(QStringLiteral("coil 501 0")).startsWith(QLatin1String("ok")));
        quint16 values[2] = {7, 7};
        QCOMPARE(int(readCoils(linkSession().modbusClient, blockFor(500, 2), values)), int(Ok));
        QCOMPARE(values[0], quint16(1));
        QCOMPARE(values[1], quint16(0));
        QCOMPARE(lastTransaction(), QStringLiteral("read-coils 500 2 server 1: ok"));
        QVERIFY(sim->requests().contains(QStringLiteral("read-coils 500 2")));
    }

    // Without a connected client nothing is sent and the buffer keeps its values.
    void unconnectedReadReturnsNoConnection()
    {
        quint16 values[2] = {11, 22};
        QCOMPARE(int(readHoldingRegisters(nullptr, blockFor(0, 2), values)), int(NoConnection));
        QCOMPARE(int(writeHoldingRegisters(nullptr, blockFor(0, 2), values)), int(NoConnection));
        QModbusTcpClient idle;
        QCOMPARE(int(readHoldingRegisters(&idle, blockFor(0, 2), values)), int(NoConnection));
        QCOMPARE(int(readCoils(&idle, blockFor(500, 2), values)), int(NoConnection));
        QCOMPARE(values[0], quint16(11));
        QCOMPARE(values[1], quint16(22));
    }

    // The device answers fewer registers than asked for: the tail is zero.
    void shortAnswerFillsTailWithZeros()
    {
        ShortAnswerServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        QModbusTcpClient client;
        client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        client.setConnectionParameter(QModbusDevice::NetworkPortParameter, peer.serverPort());
        client.setTimeout(1000);
        client.setNumberOfRetries(0);
        QVERIFY(client.connectDevice());
        QTRY_COMPARE(client.state(), QModbusDevice::ConnectedState);
        quint16 values[4] = {5, 5, 5, 5};
        QCOMPARE(int(readHoldingRegisters(&client, blockFor(0, 4), values)), int(Ok));
        QCOMPARE(values[0], quint16(0x1234));
        QCOMPARE(values[1], quint16(0));
        QCOMPARE(values[2], quint16(0));
        QCOMPARE(values[3], quint16(0));
        client.disconnectDevice();
    }

    // A silent device: the read ends with the client's time-out; the write with
    // its own limit of responseTime polls.
    void silentDeviceTimesOut()
    {
        QVERIFY(sim->command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
        quint16 values[2] = {3, 4};
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(
            int(readHoldingRegisters(linkSession().modbusClient, blockFor(0, 2), values)), int(TimedOut));
        QVERIFY(clock.elapsed() >= 900);
        QCOMPARE(lastTransaction(), QStringLiteral("read-holding 0 2 server 1: timeout"));
        QCOMPARE(values[0], quint16(3));

        LinkParameters block = blockFor(8000, 1);
        block.responseTime = 150;
        clock.restart();
        QCOMPARE(int(writeHoldingRegisters(linkSession().modbusClient, block, values)), int(TimedOut));
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= 150 && elapsed < 900, qPrintable(QString::number(elapsed)));
        QCOMPARE(lastTransaction(), QStringLiteral("write-holding 8000 1 server 1: timeout"));

        // The client's own time-out, when it comes first, is a time-out as well.
        linkSession().modbusClient->setTimeout(150);
        block.responseTime = 1000;
        clock.restart();
        QCOMPARE(int(writeHoldingRegisters(linkSession().modbusClient, block, values)), int(TimedOut));
        QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(lastTransaction(), QStringLiteral("write-holding 8000 1 server 1: timeout"));
    }

    // An exception response: 2, recorded with its exception code.
    void exceptionResponse()
    {
        QVERIFY(sim->command(QStringLiteral("exception 8000 3")).startsWith(QLatin1String("ok")));
        const quint16 values[1] = {1};
        QCOMPARE(int(writeHoldingRegisters(linkSession().modbusClient, blockFor(8000, 1), values)),
            int(ResponseError));
        QCOMPARE(lastTransaction(), QStringLiteral("write-holding 8000 1 server 1: exception 3"));
        quint16 buffer[1] = {77};
        QCOMPARE(int(readHoldingRegisters(linkSession().modbusClient, blockFor(8000, 1), buffer)),
            int(ResponseError));
        QCOMPARE(buffer[0], quint16(77));
        QVERIFY(sim->requests().join(QLatin1Char('\n')).contains(QLatin1String("exception 3")));
    }

    // linkSuspended makes a waiting read give up at its next poll.
    void suspendEndsWaitingRead()
    {
        QVERIFY(sim->command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
        QTimer::singleShot(100, [] { linkSession().linkSuspended = true; });
        quint16 values[2] = {1, 2};
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(
            int(readHoldingRegisters(linkSession().modbusClient, blockFor(0, 2), values)), int(NoConnection));
        QVERIFY(clock.elapsed() < 500);
        QCOMPARE(values[1], quint16(2));
    }

    // A link that drops while a request waits ends the wait with 3.
    void droppedLinkEndsWait()
    {
        QVERIFY(sim->command(QStringLiteral("latency 400")).startsWith(QLatin1String("ok")));
        QTimer::singleShot(100, [this] { sim->command(QStringLiteral("drop")); });
        quint16 values[2] = {};
        QElapsedTimer clock;
        clock.start();
        // The client fails the pending reply when the socket closes (2), or the
        // read sees the link down first (3); either way the wait ends at once.
        const int result = readHoldingRegisters(linkSession().modbusClient, blockFor(0, 2), values);
        QVERIFY2(result == ResponseError || result == NoConnection, qPrintable(QString::number(result)));
        QVERIFY(clock.elapsed() < 900);
    }

    // The client deleted while a write waits (the link taken down from a timer
    // inside the wait) ends the write with 3 instead of touching freed memory.
    void clientDeletedDuringWait()
    {
        QVERIFY(sim->command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
        QTimer::singleShot(100, [] {
            QModbusClient *client = linkSession().modbusClient;
            linkSession().modbusClient = nullptr;
            delete client;
        });
        const quint16 values[1] = {5};
        QCOMPARE(int(writeHoldingRegisters(linkSession().modbusClient, blockFor(8000, 1), values)),
            int(NoConnection));
        QCOMPARE(linkSession().modbusClient, nullptr);
    }

    // The block's own server address is ignored: currentServerAddress decides.
    void serverAddressComesFromGlobal()
    {
        SimulatorProcess second({QStringLiteral("--id"), QStringLiteral("2")});
        QVERIFY2(second.start(), qPrintable(second.errorText()));
        QVERIFY(connectTestClient(second));
        LinkParameters block = blockFor(0, 2);
        block.serverAddress = 2;
        linkSession().currentServerAddress = 1;
        quint16 values[2] = {};
        QCOMPARE(int(readHoldingRegisters(linkSession().modbusClient, block, values)), int(TimedOut));
        block.serverAddress = 1;
        linkSession().currentServerAddress = 2;
        QCOMPARE(int(readHoldingRegisters(linkSession().modbusClient, block, values)), int(Ok));
        const quint16 one[1] = {1};
        QCOMPARE(int(writeHoldingRegisters(linkSession().modbusClient, blockFor(8000, 1), one)), int(Ok));
        QCOMPARE(lastTransaction(), QStringLiteral("write-holding 8000 1 server 2: ok"));
        QCOMPARE(block.serverAddress, 1);
    }

    // RTU through a pty pair: a normal read, then a broadcast write (server
    // address 0). Nothing answers a broadcast; the client finishes it without
    // error (at once, or after its turnaround delay) and the write reports 0.
    void rtuAndBroadcast()
    {
        Q4_REQUIRE_TOOL("socat");
        PtyPair pair;
        QVERIFY(pair.start());
        const QString a = pair.second();
        const QString b = pair.first();

        SimulatorProcess rtuSim(
            {QStringLiteral("--rtu"), b, QStringLiteral("--baud"), QStringLiteral("38400")});
        QVERIFY2(rtuSim.start(), qPrintable(rtuSim.errorText()));
        disconnectTestClient();
        auto *client = new ModbusRtuClient;
        linkSession().modbusClient = client;
        client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, a);
        client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 38400);
        client->setConnectionParameter(QModbusDevice::SerialParityParameter, 2);
        client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, 8);
        client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, 1);
        client->setTimeout(1000);
        client->setNumberOfRetries(0);
        QVERIFY(client->connectDevice());
        QTRY_COMPARE(client->state(), QModbusDevice::ConnectedState);
        linkSession().currentServerAddress = 1;
        QVERIFY(rtuSim.command(QStringLiteral("set 8001 321")).startsWith(QLatin1String("ok")));
        quint16 values[1] = {};
        QCOMPARE(int(readHoldingRegisters(client, blockFor(8001, 1), values)), int(Ok));
        QCOMPARE(values[0], quint16(321));

        linkSession().currentServerAddress = 0;
        const quint16 one[1] = {1};
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(int(writeHoldingRegisters(client, blockFor(8001, 1), one)), int(Ok));
        QVERIFY(clock.elapsed() < 900);
        linkSession().currentServerAddress = 1;

        client->disconnectDevice();
        rtuSim.stop();
    }

    // The wait paces at 1 ms steps and keeps events flowing.
    void waitKeepsEventsFlowing()
    {
        bool fired = false;
        QTimer::singleShot(10, [&fired] { fired = true; });
        QElapsedTimer clock;
        clock.start();
        waitProcessingEvents(50);
        const qint64 elapsed = clock.elapsed();
        QVERIFY(fired);
        QVERIFY2(elapsed >= 50 && elapsed < 150, qPrintable(QString::number(elapsed)));
        clock.restart();
        waitProcessingEvents(1);
        QVERIFY(clock.elapsed() < 50);
    }
};

QTEST_GUILESS_MAIN(TestTransactions)

#include "tst_transactions.moc"
