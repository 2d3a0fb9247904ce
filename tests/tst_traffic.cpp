// The traffic record behind every transaction: the bounded ring, the
// statistics since connect, and the CSV of --log-traffic compared with what the
// simulator saw.

#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/registermap.h"
#include "support/programrun.h"
#include "support/simulatorprocess.h"

#include <QModbusClient>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// "read-hr 0 2" (the simulator's log) -> "read-holding,0,2" (the start of our line).
QString simulatorLineAsTraffic(const QString &line)
{
    const QStringList f = line.split(QLatin1Char(' '));
    if (f.size() < 3)
        return line;
    const QString function = f[0] == QLatin1String("read-hr") ? QStringLiteral("read-holding")
        : f[0] == QLatin1String("read-coils")                 ? QStringLiteral("read-coils")
        : f[0] == QLatin1String("write")                      ? QStringLiteral("write-holding")
                                                              : f[0];
    return QStringLiteral("%1,%2,%3").arg(function, f[1], f[2]);
}

QString trafficKey(const QString &csvLine)
{
    const QStringList f = csvLine.split(QLatin1Char(','));
    return f.size() < 4 ? csvLine : QStringLiteral("%1,%2,%3").arg(f[1], f[2], f[3]);
}

} // namespace

class TestTraffic : public QObject
{
    Q_OBJECT

private slots:
    void ringStaysBoundedAndStatisticsCount();
    void exceptionAndTimeoutAreNamed();
    void headlessExportLogsEveryTransaction();
};

void TestTraffic::ringStaysBoundedAndStatisticsCount()
{
    TrafficLog &log = linkSession().traffic;
    log.clearRecords();
    log.resetStatistics();
    const quint64 before = log.lastSequence();
    const quint16 values[3] = {7, 8, 9};
    // 95 quick answers, 5 slow ones, a time-out and an exception.
    for (int i = 0; i < 95; ++i)
        log.record(TrafficFunction::ReadHolding, 1, 100, 3, values, Ok, 0, 1000, 5000);
    for (int i = 0; i < 5; ++i)
        log.record(TrafficFunction::ReadHolding, 1, 100, 3, values, Ok, 0, 1000, 50000);
    log.record(TrafficFunction::WriteHolding, 1, 200, 3, values, TimedOut, 0, 1000, 1000000);
    log.record(TrafficFunction::WriteHolding, 1, 200, 3, values, ResponseError, 3, 1000, 6000);

    const TrafficStatistics s = log.statistics();
    QCOMPARE(s.requests, quint64(102));
    QCOMPARE(s.failures, quint64(2));
    QCOMPARE(s.timeouts, quint64(1));
    QCOMPARE(s.exceptions, quint64(1));
    // Round trips of the 101 answered requests; the time-out is not one of them.
    QVERIFY(qAbs(s.meanMs - (95 * 5.0 + 5 * 50.0 + 6.0) / 101) < 0.01);
    QVERIFY2(s.p95Ms >= 5.0 && s.p95Ms <= 6.2, qPrintable(QString::number(s.p95Ms)));
    QCOMPARE(s.worstMs, 50.0);

    // A failed read keeps no values; a write keeps what it wrote.
    const QVector<TrafficRecord> last = log.recordsSince(log.lastSequence() - 2);
    QCOMPARE(last.size(), 2);
    QCOMPARE(trafficCsvLine(last[0]), QStringLiteral("1000,write-holding,200,3,7 8 9,timeout,1000.000"));
    QCOMPARE(trafficResultText(last[1].result, last[1].exceptionCode), QStringLiteral("exception 3"));

    // More than the ring holds: only the newest RingCapacity stay, oldest first.
    for (int i = 0; i < TrafficLog::RingCapacity + 50; ++i)
        log.record(TrafficFunction::ReadCoils, 1, i, 1, values, Ok, 0, 1000, 1000);
    quint64 newest = 0;
    const QVector<TrafficRecord> kept = log.recordsSince(before, &newest);
    QCOMPARE(kept.size(), TrafficLog::RingCapacity);
    QCOMPARE(kept.last().sequence, newest);
    QCOMPARE(kept.first().sequence, newest - TrafficLog::RingCapacity + 1);
    QCOMPARE(kept.last().address, TrafficLog::RingCapacity + 49);

    log.clearRecords();
    QVERIFY(log.recordsSince(before).isEmpty());
    log.resetStatistics();
    QCOMPARE(log.statistics().requests, quint64(0));
}

