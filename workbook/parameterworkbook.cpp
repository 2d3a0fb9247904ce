#include "workbook/parameterworkbook.h"

#include "params/registermap.h"
#include "workbook/xlsxworkbook.h"

#include <QVariant>
#include <QVector>

const QString ParameterSheetName = QStringLiteral("读写类");

QString templateFileName(int language)
{
    return language == 1 ? QStringLiteral("KTT-Q4_CH.xlsx") : QStringLiteral("KTT-Q4_EN.xlsx");
}

QString exportFileName(int language)
{
    return language == 1 ? QStringLiteral("KTT-Q4_导出文件.xlsx") : QStringLiteral("KTT-Q4_ExportFile.xlsx");
}

QString exportHeaderText(int language)
{
    return language == 1 ? QStringLiteral("导出数据") : QStringLiteral("Export Value");
}

bool isUnsignedCell(const QString &text)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
    quint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + quint64(c.unicode() - '0');
    }
    return value <= 0xFFFFFFFFull;
}

quint32 cellUnsigned(const QString &text) { return isUnsignedCell(text) ? quint32(text.toULongLong()) : 0; }

bool cellPattern(const QString &text, int count, quint32 *pattern)
{
    if (isUnsignedCell(text)) {
        *pattern = cellUnsigned(text);
        return true;
    }
    if (count != 2 || text.size() < 2 || text.at(0) != QLatin1Char('-') || !isUnsignedCell(text.mid(1)))
        return false;
    const quint32 magnitude = cellUnsigned(text.mid(1));
    if (magnitude > 0x80000000u)
        return false;
    *pattern = quint32(0) - magnitude;
    return true;
}

LimitCheck checkLimits(quint32 value, quint32 minimum, quint32 maximum, int count)
{
    const bool isSigned = count == 2 && (minimum >= 0x80000000u || maximum >= 0x80000000u);
    if (isSigned) {
        const qint32 low = qint32(minimum);
        const qint32 high = qint32(maximum);
        const qint32 v = qint32(value);
        if (low > high)
            return LimitCheck::InvalidLimits;
        return low <= v && v <= high ? LimitCheck::Within : LimitCheck::Outside;
    }
    if (minimum > maximum)
        return LimitCheck::InvalidLimits;
    return minimum <= value && value <= maximum ? LimitCheck::Within : LimitCheck::Outside;
}

namespace {

// A limit as the workbook stores it: negative values as their 32-bit pattern.
qint64 limitPattern(qint64 limit)
{
    if (limit < 0)
        return qint64(quint32(qint32(qMax(limit, qint64(-2147483647 - 1)))));
    return qMin(limit, qint64(0xFFFFFFFFll));
}

} // namespace

bool writeParameterTemplate(const QString &path, int language, QString *error)
{
    QVector<QVector<QVariant>> rows;
    if (language == 1)
        rows.append({QStringLiteral("地址"), QStringLiteral("参数名称"), QStringLiteral("寄存器数"),
            QStringLiteral("最大值"), QStringLiteral("最小值"), QString(), QStringLiteral("数值")});
    else
        rows.append({QStringLiteral("Address"), QStringLiteral("Parameter"), QStringLiteral("Count"),
            QStringLiteral("Maximum"), QStringLiteral("Minimum"), QString(), QStringLiteral("Value")});
    for (const ParameterInfo &p : parameterCatalogue()) {
        rows.append({QVariant(qint64(p.address)), language == 1 ? p.nameChinese : p.nameEnglish,
            QVariant(qint64(p.count)), QVariant(limitPattern(p.maximum)), QVariant(limitPattern(p.minimum))});
    }
    return XlsxWorkbook::create(path, ParameterSheetName, rows, {10, 28, 10, 14, 14, 6, 16}, error);
}
