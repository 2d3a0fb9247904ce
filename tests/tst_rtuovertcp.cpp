// Modbus RTU over TCP: the client through the transactions' door against an
// independent peer (pymodbus) and against a peer that misbehaves, and the
// command line's export against the same device over TCP.

#include "link/rtuovertcpclient.h"
#include "link/transactions.h"
#include "params/registermap.h"
#include "support/programrun.h"
#include "support/requiredtool.h"
#include "support/simulatorprocess.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QModbusReply>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// A converter with a device behind it at server address 7, in this process
// (served by the event loop, so also while a transaction waits). It answers
// reads of holding registers (03) with start + i, in the way a test asks.
class RtuPeer : public QObject
{
public:
    enum Answer {
        Good,
        BadCrc, // the answer with a wrong CRC
        OtherAddress, // an answer from server address 8
        BadCrcThenGood, // a corrupted copy, then the answer
        NoiseThenGood, // stray bytes, then the answer
        Split, // the answer in two pieces 30 ms apart
        Exception, // exception 2
        Silent,
        SilentOnce, // no answer to the first request, then Good
        Close, // the connection closed instead of an answer
    };
    Answer answer = Good;
    int delayMs = 0;
    int requests = 0;
    int mostWaiting = 0; // most requests received and not yet answered at once

    RtuPeer()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
    }
    bool listen() { return server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return server.serverPort(); }

private:
    void serve(QTcpSocket *socket)
    {
        buffer.append(socket->readAll());
        while (buffer.size() >= 8) {
            const QByteArray request = buffer.left(8);
            buffer.remove(0, 8);
            ++requests;
            mostWaiting = qMax(mostWaiting, ++waiting);
            const quint16 start = quint16(quint8(request.at(2)) << 8 | quint8(request.at(3)));
            const int count = quint8(request.at(5));
            QTimer::singleShot(delayMs, socket, [this, socket, start, count] {
                --waiting;
                reply(socket, start, count);
            });
        }
    }

    void reply(QTcpSocket *socket, quint16 start, int count)
    {
        QByteArray pdu;
        pdu.append(char(0x03));
        pdu.append(char(2 * count));
        for (int i = 0; i < count; ++i) {
            pdu.append(char((start + i) >> 8));
            pdu.append(char((start + i) & 0xFF));
        }
        const QByteArray good = RtuOverTcpClient::frame(7, QModbusResponse(QModbusPdu::FunctionCode(0x03),
                                                               pdu.mid(1)));
        QByteArray corrupted = good;
        corrupted[corrupted.size() - 1] = char(corrupted.at(corrupted.size() - 1) ^ 0x55);
        switch (answer) {
        case Good:
            socket->write(good);
            break;
        case BadCrc:
            socket->write(corrupted);
            break;
        case OtherAddress:
            socket->write(RtuOverTcpClient::frame(8, QModbusResponse(QModbusPdu::FunctionCode(0x03), pdu.mid(1))));
            break;
        case BadCrcThenGood:
            socket->write(corrupted + good);
            break;
        case NoiseThenGood:
            socket->write(QByteArray::fromHex("07ff0300") + good);
            break;
        case Split:
            socket->write(good.left(4));
            QTimer::singleShot(30, socket, [socket, good] { socket->write(good.mid(4)); });
            break;
        case Exception:
            socket->write(RtuOverTcpClient::frame(7, QModbusExceptionResponse(QModbusPdu::FunctionCode(0x03),
                                                           QModbusExceptionResponse::IllegalDataAddress)));
            break;
        case Silent:
            break;
        case SilentOnce:
            answer = Good;
            break;
        case Close:
            socket->abort();
            break;
        }
    }

    QTcpServer server;
    QByteArray buffer;
    int waiting = 0;
};

// A connected client for 127.0.0.1:port; null when it does not connect.
std::unique_ptr<RtuOverTcpClient> connectedClient(quint16 port, int timeoutMs, int retries = 0)
{
    auto client = std::make_unique<RtuOverTcpClient>();
    client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
    client->setConnectionParameter(QModbusDevice::NetworkPortParameter, int(port));
    client->setTimeout(timeoutMs);
    client->setNumberOfRetries(retries);
    if (!client->connectDevice())
        return nullptr;
    QDeadlineTimer deadline(5000);
    while (client->state() == QModbusDevice::ConnectingState && !deadline.hasExpired())
        waitProcessingEvents(5);
    return client->state() == QModbusDevice::ConnectedState ? std::move(client) : nullptr;
}

