#include "workbook/exceltowrite.h"

#include "link/linksession.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/encoding.h"
#include "params/logcategories.h"
#include "params/registermap.h"
#include "workbook/blockread.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QModbusClient>
#include <QPointer>
#include <QThread>

#include <cstdio>
#include <memory>
#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// A register address as a row gives it: an unsigned decimal within the register space.
bool rowAddress(const QString &text, int *address)
{
    if (!isUnsignedCell(text))
        return false;
    const quint32 value = cellUnsigned(text);
    if (value > 65535)
        return false;
    *address = int(value);
    return true;
}

// One value of one or two registers from the device (the 32-bit value in the
// target's word order).
TransactionResult readRowValue(const LinkTarget &target, int address, int count, quint32 *value)
{
    quint16 registers[2] = {0, 0};
    const TransactionResult result
        = readRegisters(target, QModbusDataUnit::HoldingRegisters, address, count, registers);
    if (result == Ok)
        *value = count == 2 ? quint32(joinWords(registers[0], registers[1], target.wordOrder)) : registers[0];
    return result;
}

// The single-value write: count 1 the low 16 bits, count 2 the 32-bit value in
// the target's word order.
TransactionResult writeRowValue(const LinkTarget &target, int address, int count, quint32 value)
{
    quint16 registers[2] = {0, 0};
    const int registerCount = encodeRegisters(qint32(value), count, target.wordOrder, registers);
    return writeRegisters(target, address, registerCount, registers);
}

// A legacy binary workbook (.xls): the name says so, or the file starts with
// the compound-document signature those files have.
bool isLegacyWorkbook(const QString &path)
{
    if (path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(8) == QByteArray::fromHex("d0cf11e0a1b11ae1");
}

// Moves from over to in one step, replacing an existing file.
bool replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(from).utf16()),
               reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(to).utf16()),
               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

// A file that is removed when the scope ends, unless it was handed on.
class TemporaryPath
{
public:
    explicit TemporaryPath(const QString &path)
        : m_path(path)
    {
    }
    ~TemporaryPath()
    {
        if (!m_path.isEmpty())
            QFile::remove(m_path);
    }
    TemporaryPath(const TemporaryPath &) = delete;
    TemporaryPath &operator=(const TemporaryPath &) = delete;
    void release() { m_path.clear(); }

private:
    QString m_path;
};

// Clears the running flag of a run however it ends.
class RunningFlag
{
public:
    explicit RunningFlag(bool *flag)
        : m_flag(flag)
    {
        *m_flag = true;
    }
    ~RunningFlag() { *m_flag = false; }
    RunningFlag(const RunningFlag &) = delete;
    RunningFlag &operator=(const RunningFlag &) = delete;

private:
    bool *m_flag;
};

} // namespace

ExelToWrite::ExelToWrite(QObject *parent)
    : QObject(parent)
{
}

LinkTarget ExelToWrite::runTarget(QModbusClient *client) const
{
    if (m_ownTarget)
        return m_target;
    // The process's link: its server address and word order, a default response time.
    return processLinkTarget(client, LinkParameters());
}

void ExelToWrite::cancel()
{
    if (m_running)
        m_cancelRequested = true;
}

void ExelToWrite::startRun()
{
    m_lastError.clear();
    m_lastErrorText.clear();
    m_lastErrorDetail.clear();
    m_failedRows = m_transferredRows = m_skippedRows = m_unconfirmedWrites = 0;
    m_failedAddresses.clear();
    m_rowCount = 0;
    m_firstRowNotDone = 0;
    m_cancelRequested = false;
    m_silentRows = 0;
    m_firstSilentRow = 0;
    m_silentAddresses.clear();
    m_unchangedRows = m_verifiedRows = m_mismatchedRows = 0;
    m_mismatchedAddresses.clear();
    m_differences.clear();
    m_deviceRows.clear();
    m_writes.clear();
    m_writeOfRow.clear();
    m_lastRows.clear();
    m_phase = Reading;
    m_readRequests = 0;
}

int ExelToWrite::reportError(int code, const char *errorName, const QString &text, const QString &detail)
{
    m_lastError = QString::fromLatin1(errorName);
    m_lastErrorText = text;
    m_lastErrorDetail = detail;
    qCDebug(lcWorkbook).noquote() << "run failed:" << errorName << text;
    emit errorReported(text);
    return code;
}

ExelToWrite::PathKind ExelToWrite::workbookPathKind(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return PathKind::Folder;
    if (!info.exists())
        return path.contains(QChar(QChar::ReplacementCharacter)) ? PathKind::NameNotUtf8 : PathKind::Missing;
    return info.isFile() ? PathKind::RegularFile : PathKind::OtherFile;
}

