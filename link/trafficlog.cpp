#include "link/trafficlog.h"

#include "link/transactions.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Histogram of answered round trips: 0.1 ms steps up to 100 ms, then 1 ms steps
// up to 10 s, then one bucket for everything slower.
constexpr int FineBuckets = 1000; // 0 .. 100 ms
constexpr int CoarseBuckets = 9900; // 100 ms .. 10 s
constexpr int BucketCount = FineBuckets + CoarseBuckets + 1;

int bucketOf(qint64 us)
{
    if (us < 100000)
        return int(qMax<qint64>(0, us) / 100);
    if (us < 10000000)
        return FineBuckets + int((us - 100000) / 1000);
    return BucketCount - 1;
}

// Upper end of a bucket in ms.
double bucketTopMs(int bucket)
{
    if (bucket < FineBuckets)
        return (bucket + 1) * 0.1;
    if (bucket < FineBuckets + CoarseBuckets)
        return 100.0 + (bucket - FineBuckets + 1);
    return 10000.0;
}

// Opens path for appending, creating it with the umask's permissions. A
// symbolic link is refused rather than followed: the log is not written
// wherever a link planted in its place points.
bool openLogFile(QFile &file, const QString &path, QString *error)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(
        QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int code = errno;
        *error = code == ELOOP || QFileInfo(path).isSymLink()
            ? QStringLiteral("it is a symbolic link (give the file itself)")
            : qt_error_string(code);
        return false;
    }
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = file.errorString();
        return false;
    }
    return true;
#else
    if (QFileInfo(path).isSymLink()) {
        *error = QStringLiteral("it is a symbolic link (give the file itself)");
        return false;
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = file.errorString();
        return false;
    }
    return true;
#endif
}

// One line out to the disk; false when it did not get there whole. A write
// the system cut short (the file reached its size limit in the middle of the
// line) keeps the rest buffered and reports no reason: a second flush writes
// the rest, or fails with the system's reason ("File too large").
bool writeWholeLine(QFile &file, const QByteArray &line)
{
    return file.write(line) == line.size() && (file.flush() || file.flush());
}

} // namespace

QString trafficFunctionName(TrafficFunction function)
{
    switch (function) {
    case TrafficFunction::ReadHolding:
        return QStringLiteral("read-holding");
    case TrafficFunction::ReadCoils:
        return QStringLiteral("read-coils");
    case TrafficFunction::WriteHolding:
        return QStringLiteral("write-holding");
    case TrafficFunction::WriteCoil:
        return QStringLiteral("write-coil");
    }
    return QString();
}

QString trafficResultText(int result, int exceptionCode)
{
    switch (result) {
    case Ok:
        return QStringLiteral("ok");
    case TimedOut:
        return QStringLiteral("timeout");
    case NoConnection:
        return QStringLiteral("no-connection");
    default:
        return exceptionCode > 0 ? QStringLiteral("exception %1").arg(exceptionCode)
                                 : QStringLiteral("error");
    }
}

QString trafficValuesText(const QVector<quint16> &values)
{
    QString text;
    text.reserve(values.size() * 6);
    for (int i = 0; i < values.size(); ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += QString::number(values[i]);
    }
    return text;
}

QString trafficCsvHeader()
{
    return QStringLiteral("time_ms,function,address,count,values,result,round_trip_ms");
}

QString trafficCsvLine(const TrafficRecord &r)
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
        .arg(r.timeMs)
        .arg(trafficFunctionName(r.function))
        .arg(r.address)
        .arg(r.count)
        .arg(trafficValuesText(r.values), trafficResultText(r.result, r.exceptionCode))
        .arg(double(r.roundTripUs) / 1000.0, 0, 'f', 3);
}

TrafficLog::TrafficLog()
    : ring(RingCapacity)
    , histogram(BucketCount, 0)
{
}

TrafficLog::~TrafficLog() = default;