LinkTarget targetOf(QModbusClient *client, int serverAddress)
{
    LinkTarget target;
    target.client = client;
    target.serverAddress = serverAddress;
    target.responseTime = 200;
    return target;
}

// pymodbus serving one device (server address 5) over Modbus TCP and over RTU
// over TCP at once, from one data store: holding registers 0..11999 hold
// (7 * address + 3) & 0xFFFF but for a serial number the history can file
// the device under (codes of 2026120700042000000000005 at 10005..10029),
// coils 0..599 every third one set.
class PymodbusPeer
{
public:
    bool start()
    {
        const QString script = QStringLiteral(R"(
import asyncio, logging, sys
from pymodbus.server.async_io import ModbusTcpServer
from pymodbus.transaction import ModbusRtuFramer, ModbusSocketFramer
from pymodbus.datastore import ModbusSequentialDataBlock, ModbusSlaveContext, ModbusServerContext

logging.disable(logging.CRITICAL) # connections the tests close are no errors

async def main():
    registers = [(7 * a + 3) & 0xFFFF for a in range(12000)]
    registers[10005:10030] = [ord(c) for c in "2026120700042000000000005"]
    store = ModbusSlaveContext(
        hr=ModbusSequentialDataBlock(0, registers),
        co=ModbusSequentialDataBlock(0, [a % 3 == 0 for a in range(600)]), zero_mode=True)
    context = ModbusServerContext(slaves={5: store}, single=False)
    servers = [ModbusTcpServer(context, framer=f, address=("127.0.0.1", 0))
               for f in (ModbusSocketFramer, ModbusRtuFramer)]
    tasks = [asyncio.create_task(s.serve_forever()) for s in servers]
    for s in servers:
        await s.serving
    print("listening", *(s.server.sockets[0].getsockname()[1] for s in servers), flush=True)
    await asyncio.get_running_loop().run_in_executor(None, sys.stdin.read)

asyncio.run(main())
)");
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script});
        if (!process.waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(15000);
        while (!process.canReadLine()) {
            if (process.state() != QProcess::Running || deadline.hasExpired())
                return false;
            process.waitForReadyRead(100);
        }
        const QStringList words = QString::fromUtf8(process.readLine()).split(QLatin1Char(' '));
        if (words.size() != 3 || words.first() != QLatin1String("listening"))
            return false;
        tcpPort = quint16(words.at(1).toUInt());
        rtuPort = quint16(words.at(2).trimmed().toUInt());
        return tcpPort && rtuPort;
    }
    ~PymodbusPeer()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    static quint16 value(int address) { return quint16(7 * address + 3); }

    quint16 tcpPort = 0;
    quint16 rtuPort = 0;

private:
    QProcess process;
};

// Every cell of a workbook's parameter sheet, row by row.
QStringList sheetCells(const QString &path)
{
    XlsxWorkbook wb;
    if (!wb.open(path))
        return {QStringLiteral("<unreadable>")};
    XlsxSheet *sheet = wb.sheet(ParameterSheetName);
    if (!sheet)
        return {QStringLiteral("<no sheet>")};
    QStringList cells;
    for (int row = 1; row <= sheet->rowCount(); ++row) {
        QStringList line;
        for (int column = 1; column <= sheet->columnCount(); ++column)
            line << sheet->cellText(row, column);
        cells << line.join(QLatin1Char('|'));
    }
    return cells;
}

} // namespace

class TestRtuOverTcp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readThroughPeer_data();
    void readThroughPeer();
    void requestsWaitTheirTurn();
    void independentPeer();
    void exportSameAsOverTcp();
    void simulatorServesIt();

private:
    QTemporaryDir dir;
};

void TestRtuOverTcp::initTestCase()
{
    const QString templates = dir.filePath(QStringLiteral("data/Template/"));
    QVERIFY(QDir().mkpath(templates));
    QVERIFY(QFile::copy(QStringLiteral(Q4_BINARY_DIR "/Template/") + templateFileName(0),
        templates + templateFileName(0)));
}