QString ExelToWrite::workbookPathProblem(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    switch (workbookPathKind(path)) {
    case PathKind::RegularFile:
        break;
    case PathKind::Missing:
        return tr("%1: no such file").arg(shown);
    case PathKind::Folder:
        return tr("%1 is a folder, not a workbook").arg(shown);
    case PathKind::NameNotUtf8:
        return tr("%1: the file name is not valid UTF-8 (rename the file)").arg(shown);
    case PathKind::OtherFile:
        return tr("%1 is not a regular file").arg(shown);
    }
    return QString();
}

void ExelToWrite::runFileWork(const std::function<void()> &work)
{
    if (!backgroundFileWork) {
        work();
        return;
    }
    std::unique_ptr<QThread> thread(QThread::create(work));
    // The queued call wakes the wait below as soon as the work is over.
    connect(
        thread.get(), &QThread::finished, this, [] {}, Qt::QueuedConnection);
    thread->start();
    while (!thread->isFinished())
        waitProcessingEvents(10);
    thread->wait();
}

void ExelToWrite::keepEventsFlowing(int row)
{
    // Rows without a transaction pass without a wait; a window run still
    // repaints and sees Cancel now and then.
    if (backgroundFileWork && row % 256 == 0)
        QCoreApplication::processEvents();
}

void ExelToWrite::noteFailure(int address)
{
    ++m_failedRows;
    if (m_failedAddresses.size() < ReportedAddresses)
        m_failedAddresses.append(address);
}

void ExelToWrite::settleSilentRows()
{
    for (const int address : qAsConst(m_silentAddresses))
        noteFailure(address);
    m_silentRows = 0;
    m_silentAddresses.clear();
}

// Counts the outcome of one row's transaction. Returns 0 to go on, or the
// result that ends the run.
int ExelToWrite::judgeTransaction(int result, int row, int address)
{
    if (result == TimedOut) {
        if (m_silentRows == 0)
            m_firstSilentRow = row;
        ++m_silentRows;
        m_silentAddresses.append(address);
        if (m_silentRows < MaxSilentRows)
            return 0;
        // The device has gone quiet: these rows are not done, nor is anything after them.
        // Their writes went out all the same, and the device may have taken them.
        if (m_phase == Writing)
            m_unconfirmedWrites = m_silentRows;
        m_firstRowNotDone = m_firstSilentRow;
        m_silentRows = 0;
        m_silentAddresses.clear();
        return NoAnswer;
    }
    // The rows before an answer (or before the link went away) that got none are failed rows.
    settleSilentRows();
    if (result == NoConnection) {
        m_firstRowNotDone = row;
        return LinkLost;
    }
    if (result == Ok)
        ++m_transferredRows;
    else
        noteFailure(address);
    return 0;
}

