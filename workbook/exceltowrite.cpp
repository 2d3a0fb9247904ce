#include "workbook/exceltowrite.h"

#include "dialogs/popups.h"
#include "link/linkstate.h"
#include "link/transactions.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QDebug>
#include <QFileInfo>
#include <QModbusClient>
#include <QPointer>
#include <QProgressBar>

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

// One value of one or two registers from the device through the given client
// (the 32-bit value in the configured word order).
TransactionResult readRowValue(QModbusClient *client, int address, int count, quint32 *value)
{
    LinkParameters block;
    block.wordOrder = wordOrder;
    block.startAddress = address;
    block.count = quint16(count);
    quint16 registers[2] = {0, 0};
    const TransactionResult result = readHoldingRegisters(client, block, registers);
    if (result == Ok)
        *value = count == 2 ? quint32(joinWords(registers[0], registers[1], block.wordOrder)) : registers[0];
    return result;
}

// The single-value write through the given client: count 1 the low 16 bits,
// count 2 the 32-bit value in the configured word order.
TransactionResult writeRowValue(QModbusClient *client, int address, int count, quint32 value)
{
    LinkParameters block;
    block.wordOrder = wordOrder;
    block.startAddress = address;
    quint16 registers[2] = {0, 0};
    block.count = quint16(encodeRegisters(qint32(value), count, block.wordOrder, registers));
    return writeHoldingRegisters(client, block, registers);
}

void setBar(QProgressBar *bar, int value)
{
    if (bar)
        bar->setValue(value);
}

} // namespace

ExelToWrite::ExelToWrite(QObject *parent)
    : QObject(parent)
{
}

int ExelToWrite::reportError(int code, const char *errorName)
{
    m_lastError = QString::fromLatin1(errorName);
    if (showPopups)
        showTipsDialog(tr("error"), tr(errorName), 1);
    else
        qWarning().noquote() << "workbook:" << errorName;
    return code;
}

// Opens the workbook, finds the parameter sheet and its row count. Returns 0
// when the rows can be processed, otherwise the result code of the run (with
// its popup shown and the workbook closed).
int ExelToWrite::openParameterSheet(XlsxWorkbook &workbook, const QString &path, XlsxSheet **sheet, int *rows)
{
    if (!QFileInfo(path).isFile()) {
        qDebug().noquote() << QStringLiteral("路径错误，或文件不存在,路径为 %1").arg(path);
        qDebug().noquote() << path;
        return reportError(OpenFailed, QT_TR_NOOP("error1"));
    }
    qDebug().noquote() << QStringLiteral("路径正确，路径为 %1").arg(path);
    qDebug().noquote() << "正在打开文件...";
    if (!workbook.open(path)) {
        qDebug().noquote() << "office 查找文件不存在。路径：" << path << workbook.errorString();
        return reportError(OpenFailed, QT_TR_NOOP("error2"));
    }
    qDebug().noquote() << "正在查找所有sheet页";
    if (workbook.sheetNames().isEmpty()) {
        qDebug().noquote() << "没有sheet存在。";
        workbook.close();
        return reportError(NoSheets, QT_TR_NOOP("error3"));
    }
    qDebug().noquote() << "正在查找Sheet1";
    if (!workbook.sheetNames().contains(ParameterSheetName, Qt::CaseInsensitive)) {
        qDebug().noquote() << "Sheet1不存在。";
        workbook.close();
        return reportError(NoParameterSheet, QT_TR_NOOP("error4"));
    }
    *sheet = workbook.sheet(ParameterSheetName);
    if (!*sheet) {
        // The sheet is listed but its part cannot be read: the file is damaged.
        qDebug().noquote() << "office 查找文件不存在。路径：" << path << workbook.errorString();
        workbook.close();
        return reportError(OpenFailed, QT_TR_NOOP("error2"));
    }
    qDebug().noquote() << "Sheet1查找结束";
    *rows = (*sheet)->rowCount();
    emit ShowMaxnRowssignal(*rows);
    if (*rows < 1) {
        qDebug().noquote() << "CExcelTool::loadExcel 无数据，跳过该文件";
        workbook.close();
        return reportError(NoRows, QT_TR_NOOP("error5"));
    }
    qDebug().noquote() << QStringLiteral("文件数据列数为: %1").arg((*sheet)->columnCount());
    qDebug().noquote() << QStringLiteral("文件数据行数为: %1").arg(*rows);
    return 0;
}