// How answers are told apart on a stream without transaction ids, time-outs,
// retries and a connection closed while a request waits.
void TestRtuOverTcp::readThroughPeer_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("requests"); // frames the peer received
    QTest::newRow("answer") << int(RtuPeer::Good) << 0 << int(Ok) << 1;
    QTest::newRow("answer in two pieces") << int(RtuPeer::Split) << 0 << int(Ok) << 1;
    QTest::newRow("bad CRC") << int(RtuPeer::BadCrc) << 0 << int(TimedOut) << 1;
    QTest::newRow("bad CRC, then the answer") << int(RtuPeer::BadCrcThenGood) << 0 << int(Ok) << 1;
    QTest::newRow("noise, then the answer") << int(RtuPeer::NoiseThenGood) << 0 << int(Ok) << 1;
    QTest::newRow("another server address") << int(RtuPeer::OtherAddress) << 0 << int(TimedOut) << 1;
    QTest::newRow("exception") << int(RtuPeer::Exception) << 0 << int(ResponseError) << 1;
    QTest::newRow("silent") << int(RtuPeer::Silent) << 0 << int(TimedOut) << 1;
    QTest::newRow("silent, two tries") << int(RtuPeer::Silent) << 1 << int(TimedOut) << 2;
    QTest::newRow("silent once, the retry answered") << int(RtuPeer::SilentOnce) << 1 << int(Ok) << 2;
    QTest::newRow("connection closed") << int(RtuPeer::Close) << 0 << int(ResponseError) << 1;
}

void TestRtuOverTcp::readThroughPeer()
{
    QFETCH(int, answer);
    QFETCH(int, retries);
    QFETCH(int, result);
    QFETCH(int, requests);
    RtuPeer peer;
    peer.answer = RtuPeer::Answer(answer);
    QVERIFY(peer.listen());
    const auto client = connectedClient(peer.port(), 200, retries);
    QVERIFY(client);
    quint16 values[3] = {1, 1, 1};
    int exceptionCode = 0;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(int(readRegisters(targetOf(client.get(), 7), QModbusDataUnit::HoldingRegisters, 300, 3, values,
                 &exceptionCode)),
        result);
    QCOMPARE(peer.requests, requests);
    if (result == Ok)
        QCOMPARE(QVector<quint16>(values, values + 3), (QVector<quint16> {300, 301, 302}));
    else
        QCOMPARE(values[0], quint16(1));
    QCOMPARE(exceptionCode, result == ResponseError && answer == RtuPeer::Exception ? 2 : 0);
    if (result == TimedOut)
        QVERIFY2(clock.elapsed() >= 190 * requests, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(client->state() == QModbusDevice::ConnectedState, answer != RtuPeer::Close);
}

// Requests sent together go out one at a time, each after the previous answer,
// and every reply gets its own answer.
void TestRtuOverTcp::requestsWaitTheirTurn()
{
    RtuPeer peer;
    peer.delayMs = 30;
    QVERIFY(peer.listen());
    const auto client = connectedClient(peer.port(), 1000);
    QVERIFY(client);
    QVector<QModbusReply *> replies;
    for (int start : {10, 20, 30})
        replies << client->sendReadRequest(QModbusDataUnit(QModbusDataUnit::HoldingRegisters, start, 2), 7);
    for (QModbusReply *reply : replies) {
        QVERIFY(reply);
        QTRY_VERIFY(reply->isFinished());
    }
    QCOMPARE(peer.mostWaiting, 1);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(replies[i]->error(), QModbusDevice::NoError);
        QCOMPARE(replies[i]->result().values(), (QVector<quint16> {quint16(10 * (i + 1)), quint16(10 * (i + 1) + 1)}));
    }
}

// pymodbus with its own RTU framer over TCP: reads, both kinds of write, an
// exception.
void TestRtuOverTcp::independentPeer()
{
    Q4_REQUIRE_TOOL("pymodbus");
    PymodbusPeer peer;
    QVERIFY(peer.start());
    const auto client = connectedClient(peer.rtuPort, 1000);
    QVERIFY(client);
    const LinkTarget target = targetOf(client.get(), 5);
    quint16 values[4] = {};
    QCOMPARE(int(readRegisters(target, QModbusDataUnit::HoldingRegisters, 1060, 4, values)), int(Ok));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(values[i], PymodbusPeer::value(1060 + i));
    QCOMPARE(int(readRegisters(target, QModbusDataUnit::Coils, 500, 4, values)), int(Ok));
    QCOMPARE(QVector<quint16>(values, values + 4), (QVector<quint16> {0, 1, 0, 0}));

    const quint16 one[1] = {4321};
    QCOMPARE(int(writeRegisters(target, 8000, 1, one)), int(Ok));
    const quint16 two[2] = {0xFFFF, 0x0102};
    QCOMPARE(int(writeRegisters(target, 1064, 2, two)), int(Ok));
    QCOMPARE(int(readRegisters(target, QModbusDataUnit::HoldingRegisters, 1064, 2, values)), int(Ok));
    QCOMPARE(QVector<quint16>(values, values + 2), (QVector<quint16> {0xFFFF, 0x0102}));
    QCOMPARE(int(readRegisters(target, QModbusDataUnit::HoldingRegisters, 8000, 1, values)), int(Ok));
    QCOMPARE(values[0], quint16(4321));

    int exceptionCode = 0;
    QCOMPARE(int(readRegisters(target, QModbusDataUnit::HoldingRegisters, 11999, 2, values, &exceptionCode)),
        int(ResponseError));
    QCOMPARE(exceptionCode, 2);
}

