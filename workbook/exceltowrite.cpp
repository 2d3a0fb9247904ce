#include "workbook/exceltowrite.h"

#include "dialogs/popups.h"
#include "link/linkstate.h"
#include "link/transactions.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QModbusClient>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryFile>
#include <QThread>

#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

bool importIdle = true;
bool exportIdle = true;

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

void setBar(QProgressBar *bar, int value)
{
    if (bar)
        bar->setValue(value);
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
    m_lastErrorDetail.clear();
    m_failedRows = m_transferredRows = m_skippedRows = 0;
    m_failedAddresses.clear();
    m_rowCount = 0;
    m_firstRowNotDone = 0;
    m_cancelRequested = false;
    m_silentRows = 0;
    m_firstSilentRow = 0;
    m_silentAddresses.clear();
}

int ExelToWrite::reportError(int code, const char *errorName, const QString &detail)
{
    m_lastError = QString::fromLatin1(errorName);
    m_lastErrorDetail = detail;
    if (showPopups) {
        QString message = tr(errorName);
        if (!detail.isEmpty())
            message += QLatin1Char('\n') + detail;
        showTipsDialog(tr("error"), message, 1);
    } else {
        qWarning().noquote() << "workbook:" << errorName << detail;
    }
    return code;
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
// when the rows can be processed, otherwise the result code of the run (with
// its popup shown and the workbook closed).
int ExelToWrite::openParameterSheet(XlsxWorkbook &workbook, const QString &path, XlsxSheet **sheet, int *rows)
{
    enum Failure { None, Missing, Unreadable, NoSheetList, NoSheet, Empty };
    Failure failure = None;
    QString detail;
    int columns = 0;
    bool counted = false;
    bool legacy = false;
    // Reading and parsing the file is the slow part: off the calling thread when asked.
    runFileWork([&] {
        if (!QFileInfo(path).isFile()) {
            qDebug().noquote() << QStringLiteral("路径错误，或文件不存在,路径为 %1").arg(path);
            qDebug().noquote() << path;
            failure = Missing;
            return;
        }
        qDebug().noquote() << QStringLiteral("路径正确，路径为 %1").arg(path);
        qDebug().noquote() << "正在打开文件...";
        if (!workbook.open(path)) {
            qDebug().noquote() << "office 查找文件不存在。路径：" << path << workbook.errorString();
            detail = workbook.errorString();
            legacy = isLegacyWorkbook(path);
            failure = Unreadable;
            return;
        }
        qDebug().noquote() << "正在查找所有sheet页";
        if (workbook.sheetNames().isEmpty()) {
            qDebug().noquote() << "没有sheet存在。";
            workbook.close();
            failure = NoSheetList;
            return;
        }
        qDebug().noquote() << "正在查找Sheet1";
        if (!workbook.sheetNames().contains(ParameterSheetName, Qt::CaseInsensitive)) {
            qDebug().noquote() << "Sheet1不存在。";
            workbook.close();
            failure = NoSheet;
            return;
        }
        *sheet = workbook.sheet(ParameterSheetName);
        if (!*sheet) {
            // The sheet is listed but its part cannot be read: the file is damaged.
            qDebug().noquote() << "office 查找文件不存在。路径：" << path << workbook.errorString();
            detail = workbook.errorString();
            workbook.close();
            failure = Unreadable;
            return;
        }
        qDebug().noquote() << "Sheet1查找结束";
        *rows = (*sheet)->rowCount();
        columns = (*sheet)->columnCount();
        counted = true;
        if (*rows < 1) {
            qDebug().noquote() << "CExcelTool::loadExcel 无数据，跳过该文件";
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
        return reportError(OpenFailed, QT_TR_NOOP("error1"));
    case Unreadable:
        // An old binary workbook (by its name or its content) gets a reason the user can act on.
        return reportError(OpenFailed, QT_TR_NOOP("error2"),
            legacy ? tr("not an .xlsx workbook: save it as .xlsx") : detail);
    case NoSheetList:
        return reportError(NoSheets, QT_TR_NOOP("error3"));
    case NoSheet:
        return reportError(NoParameterSheet, QT_TR_NOOP("error4"));
    case Empty:
        return reportError(NoRows, QT_TR_NOOP("error5"));
    }
    qDebug().noquote() << QStringLiteral("文件数据列数为: %1").arg(columns);
    qDebug().noquote() << QStringLiteral("文件数据行数为: %1").arg(*rows);
    return 0;
}

int ExelToWrite::importWorkbook(const QString &path, QModbusClient *client)
{
    startRun();
    const RunningFlag running(&m_running);
    XlsxWorkbook workbook;
    XlsxSheet *sheet = nullptr;
    int rows = 0;
    if (const int failure = openParameterSheet(workbook, path, &sheet, &rows))
        return failure;
    qDebug().noquote() << "正在读取数据 包含的 ok 关键字";
    const LinkTarget target = runTarget(client);
    const QPointer<QModbusClient> liveClient(target.client);
    auto linkStopped
        = [&] { return (target.followsSuspend && linkSuspended) || (target.client && !liveClient); };

    // No poll tick may start while the rows are written.
    if (!m_ownTarget)
        pollBusy = true;
    if (importBar)
        importBar->setRange(1, rows);
    int outcome = Done;
    for (int r = 2; r <= rows; ++r) {
        if (m_cancelRequested) {
            m_firstRowNotDone = r;
            outcome = Cancelled;
            break;
        }
        setBar(importBar, r);
        const QString addressText = sheet->cellText(r, ColumnAddress);
        const QString countText = sheet->cellText(r, ColumnCount);
        const QString valueText = sheet->cellText(r, ColumnValue);
        const QString minimumText = sheet->cellText(r, ColumnMinimum);
        const QString maximumText = sheet->cellText(r, ColumnMaximum);
        const quint16 count = quint16(cellUnsigned(countText));
        emit rowProcessed(r, rows);
        if (!countText.contains(QLatin1Char('1')) && !countText.contains(QLatin1Char('2'))) {
            ++m_skippedRows;
            keepEventsFlowing(r);
            continue;
        }
        if (linkStopped()) {
            m_firstRowNotDone = r;
            return Stopped;
        }
        waitProcessingEvents(1);
        // The wait processes events: the link may have been stopped or rebuilt
        // meanwhile, or the run cancelled.
        if (linkStopped()) {
            m_firstRowNotDone = r;
            return Stopped;
        }
        if (m_cancelRequested) {
            m_firstRowNotDone = r;
            outcome = Cancelled;
            break;
        }
        // Only one and two registers are defined; a value that is not an integer
        // of the row's width (empty, fractional, text, negative in a one-register
        // row), a value too wide for its one register, a row without a usable
        // address, or a row whose limits contradict each other is left alone
        // rather than written as something else.
        int address = 0;
        quint32 value = 0;
        quint32 minimum = 0;
        quint32 maximum = 0;
        if ((count != 1 && count != 2) || !rowAddress(addressText, &address)
            || !cellPattern(valueText, count, &value) || (count == 1 && value > 0xFFFF)) {
            ++m_skippedRows;
            continue;
        }
        // Limits that are no integer count as 0, as they always have.
        cellPattern(minimumText, count, &minimum);
        cellPattern(maximumText, count, &maximum);
        const LimitCheck check = checkLimits(value, minimum, maximum, count);
        if (check != LimitCheck::Within) {
            if (check == LimitCheck::InvalidLimits)
                qDebug().noquote() << QStringLiteral("导入跳过行 %1: 最小值大于最大值").arg(r);
            ++m_skippedRows;
            continue;
        }
        const TransactionResult result = writeRowValue(target, address, count, value);
        if (result != Ok) {
            if (linkStopped()) {
                m_firstRowNotDone = r;
                return Stopped;
            }
            qDebug().noquote() << QStringLiteral("导入写入失败 address %1 count %2 result %3")
                                      .arg(address)
                                      .arg(count)
                                      .arg(int(result));
        }
        if (const int end = judgeTransaction(result, r, address)) {
            outcome = end;
            break;
        }
    }
    // Rows without an answer at the end, fewer than would end the run, are failed rows.
    settleSilentRows();
    qDebug().noquote() << "读取完成";
    if (!m_ownTarget)
        pollBusy = false;
    // Releasing a big parsed sheet takes a while too.
    runFileWork([&] { workbook.close(); });
    if (outcome != Done)
        return outcome;
    if (m_failedRows > 0) {
        qDebug().noquote() << QStringLiteral("导入失败行数: %1").arg(m_failedRows);
        return RowsFailed;
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

    const LinkTarget target = runTarget(client);
    const QPointer<QModbusClient> liveClient(target.client);
    auto linkStopped
        = [&] { return (target.followsSuspend && linkSuspended) || (target.client && !liveClient); };
    if (!m_ownTarget)
        pollBusy = true;
    if (exportBar)
        exportBar->setRange(1, rows);
    sheet->setCellText(1, ColumnValue, exportHeaderText(language));
    int outcome = Done;
    for (int r = 2; r <= rows; ++r) {
        if (m_cancelRequested) {
            m_firstRowNotDone = r;
            outcome = Cancelled;
            break;
        }
        setBar(exportBar, r);
        const QString addressText = sheet->cellText(r, ColumnAddress);
        const QString countText = sheet->cellText(r, ColumnCount);
        emit rowProcessed(r, rows);
        if (addressText.isEmpty()) {
            ++m_skippedRows;
            keepEventsFlowing(r);
            continue;
        }
        // Not saved when the link is stopped: the file stays as it was.
        if (linkStopped()) {
            m_firstRowNotDone = r;
            return Stopped;
        }
        waitProcessingEvents(1);
        if (linkStopped()) {
            m_firstRowNotDone = r;
            return Stopped;
        }
        if (m_cancelRequested) {
            m_firstRowNotDone = r;
            outcome = Cancelled;
            break;
        }
        // A row must name a register and one or two registers; anything else
        // keeps its value cell instead of receiving some unrelated register.
        int address = 0;
        const quint16 count = quint16(cellUnsigned(countText));
        if (!rowAddress(addressText, &address) || (count != 1 && count != 2)) {
            ++m_skippedRows;
            continue;
        }
        quint32 value = 0;
        const TransactionResult result = readRowValue(target, address, count, &value);
        if (result != Ok) {
            if (linkStopped()) {
                m_firstRowNotDone = r;
                return Stopped;
            }
            value = quint32(FailureMarker);
            qDebug().noquote() << QStringLiteral("导出读取失败 address %1 count %2 result %3")
                                      .arg(address)
                                      .arg(count)
                                      .arg(int(result));
        }
        if (const int end = judgeTransaction(result, r, address)) {
            outcome = end;
            break;
        }
        sheet->setCellText(r, ColumnValue, QString::number(value));
    }
    settleSilentRows();
    qDebug().noquote() << "导出完成";
    if (!m_ownTarget)
        pollBusy = false;
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
        qDebug().noquote() << "导出文件保存失败:" << saveError;
        m_lastErrorDetail = saveError;
        return SaveFailed;
    }
    if (m_failedRows > 0) {
        qDebug().noquote() << QStringLiteral("导出失败行数: %1").arg(m_failedRows);
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
        qDebug().noquote() << QStringLiteral("路径错误，或文件不存在,路径为 %1").arg(templatePath);
        qDebug().noquote() << templatePath;
        return reportError(OpenFailed, QT_TR_NOOP("error1"));
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
            QTemporaryFile copy(
                folder + QStringLiteral("/.") + targetInfo.fileName() + QStringLiteral(".part-XXXXXX"));
            copy.setAutoRemove(false);
            QFile source(templatePath);
            if (!copy.open())
                return;
            copyPath = copy.fileName();
            if (source.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = source.readAll();
                copied = source.error() == QFileDevice::NoError && copy.write(bytes) == bytes.size()
                    && copy.flush();
            }
            copy.close();
        });
    }
    TemporaryPath copyGuard(copyPath);
    qDebug().noquote() << "结果：" << (copied ? "true" : "false");
    if (!copied) {
        m_lastErrorDetail = QStringLiteral("cannot write a new file in %1").arg(folder);
        qDebug().noquote() << "导出文件保存失败:" << m_lastErrorDetail;
        return SaveFailed;
    }
    // The new file gets the permissions of the one it replaces (a template may be read-only).
    QFile::setPermissions(copyPath,
        targetInfo.exists() ? targetInfo.permissions() | QFileDevice::WriteOwner
                            : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                | QFileDevice::ReadOther);
    if (m_cancelRequested) {
        m_firstRowNotDone = 2;
        return Cancelled;
    }

    const int result = exportWorkbook(copyPath, client, language);
    if (result != Done && result != RowsFailed)
        return result;
    if (!replaceFile(copyPath, targetInfo.absoluteFilePath())) {
        m_lastErrorDetail = QStringLiteral("cannot replace %1").arg(target);
        qDebug().noquote() << "导出文件保存失败:" << m_lastErrorDetail;
        return SaveFailed;
    }
    copyGuard.release();
    return result;
}