void TestTraffic::exceptionAndTimeoutAreNamed()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    linkSession().modbusClient->setTimeout(300);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.csv"));
    QVERIFY(linkSession().traffic.setFile(path));

    QVERIFY(sim.command(QStringLiteral("exception 8000 2")).startsWith(QLatin1String("ok")));
    QCOMPARE(int(writeSingleValue(8000, 1, 5)), int(ResponseError));
    QVERIFY(sim.command(QStringLiteral("exception clear")).startsWith(QLatin1String("ok")));
    QCOMPARE(readSingleValue(8000, 1), 1);
    QVERIFY(sim.command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
    QCOMPARE(readSingleValue(8000, 1), FailureMarker);
    linkSession().traffic.setFile(QString());
    disconnectTestClient();
    QCOMPARE(int(readGroup(0)), int(NoConnection));

    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("time_ms,function,address,count,values,result,round_trip_ms"));
    QVERIFY2(lines[1].contains(QLatin1String(",write-holding,8000,1,5,exception 2,")), qPrintable(lines[1]));
    QVERIFY2(lines[2].contains(QLatin1String(",read-holding,8000,1,1,ok,")), qPrintable(lines[2]));
    QVERIFY2(lines[3].contains(QLatin1String(",read-holding,8000,1,,timeout,")), qPrintable(lines[3]));
    // The read without a client came after the file was closed.
    QCOMPARE(linkSession().traffic.recordsSince(linkSession().traffic.lastSequence() - 1).first().result,
        int(NoConnection));
}

void TestTraffic::headlessExportLogsEveryTransaction()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("traffic.csv"));
    const QString exported = dir.filePath(QStringLiteral("export.xlsx"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data/Template"))));
    QVERIFY(QFile::copy(QStringLiteral(Q4_BINARY_DIR "/Template/KTT-Q4_EN.xlsx"),
        dir.filePath(QStringLiteral("data/Template/KTT-Q4_EN.xlsx"))));
    QProcess p;
    prepareProgram(p);
    p.start(QStringLiteral(Q4CONFIG_PATH),
        {QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")), QStringLiteral("--export"),
            exported, QStringLiteral("--tcp"), QStringLiteral("%1:%2").arg(sim.host()).arg(sim.port()),
            QStringLiteral("--log-traffic"), logPath});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 0);

    const QStringList lines = fileLines(logPath);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QStringLiteral("time_ms,function,address,count,values,result,round_trip_ms"));
    QStringList ours;
    for (int i = 1; i < lines.size(); ++i) {
        QVERIFY2(lines[i].contains(QLatin1String(",ok,")), qPrintable(lines[i]));
        ours << trafficKey(lines[i]);
    }
    QStringList theirs;
    for (const QString &line : sim.requests())
        theirs << simulatorLineAsTraffic(line);
    QCOMPARE(ours, theirs);
    QVERIFY(ours.size() > 10); // the test read and the block reads of the parameter rows

    // A second run appends without a second header.
    p.start(QStringLiteral(Q4CONFIG_PATH),
        {QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")), QStringLiteral("--export"),
            exported, QStringLiteral("--tcp"), QStringLiteral("%1:%2").arg(sim.host()).arg(sim.port()),
            QStringLiteral("--log-traffic"), logPath});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(fileLines(logPath).size(), 2 * lines.size() - 1);
    QCOMPARE(fileLines(logPath).filter(QStringLiteral("time_ms,")).size(), 1);
}

QTEST_MAIN(TestTraffic)
#include "tst_traffic.moc"