// Opens the workbook, finds the parameter sheet and its row count. Returns 0
// when the rows can be processed, otherwise the result code of the run (the
// failure reported through errorReported, the workbook closed).
int ExelToWrite::openParameterSheet(XlsxWorkbook &workbook, const QString &path, XlsxSheet **sheet, int *rows)
{
    enum Failure { None, Missing, Unreadable, NoSheetList, NoSheet, Empty };
    Failure failure = None;
    QString detail;
    QString pathProblem;
    int columns = 0;
    bool counted = false;
    bool legacy = false;
    // Reading and parsing the file is the slow part: off the calling thread when asked.
    runFileWork([&] {
        pathProblem = workbookPathProblem(path);
        if (!pathProblem.isEmpty()) {
            qCDebug(lcWorkbook).noquote() << "cannot open" << path << ":" << pathProblem;
            failure = Missing;
            return;
        }
        qCDebug(lcWorkbook).noquote() << "opening" << path;
        if (!workbook.open(path)) {
            qCDebug(lcWorkbook).noquote() << "cannot read" << path << workbook.errorString();
            detail = workbook.errorString();
            legacy = isLegacyWorkbook(path);
            failure = Unreadable;
            return;
        }
        if (workbook.sheetNames().isEmpty()) {
            qCDebug(lcWorkbook) << "no worksheets";
            workbook.close();
            failure = NoSheetList;
            return;
        }
        if (!workbook.sheetNames().contains(ParameterSheetName, Qt::CaseInsensitive)) {
            qCDebug(lcWorkbook) << "no parameter worksheet";
            workbook.close();
            failure = NoSheet;
            return;
        }
        *sheet = workbook.sheet(ParameterSheetName);
        if (!*sheet) {
            // The sheet is listed but its part cannot be read: the file is damaged.
            qCDebug(lcWorkbook).noquote() << "cannot read the parameter worksheet:" << workbook.errorString();
            detail = workbook.errorString();
            workbook.close();
            failure = Unreadable;
            return;
        }
        *rows = (*sheet)->rowCount();
        columns = (*sheet)->columnCount();
        counted = true;
        if (*rows < 1) {
            qCDebug(lcWorkbook) << "the parameter worksheet is empty";
            workbook.close();
            failure = Empty;
        }
    });
    if (counted) {
        m_rowCount = *rows;
        emit ShowMaxnRowssignal(*rows);
    }
    switch (failure) {
    case None:
        break;
    case Missing:
        return reportError(OpenFailed, "error1", pathProblem);
    case Unreadable: {
        // An old binary workbook (by its name or its content) gets a reason the user can act on.
        const QString shown = QDir::toNativeSeparators(path);
        if (legacy) {
            const QString reason = tr("not an .xlsx workbook: save it as .xlsx");
            return reportError(OpenFailed, "error2", tr("%1: %2").arg(shown, reason), reason);
        }
        const QString text = tr("%1 is not a readable .xlsx workbook").arg(shown);
        return reportError(
            OpenFailed, "error2", detail.isEmpty() ? text : tr("%1: %2").arg(text, detail), detail);
    }
    case NoSheetList:
        return reportError(
            NoSheets, "error3", tr("%1 holds no worksheet").arg(QDir::toNativeSeparators(path)));
    case NoSheet:
        return reportError(NoParameterSheet, "error4",
            tr("%1 has no worksheet \"%2\"").arg(QDir::toNativeSeparators(path), ParameterSheetName));
    case Empty:
        return reportError(NoRows, "error5",
            tr("the worksheet \"%1\" of %2 is empty")
                .arg(ParameterSheetName, QDir::toNativeSeparators(path)));
    }
    qCDebug(lcWorkbook) << "parameter worksheet:" << *rows << "rows," << columns << "columns";
    return 0;
}

void ExelToWrite::enterPhase(int phase, int total)
{
    m_phase = phase;
    emit phaseChanged(phase);
    emit progress(phase, 0, total);
}

void ExelToWrite::beginLink(QModbusClient *client)
{
    m_link = runTarget(client);
    m_liveClient = m_link.client;
}

bool ExelToWrite::linkStopped() const
{
    return (m_link.followsSuspend && m_link.session && m_link.session->linkSuspended)
        || (m_link.client && !m_liveClient);
}

// Before each request: the link may have been stopped, or the run cancelled,
// while events were processed. Returns 0 to go on, or the result that ends the run.
int ExelToWrite::prepareRequest(int row)
{
    if (linkStopped()) {
        m_firstRowNotDone = row;
        return Stopped;
    }
    waitProcessingEvents(1);
    if (linkStopped()) {
        m_firstRowNotDone = row;
        return Stopped;
    }
    if (m_cancelRequested) {
        m_firstRowNotDone = row;
        return Cancelled;
    }
    return 0;
}

void ExelToWrite::planPass(BlockPass &pass, const QVector<int> &starts, const QVector<int> &counts) const
{
    QVector<RegisterSpan> spans;
    spans.reserve(starts.size());
    for (int i = 0; i < starts.size(); ++i)
        spans.append({starts.at(i), counts.at(i)});
    pass.blocks = planReadBlocks(spans, blockReads);
    pass.blockOf.fill(0, spans.size());
    for (int b = 0; b < pass.blocks.size(); ++b) {
        for (const int member : qAsConst(pass.blocks.at(b).members))
            pass.blockOf[member] = b;
    }
    pass.state.fill(0, pass.blocks.size());
    pass.buffer.clear();
    pass.bufferBlock = -1;
    pass.spanStart = starts;
    pass.spanCount = counts;
}