void TrafficLog::record(TrafficFunction function, int serverAddress, int address, int count,
    const quint16 *values, int result, int exceptionCode, qint64 startMs, qint64 roundTripUs)
{
    quint64 sequence = 0;
    QString failedPath;
    QString fileFailure;
    {
        QMutexLocker lock(&mutex);
        sequence = ++newest;
        TrafficRecord &r = ring[int((sequence - 1) % RingCapacity)];
        r.sequence = sequence;
        r.timeMs = startMs;
        r.function = function;
        r.serverAddress = serverAddress;
        r.address = address;
        r.count = count;
        // The slot's buffer is reused: no allocation once it has been this large.
        r.values.resize(values && count > 0 ? count : 0);
        for (int i = 0; i < r.values.size(); ++i)
            r.values[i] = values[i];
        r.result = result;
        r.exceptionCode = exceptionCode;
        r.roundTripUs = roundTripUs;

        ++requests;
        if (result != Ok)
            ++failures;
        if (result == TimedOut)
            ++timeouts;
        if (result == ResponseError && exceptionCode > 0)
            ++exceptions;
        if (result == Ok || (result == ResponseError && exceptionCode > 0)) {
            ++answered;
            sumUs += roundTripUs;
            worstUs = qMax(worstUs, roundTripUs);
            ++histogram[bucketOf(roundTripUs)];
        }
        if (file && !writeLine(trafficCsvLine(r).toUtf8() + '\n')) {
            failedPath = logPath;
            fileFailure = logError;
        }
    }
    if (!fileFailure.isEmpty())
        emit fileFailed(failedPath, fileFailure);
    emit recorded(sequence);
}

// Called with the mutex held. A line that does not get out whole ends the
// file: a record with holes in it would pass for a complete one.
bool TrafficLog::writeLine(const QByteArray &line)
{
    if (writeWholeLine(*file, line))
        return true;
    logError = file->errorString();
    if (logError.isEmpty() || file->error() == QFileDevice::NoError)
        logError = QStringLiteral("write failed");
    file.reset();
    return false;
}

QVector<TrafficRecord> TrafficLog::recordsSince(quint64 after, quint64 *last) const
{
    QMutexLocker lock(&mutex);
    QVector<TrafficRecord> out;
    const quint64 inRing = newest > quint64(RingCapacity) ? newest - RingCapacity + 1 : 1;
    const quint64 first = qMax(qMax(after + 1, inRing), oldestKept);
    if (first <= newest) {
        out.reserve(int(newest - first + 1));
        for (quint64 s = first; s <= newest; ++s)
            out.append(ring[int((s - 1) % RingCapacity)]);
    }
    if (last)
        *last = qMax(after, newest);
    return out;
}

quint64 TrafficLog::lastSequence() const
{
    QMutexLocker lock(&mutex);
    return newest;
}

void TrafficLog::clearRecords()
{
    QMutexLocker lock(&mutex);
    oldestKept = newest + 1;
}

TrafficStatistics TrafficLog::statistics() const
{
    QMutexLocker lock(&mutex);
    TrafficStatistics s;
    s.requests = requests;
    s.failures = failures;
    s.timeouts = timeouts;
    s.exceptions = exceptions;
    if (answered > 0) {
        s.meanMs = double(sumUs) / double(answered) / 1000.0;
        s.worstMs = double(worstUs) / 1000.0;
        const quint64 rank = (answered * 95 + 99) / 100; // the 95th percentile's place, rounded up
        quint64 seen = 0;
        for (int b = 0; b < histogram.size(); ++b) {
            seen += histogram[b];
            if (seen >= rank) {
                s.p95Ms = qMin(bucketTopMs(b), s.worstMs);
                break;
            }
        }
    }
    return s;
}

void TrafficLog::resetStatistics()
{
    QMutexLocker lock(&mutex);
    requests = failures = timeouts = exceptions = answered = 0;
    sumUs = worstUs = 0;
    histogram.fill(0);
}

bool TrafficLog::setFile(const QString &path, QString *error)
{
    QMutexLocker lock(&mutex);
    file.reset();
    logPath = path;
    logError.clear();
    if (path.isEmpty())
        return true;
    auto f = std::make_unique<QFile>();
    QString reason;
    if (!openLogFile(*f, path, &reason)
        || (f->size() == 0 && !writeWholeLine(*f, trafficCsvHeader().toUtf8() + '\n'))) {
        if (reason.isEmpty())
            reason = f->errorString();
        if (error)
            *error = reason;
        logPath.clear();
        return false;
    }
    file = std::move(f);
    return true;
}

QString TrafficLog::fileError() const
{
    QMutexLocker lock(&mutex);
    return logError;
}

QString TrafficLog::filePath() const
{
    QMutexLocker lock(&mutex);
    return logPath;
}