int ExelToWrite::importWorkbook(const QString &path, QModbusClient *client)
{
    m_lastError.clear();
    m_failedRows = m_transferredRows = m_skippedRows = 0;
    XlsxWorkbook workbook;
    XlsxSheet *sheet = nullptr;
    int rows = 0;
    if (const int failure = openParameterSheet(workbook, path, &sheet, &rows))
        return failure;
    qDebug().noquote() << "正在读取数据 包含的 ok 关键字";
    const QPointer<QModbusClient> liveClient(client);

    // No poll tick may start while the rows are written.
    pollBusy = true;
    if (importBar)
        importBar->setRange(1, rows);
    if (rows != 1) {
        for (int r = 2; r <= rows; ++r) {
            setBar(importBar, r);
            const QString addressText = sheet->cellText(r, ColumnAddress);
            const QString countText = sheet->cellText(r, ColumnCount);
            const QString valueText = sheet->cellText(r, ColumnValue);
            const quint32 minimum = cellUnsigned(sheet->cellText(r, ColumnMinimum));
            const quint32 maximum = cellUnsigned(sheet->cellText(r, ColumnMaximum));
            const quint16 count = quint16(cellUnsigned(countText));
            emit rowProcessed(r, rows);
            if (!countText.contains(QLatin1Char('1')) && !countText.contains(QLatin1Char('2'))) {
                ++m_skippedRows;
                continue;
            }
            if (linkSuspended)
                return Stopped;
            waitProcessingEvents(1);
            // The wait processes events: the link may have been stopped or rebuilt meanwhile.
            if (linkSuspended || (client && !liveClient))
                return Stopped;
            // Only one and two registers are defined; a value that is not an
            // unsigned integer (empty, negative, fractional, text), a value too
            // wide for its one register, or a row without a usable address is
            // left alone rather than written as something else.
            int address = 0;
            const quint32 value = cellUnsigned(valueText);
            if ((count != 1 && count != 2) || !rowAddress(addressText, &address) || !isUnsignedCell(valueText)
                || (count == 1 && value > 0xFFFF) || !withinLimits(value, minimum, maximum)) {
                ++m_skippedRows;
                continue;
            }
            const TransactionResult result = writeRowValue(client, address, count, value);
            if (result == Ok) {
                ++m_transferredRows;
            } else {
                ++m_failedRows;
                qDebug().noquote() << QStringLiteral("导入写入失败 address %1 count %2 result %3")
                                          .arg(address)
                                          .arg(count)
                                          .arg(int(result));
            }
        }
    }
    qDebug().noquote() << "读取完成";
    pollBusy = false;
    workbook.close();
    if (m_failedRows > 0) {
        qDebug().noquote() << QStringLiteral("导入失败行数: %1").arg(m_failedRows);
        return RowsFailed;
    }
    return Done;
}

int ExelToWrite::exportWorkbook(const QString &path, QModbusClient *client, int language)
{
    m_lastError.clear();
    m_failedRows = m_transferredRows = m_skippedRows = 0;
    XlsxWorkbook workbook;
    XlsxSheet *sheet = nullptr;
    int rows = 0;
    if (const int failure = openParameterSheet(workbook, path, &sheet, &rows))
        return failure;

    const QPointer<QModbusClient> liveClient(client);
    pollBusy = true;
    if (exportBar)
        exportBar->setRange(1, rows);
    sheet->setCellText(1, ColumnValue, exportHeaderText(language));
    if (rows != 1) {
        for (int r = 2; r <= rows; ++r) {
            setBar(exportBar, r);
            const QString addressText = sheet->cellText(r, ColumnAddress);
            const QString countText = sheet->cellText(r, ColumnCount);
            emit rowProcessed(r, rows);
            if (addressText.isEmpty()) {
                ++m_skippedRows;
                continue;
            }
            if (linkSuspended)
                return Stopped; // not saved: the file stays the template copy
            waitProcessingEvents(1);
            if (linkSuspended || (client && !liveClient))
                return Stopped;
            // A row must name a register and one or two registers; anything else
            // keeps its value cell instead of receiving some unrelated register.
            int address = 0;
            const quint16 count = quint16(cellUnsigned(countText));
            if (!rowAddress(addressText, &address) || (count != 1 && count != 2)) {
                ++m_skippedRows;
                continue;
            }
            quint32 value = 0;
            const TransactionResult result = readRowValue(client, address, count, &value);
            if (result == Ok) {
                ++m_transferredRows;
            } else {
                value = quint32(FailureMarker);
                ++m_failedRows;
                qDebug().noquote() << QStringLiteral("导出读取失败 address %1 count %2 result %3")
                                          .arg(address)
                                          .arg(count)
                                          .arg(int(result));
            }
            sheet->setCellText(r, ColumnValue, QString::number(value));
        }
    }
    qDebug().noquote() << "导出完成";
    pollBusy = false;
    if (!workbook.save()) {
        qDebug().noquote() << "导出文件保存失败:" << workbook.errorString();
        workbook.close();
        return SaveFailed;
    }
    workbook.close();
    if (m_failedRows > 0) {
        qDebug().noquote() << QStringLiteral("导出失败行数: %1").arg(m_failedRows);
        return RowsFailed;
    }
    return Done;
}