// The device value of one span: from its block, read when its first span asks
// for it; a block that fails is read again row by row, so one refused register
// costs its own row only. Returns 0 with *result set, or the result that ends
// the run (the link stopped, the run cancelled).
int ExelToWrite::readSpan(BlockPass &pass, int span, int row, TransactionResult *result, quint32 *value)
{
    const int b = pass.blockOf.at(span);
    const ReadBlock &block = pass.blocks.at(b);
    const int address = pass.spanStart.at(span);
    const int count = pass.spanCount.at(span);
    if (pass.state.at(b) == 0) {
        if (const int end = prepareRequest(row))
            return end;
        pass.buffer.fill(0, block.count);
        ++m_readRequests;
        const TransactionResult blockResult = readRegisters(
            m_link, QModbusDataUnit::HoldingRegisters, block.start, block.count, pass.buffer.data());
        if (blockResult == Ok) {
            pass.state[b] = 1;
            pass.bufferBlock = b;
        } else {
            pass.state[b] = 2;
            // A block of this row alone, or a link that is gone: that is the row's outcome.
            if (block.members.size() == 1 || blockResult == NoConnection) {
                *result = blockResult;
                return 0;
            }
            qCDebug(lcWorkbook).noquote() << QStringLiteral("block %1 count %2 not read (%3): row by row")
                                                 .arg(block.start)
                                                 .arg(block.count)
                                                 .arg(trafficResultText(blockResult, 0));
        }
    }
    if (pass.state.at(b) == 1 && pass.bufferBlock == b) {
        const int offset = address - block.start;
        *value = count == 2
            ? quint32(joinWords(pass.buffer.at(offset), pass.buffer.at(offset + 1), m_link.wordOrder))
            : pass.buffer.at(offset);
        *result = Ok;
        return 0;
    }
    if (const int end = prepareRequest(row))
        return end;
    ++m_readRequests;
    *result = readRowValue(m_link, address, count, value);
    return 0;
}

int ExelToWrite::readImportSheet(const QString &path, ImportSheet *result)
{
    startRun();
    const RunningFlag running(&m_running);
    return readSheetRows(path, result);
}

int ExelToWrite::readSheetRows(const QString &path, ImportSheet *result)
{
    XlsxWorkbook workbook;
    XlsxSheet *sheet = nullptr;
    int rows = 0;
    if (const int failure = openParameterSheet(workbook, path, &sheet, &rows))
        return failure;
    // Taking the cells of a big sheet is slow too: off the calling thread when asked.
    runFileWork([&] {
        result->rowCount = rows;
        result->rows.clear();
        result->rows.reserve(qMax(0, rows - 1));
        for (int r = 2; r <= rows; ++r) {
            SheetRow row;
            row.row = r;
            const QString addressText = sheet->cellText(r, ColumnAddress);
            const QString countText = sheet->cellText(r, ColumnCount);
            const QString valueText = sheet->cellText(r, ColumnValue);
            const quint16 count = quint16(cellUnsigned(countText));
            row.name = sheet->cellText(r, ColumnName);
            row.selected = countText.contains(QLatin1Char('1')) || countText.contains(QLatin1Char('2'));
            row.count = count;
            // Only one and two registers are defined; a value that is not an
            // integer of the row's width (empty, fractional, text, negative in a
            // one-register row), a value too wide for its one register, a row
            // without a usable address, or a row whose limits contradict each
            // other is left alone rather than written as something else.
            quint32 minimum = 0;
            quint32 maximum = 0;
            if (row.selected && (count == 1 || count == 2) && rowAddress(addressText, &row.address)
                && cellPattern(valueText, count, &row.value) && !(count == 1 && row.value > 0xFFFF)) {
                // Limits that are no integer count as 0, as they always have.
                cellPattern(sheet->cellText(r, ColumnMinimum), count, &minimum);
                cellPattern(sheet->cellText(r, ColumnMaximum), count, &maximum);
                const LimitCheck check = checkLimits(row.value, minimum, maximum, count);
                row.valid = check == LimitCheck::Within;
                if (check == LimitCheck::InvalidLimits)
                    qCDebug(lcWorkbook) << "row" << r << "skipped: its minimum is above its maximum";
            }
            result->rows.append(row);
        }
        // Releasing a big parsed sheet takes a while too.
        workbook.close();
    });
    return 0;
}

namespace {

// The device's registers and a row's value compare as register patterns: one
// register 16 bits, two registers 32 bits.
bool samePattern(quint32 device, quint32 file, int count)
{
    return count == 2 ? device == file : (device & 0xFFFF) == (file & 0xFFFF);
}

} // namespace