// The command line's export reads the same workbook from one device over RTU
// over TCP as over Modbus TCP, cell for cell.
void TestRtuOverTcp::exportSameAsOverTcp()
{
    Q4_REQUIRE_TOOL("pymodbus");
    PymodbusPeer peer;
    QVERIFY(peer.start());
    QStringList cells[2];
    const QStringList transports {QStringLiteral("--tcp"), QStringLiteral("--rtu-tcp")};
    for (int i = 0; i < 2; ++i) {
        const QString file = dir.filePath(QStringLiteral("export%1.xlsx").arg(i));
        const quint16 port = i == 0 ? peer.tcpPort : peer.rtuPort;
        const ProgramRun run = runProgram({QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")),
            QStringLiteral("--export"), file, transports[i], QStringLiteral("127.0.0.1:%1").arg(port),
            QStringLiteral("--id"), QStringLiteral("5")});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.lines().last().contains(QStringLiteral("; 0 failed")), qPrintable(run.lines().last()));
        cells[i] = sheetCells(file);
    }
    QVERIFY(cells[0].size() > 100);
    QCOMPARE(cells[1], cells[0]);
}

// q4sim --rtu-tcp: silence, latency, the request log and a dropped
// connection as over TCP (the clone and scan tables use it for several
// devices); the page's saved RTU over TCP link on the command line.
void TestRtuOverTcp::simulatorServesIt()
{
    SimulatorProcess sim({QStringLiteral("--rtu-tcp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--id"),
        QStringLiteral("3,7")});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    const auto client = connectedClient(sim.port(), 200);
    QVERIFY(client);
    quint16 values[2] = {};
    QCOMPARE(sim.command(QStringLiteral("silent on")), QStringLiteral("ok"));
    QCOMPARE(int(readRegisters(targetOf(client.get(), 3), QModbusDataUnit::HoldingRegisters, 0, 2, values)),
        int(TimedOut));
    QCOMPARE(sim.command(QStringLiteral("silent off")), QStringLiteral("ok"));
    QCOMPARE(sim.command(QStringLiteral("latency 120")), QStringLiteral("ok"));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(int(readRegisters(targetOf(client.get(), 7), QModbusDataUnit::HoldingRegisters, 0, 2, values)),
        int(Ok));
    QVERIFY2(clock.elapsed() >= 115, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(sim.command(QStringLiteral("latency 0")), QStringLiteral("ok"));
    QCOMPARE(sim.requests(),
        (QStringList {QStringLiteral("@3 read-hr 0 2 no-answer"), QStringLiteral("@7 read-hr 0 2")}));
    QCOMPARE(sim.command(QStringLiteral("connections")), QStringLiteral("ok 1"));
    QCOMPARE(sim.command(QStringLiteral("drop")), QStringLiteral("ok 1"));
    QTRY_COMPARE(client->state(), QModbusDevice::UnconnectedState);

    const QString data = dir.filePath(QStringLiteral("saved"));
    QSettings settings(data + QStringLiteral("/Setting/setting.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Q4/connectType"), int(ConnectionType::RtuOverTcp));
    settings.setValue(QStringLiteral("Q4/EditHostIP"), QStringLiteral("127.0.0.1"));
    settings.setValue(QStringLiteral("Q4/EditPort"), QString::number(sim.port()));
    settings.sync();
    const ProgramRun run
        = runProgram({QStringLiteral("--data-dir"), data, QStringLiteral("--scan"), QStringLiteral("--ids"),
            QStringLiteral("6-7"), QStringLiteral("--probe-timeout"), QStringLiteral("100")});
    QVERIFY2(run.status == 0 && run.lines().value(0).startsWith(QStringLiteral("found 7 software ")),
        qPrintable(run.out + run.err));
}

QTEST_MAIN(TestRtuOverTcp)
#include "tst_rtuovertcp.moc"