// Reads the device values of the valid rows (known: 1 read, 0 could not be read).
int ExelToWrite::readDevice(const ImportSheet &sheet, QVector<qint8> *known, QVector<quint32> *device)
{
    const int total = sheet.rows.size();
    known->fill(0, total);
    device->fill(0, total);
    QVector<int> rowsRead; // row index per span
    QVector<int> starts;
    QVector<int> counts;
    for (int i = 0; i < total; ++i) {
        const SheetRow &row = sheet.rows.at(i);
        if (row.valid) {
            rowsRead.append(i);
            starts.append(row.address);
            counts.append(row.count);
        }
    }
    enterPhase(Reading, total);
    emit barRange(Bar::Import, 0, qMax(1, total));
    BlockPass pass;
    planPass(pass, starts, counts);
    int silent = 0;
    for (int s = 0; s < rowsRead.size(); ++s) {
        const int i = rowsRead.at(s);
        const SheetRow &row = sheet.rows.at(i);
        if (m_cancelRequested) {
            m_firstRowNotDone = 2;
            return Cancelled;
        }
        TransactionResult result = Ok;
        quint32 value = 0;
        if (const int end = readSpan(pass, s, row.row, &result, &value)) {
            m_firstRowNotDone = 2; // nothing written yet
            return end;
        }
        if (result == NoConnection) {
            m_firstRowNotDone = 2;
            return linkStopped() ? Stopped : LinkLost;
        }
        if (result == TimedOut) {
            if (++silent >= MaxSilentRows) {
                m_firstRowNotDone = 2; // nothing written yet
                return NoAnswer;
            }
        } else {
            silent = 0;
        }
        if (result == Ok) {
            (*known)[i] = 1;
            (*device)[i] = value;
        } else {
            qCDebug(lcWorkbook).noquote() << QStringLiteral("%1 count %2 not read before writing: %3")
                                                 .arg(row.address)
                                                 .arg(row.count)
                                                 .arg(trafficResultText(result, 0));
        }
        emit barValue(Bar::Import, i + 1);
        emit progress(Reading, i + 1, total);
        keepEventsFlowing(s);
    }
    emit progress(Reading, total, total);
    return 0;
}

int ExelToWrite::writeRows(const ImportSheet &sheet, const QVector<qint8> &known,
    const QVector<quint32> &device, QVector<int> *written)
{
    const int rows = sheet.rowCount;
    const int total = sheet.rows.size();
    enterPhase(Writing, total);
    emit barRange(Bar::Import, 1, rows);
    for (int i = 0; i < total; ++i) {
        const SheetRow &row = sheet.rows.at(i);
        const int r = row.row;
        if (m_cancelRequested) {
            m_firstRowNotDone = r;
            return Cancelled;
        }
        emit barValue(Bar::Import, r);
        emit rowProcessed(r, rows);
        emit progress(Writing, i + 1, total);
        if (!row.selected) {
            ++m_skippedRows;
            keepEventsFlowing(r);
            continue;
        }
        if (linkStopped()) {
            m_firstRowNotDone = r;
            return Stopped;
        }
        if (!row.valid) {
            ++m_skippedRows;
            keepEventsFlowing(r);
            continue;
        }
        if (!allRows && known.at(i) && samePattern(device.at(i), row.value, row.count)) {
            ++m_unchangedRows;
            keepEventsFlowing(r);
            continue;
        }
        // Written after the others (writeLastRows).
        if (m_lastRows.contains(i))
            continue;
        if (const int end = writeRow(sheet, i, known.at(i), device.at(i), written))
            return end;
    }
    return 0;
}

// Writes one row; 0 to go on, or the result that ends the run.
int ExelToWrite::writeRow(
    const ImportSheet &sheet, int index, bool oldKnown, quint32 oldValue, QVector<int> *written)
{
    const SheetRow &row = sheet.rows.at(index);
    const int r = row.row;
    if (const int end = prepareRequest(r))
        return end;
    const TransactionResult result = writeRowValue(m_link, row.address, row.count, row.value);
    noteWrite(row, index, oldKnown, oldValue, result);
    if (result != Ok) {
        if (linkStopped()) {
            m_firstRowNotDone = r;
            return Stopped;
        }
        qCDebug(lcWorkbook).noquote() << QStringLiteral("%1 count %2 not written: %3")
                                             .arg(row.address)
                                             .arg(row.count)
                                             .arg(trafficResultText(result, 0));
    }
    if (const int end = judgeTransaction(result, r, row.address))
        return end;
    if (result == Ok && written)
        written->append(index);
    return 0;
}

// The rows that may take the link away, after everything else is written and
// read back. Their read-back would go over a link the device may no longer
// answer on: they stay NotReadBack, counted neither verified nor mismatched.
int ExelToWrite::writeLastRows(
    const ImportSheet &sheet, const QVector<qint8> &known, const QVector<quint32> &device)
{
    if (m_lastRows.isEmpty())
        return 0;
    enterPhase(Writing, m_lastRows.size());
    int done = 0;
    for (const int i : qAsConst(m_lastRows)) {
        if (m_cancelRequested) {
            m_firstRowNotDone = sheet.rows.at(i).row;
            return Cancelled;
        }
        if (const int end = writeRow(sheet, i, known.at(i), device.at(i), nullptr))
            return end;
        emit progress(Writing, ++done, m_lastRows.size());
    }
    return 0;
}

// Hands the rows about to be written to reviewWrites; false when it says no.
bool ExelToWrite::reviewPlannedWrites(
    const ImportSheet &sheet, const QVector<qint8> &known, const QVector<quint32> &device)
{
    m_lastRows.clear();
    if (!reviewWrites)
        return true;
    QVector<PlannedWrite> planned;
    QVector<int> indexes;
    for (int i = 0; i < sheet.rows.size(); ++i) {
        const SheetRow &row = sheet.rows.at(i);
        if (!row.selected || !row.valid
            || (!allRows && known.at(i) && samePattern(device.at(i), row.value, row.count)))
            continue;
        planned.append({row.address, row.count, known.at(i) != 0,
            row.count == 2 ? device.at(i) : (device.at(i) & 0xFFFF), row.value});
        indexes.append(i);
    }
    if (planned.isEmpty())
        return true;
    const WritePlan plan = reviewWrites(planned);
    if (!plan.go)
        return false;
    for (int k = 0; k < planned.size(); ++k) {
        if (plan.lastAddresses.contains(planned.at(k).address))
            m_lastRows.append(indexes.at(k));
    }
    return true;
}

// Reads back every written row and compares it with the file's value.
int ExelToWrite::verifyRows(const ImportSheet &sheet, const QVector<int> &written)
{
    const int total = written.size();
    enterPhase(Verifying, total);
    emit barRange(Bar::Import, 0, qMax(1, total));
    QVector<int> starts;
    QVector<int> counts;
    for (const int i : written) {
        starts.append(sheet.rows.at(i).address);
        counts.append(sheet.rows.at(i).count);
    }
    BlockPass pass;
    planPass(pass, starts, counts);
    int silent = 0;
    for (int s = 0; s < total; ++s) {
        const SheetRow &row = sheet.rows.at(written.at(s));
        if (m_cancelRequested) {
            m_firstRowNotDone = row.row;
            return Cancelled;
        }
        TransactionResult result = Ok;
        quint32 value = 0;
        if (const int end = readSpan(pass, s, row.row, &result, &value))
            return end;
        if (result == NoConnection) {
            m_firstRowNotDone = row.row;
            return linkStopped() ? Stopped : LinkLost;
        }
        if (result == TimedOut) {
            if (++silent >= MaxSilentRows) {
                m_firstRowNotDone = row.row;
                return NoAnswer;
            }
        } else {
            silent = 0;
        }
        RowWrite &write = m_writes[m_writeOfRow.value(written.at(s))];
        write.check = result == Ok && samePattern(value, row.value, row.count) ? RowWrite::Verified
            : result == Ok                                                     ? RowWrite::Mismatched
                                                                               : RowWrite::NotReadBack;
        write.readBack = row.count == 2 ? value : (value & 0xFFFF);
        if (write.check == RowWrite::Verified) {
            ++m_verifiedRows;
        } else {
            // Read back differently, or not at all: the device is not known to hold the file's value.
            ++m_mismatchedRows;
            if (m_mismatchedAddresses.size() < ReportedAddresses)
                m_mismatchedAddresses.append(row.address);
            if (result == Ok)
                qCDebug(lcWorkbook).noquote()
                    << QStringLiteral("%1 wrote %2, read back %3").arg(row.address).arg(row.value).arg(value);
            else
                qCDebug(lcWorkbook).noquote() << QStringLiteral("%1 not read back: %2")
                                                     .arg(row.address)
                                                     .arg(trafficResultText(result, 0));
        }
        emit barValue(Bar::Import, s + 1);
        emit progress(Verifying, s + 1, total);
        keepEventsFlowing(s);
    }
    return 0;
}

int ExelToWrite::importWorkbook(const QString &path, QModbusClient *client)
{
    startRun();
    const RunningFlag running(&m_running);
    ImportSheet sheet;
    if (const int failure = readSheetRows(path, &sheet))
        return failure;
    return runImport(sheet, client);
}

int ExelToWrite::importSheet(const ImportSheet &sheet, QModbusClient *client)
{
    startRun();
    const RunningFlag running(&m_running);
    return runImport(sheet, client);
}

int ExelToWrite::runImport(const ImportSheet &sheet, QModbusClient *client)
{
    m_rowCount = sheet.rowCount;
    beginLink(client);
    // No poll tick may start while the rows are read and written; the writes
    // on the process's link are the import's (a clone tags its own links).
    std::optional<LinkHold> hold;
    std::optional<WriteSourceScope> source;
    if (!m_ownTarget) {
        hold.emplace(linkSession());
        source.emplace(linkSession(), writeSource);
    }
    QVector<qint8> known;
    QVector<quint32> device;
    QVector<int> written;
    int outcome = 0;
    bool anyValid = false;
    for (const SheetRow &row : sheet.rows)
        anyValid = anyValid || row.valid;
    // Nothing to compare with when every row is written anyway (or none can be).
    if (!allRows && anyValid)
        outcome = readDevice(sheet, &known, &device);
    else
        known.fill(0, sheet.rows.size());
    if (outcome == 0) {
        device.resize(sheet.rows.size());
        if (!reviewPlannedWrites(sheet, known, device)) {
            m_firstRowNotDone = 2;
            outcome = Declined;
        }
    }
    if (outcome == 0) {
        outcome = writeRows(sheet, known, device, &written);
        // Rows without an answer at the end, fewer than would end the run, are failed rows.
        settleSilentRows();
    }
    if (outcome == 0 && !written.isEmpty())
        outcome = verifyRows(sheet, written);
    if (outcome == 0) {
        outcome = writeLastRows(sheet, known, device);
        settleSilentRows();
    }
    source.reset();
    hold.reset();
    collectDeviceRows(sheet, known, device);
    qCDebug(lcWorkbook).noquote() << QStringLiteral(
        "import: %1 written, %2 unchanged, %3 failed, %4 skipped, %5 verified, %6 mismatched")
                                         .arg(m_transferredRows)
                                         .arg(m_unchangedRows)
                                         .arg(m_failedRows)
                                         .arg(m_skippedRows)
                                         .arg(m_verifiedRows)
                                         .arg(m_mismatchedRows);
    if (outcome != 0)
        return outcome;
    if (m_failedRows > 0 || m_mismatchedRows > 0)
        return RowsFailed;
    return Done;
}

int ExelToWrite::compareWorkbook(const QString &path, QModbusClient *client)
{
    startRun();
    ImportSheet sheet;
    {
        const RunningFlag running(&m_running);
        if (const int failure = readSheetRows(path, &sheet))
            return failure;
    }
    return compareSheet(sheet, client);
}

int ExelToWrite::compareSheet(const ImportSheet &sheet, QModbusClient *client)
{
    startRun();
    const RunningFlag running(&m_running);
    m_rowCount = sheet.rowCount;
    beginLink(client);
    std::optional<LinkHold> hold;
    if (!m_ownTarget)
        hold.emplace(linkSession());
    QVector<qint8> known;
    QVector<quint32> device;
    const int outcome = readDevice(sheet, &known, &device);
    hold.reset();
    collectDeviceRows(sheet, known, device);
    if (outcome != 0)
        return outcome;
    for (int i = 0; i < sheet.rows.size(); ++i) {
        const SheetRow &row = sheet.rows.at(i);
        if (!row.valid) {
            ++m_skippedRows;
            continue;
        }
        if (known.at(i) && samePattern(device.at(i), row.value, row.count)) {
            ++m_unchangedRows;
            continue;
        }
        RowDifference d;
        d.row = row.row;
        d.address = row.address;
        d.count = row.count;
        d.deviceRead = known.at(i);
        d.device = row.count == 2 ? device.at(i) : (device.at(i) & 0xFFFF);
        d.file = row.value;
        d.name = row.name;
        m_differences.append(d);
    }
    return Done;
}

int ExelToWrite::exportWorkbook(const QString &path, QModbusClient *client, int language)
{
    startRun();
    const RunningFlag running(&m_running);
    XlsxWorkbook workbook;
    XlsxSheet *sheet = nullptr;
    int rows = 0;
    if (const int failure = openParameterSheet(workbook, path, &sheet, &rows))
        return failure;

    // The rows to read: a register address and one or two registers; anything
    // else keeps its value cell instead of receiving some unrelated register.
    QVector<int> spanOfRow(rows + 1, -1);
    QVector<int> starts;
    QVector<int> counts;
    runFileWork([&] {
        for (int r = 2; r <= rows; ++r) {
            int address = 0;
            const quint16 count = quint16(cellUnsigned(sheet->cellText(r, ColumnCount)));
            if (!rowAddress(sheet->cellText(r, ColumnAddress), &address) || (count != 1 && count != 2))
                continue;
            spanOfRow[r] = starts.size();
            starts.append(address);
            counts.append(count);
        }
    });
    beginLink(client);
    std::optional<LinkHold> hold;
    if (!m_ownTarget)
        hold.emplace(linkSession());
    emit barRange(Bar::Export, 1, rows);
    enterPhase(Reading, qMax(0, rows - 1));
    BlockPass pass;
    planPass(pass, starts, counts);
    sheet->setCellText(1, ColumnValue, exportHeaderText(language));
    int outcome = Done;
    for (int r = 2; r <= rows; ++r) {
        if (m_cancelRequested) {
            m_firstRowNotDone = r;
            outcome = Cancelled;
            break;
        }
        emit barValue(Bar::Export, r);
        emit rowProcessed(r, rows);
        emit progress(Reading, r - 1, rows - 1);
        if (sheet->cellText(r, ColumnAddress).isEmpty()) {
            ++m_skippedRows;
            keepEventsFlowing(r);
            continue;
        }
        // Not saved when the link is stopped: the file stays as it was.
        if (linkStopped()) {
            m_firstRowNotDone = r;
            return Stopped;
        }
        const int span = spanOfRow.at(r);
        if (span < 0) {
            ++m_skippedRows;
            keepEventsFlowing(r);
            continue;
        }
        TransactionResult result = Ok;
        quint32 value = 0;
        if (const int end = readSpan(pass, span, r, &result, &value)) {
            if (end == Stopped)
                return Stopped;
            outcome = end;
            break;
        }
        if (result != Ok) {
            if (linkStopped()) {
                m_firstRowNotDone = r;
                return Stopped;
            }
            value = quint32(FailureMarker);
            qCDebug(lcWorkbook).noquote() << QStringLiteral("%1 count %2 not read: %3")
                                                 .arg(starts.at(span))
                                                 .arg(counts.at(span))
                                                 .arg(trafficResultText(result, 0));
        }
        m_deviceRows.append({starts.at(span), counts.at(span), sheet->cellText(r, ColumnName), result == Ok,
            result == Ok ? value : 0});
        if (const int end = judgeTransaction(result, r, starts.at(span))) {
            outcome = end;
            break;
        }
        sheet->setCellText(r, ColumnValue, QString::number(value));
        keepEventsFlowing(r);
    }
    settleSilentRows();
    hold.reset();
    if (outcome != Done) {
        // An incomplete export is not saved.
        runFileWork([&] { workbook.close(); });
        return outcome;
    }
    bool saved = false;
    QString saveError;
    runFileWork([&] {
        saved = workbook.save();
        if (!saved)
            saveError = workbook.errorString();
        workbook.close();
    });
    if (!saved) {
        qCDebug(lcWorkbook).noquote() << "export not saved:" << saveError;
        m_lastErrorDetail = saveError;
        return SaveFailed;
    }
    if (m_failedRows > 0) {
        qCDebug(lcWorkbook) << "export:" << m_failedRows << "rows not read";
        return RowsFailed;
    }
    return Done;
}

int ExelToWrite::exportToFile(
    const QString &templatePath, const QString &target, QModbusClient *client, int language)
{
    startRun();
    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.absolutePath();
    if (!QFileInfo(templatePath).isFile()) {
        // No template: nothing to fill, and the target is not touched.
        qCDebug(lcWorkbook).noquote() << "no template" << templatePath;
        return reportError(
            OpenFailed, "error1", tr("no template %1").arg(QDir::toNativeSeparators(templatePath)));
    }

    // The run fills a copy of the template beside the target (same folder, so
    // the final rename stays on one file system).
    QString copyPath;
    bool copied = false;
    // Cancel counts from here on: the copy processes events while it is made.
    {
        const RunningFlag copying(&m_running);
        runFileWork([&] {
            QDir().mkpath(folder);
            // A new file as any other: the umask decides who may read it.
            copyPath = xlsxNewFile(
                folder + QStringLiteral("/.") + targetInfo.fileName() + QStringLiteral(".part-"));
            QFile copy(copyPath);
            QFile source(templatePath);
            if (copyPath.isEmpty() || !copy.open(QIODevice::WriteOnly))
                return;
            if (source.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = source.readAll();
                copied = source.error() == QFileDevice::NoError && copy.write(bytes) == bytes.size()
                    && copy.flush();
            }
            copy.close();
        });
    }
    TemporaryPath copyGuard(copyPath);
    if (!copied) {
        m_lastErrorDetail = QStringLiteral("cannot write a new file in %1").arg(folder);
        qCDebug(lcWorkbook).noquote() << "export not saved:" << m_lastErrorDetail;
        return SaveFailed;
    }
    // The new file gets the permissions of the one it replaces; a first export
    // keeps the ones the umask gave it.
    if (targetInfo.exists())
        QFile::setPermissions(copyPath, targetInfo.permissions() | QFileDevice::WriteOwner);
    if (m_cancelRequested) {
        m_firstRowNotDone = 2;
        return Cancelled;
    }

    const int result = exportWorkbook(copyPath, client, language);
    if (result != Done && result != RowsFailed)
        return result;
    if (!replaceFile(copyPath, targetInfo.absoluteFilePath())) {
        m_lastErrorDetail = QStringLiteral("cannot replace %1").arg(target);
        qCDebug(lcWorkbook).noquote() << "export not saved:" << m_lastErrorDetail;
        return SaveFailed;
    }
    copyGuard.release();
    return result;
}
