#include "workbook/versionsheet.h"

#include "params/registermap.h"
#include "workbook/parameterworkbook.h"

#include <QHash>

namespace {

quint64 rowKey(int address, int count) { return (quint64(quint32(address)) << 8) | quint32(count); }

// A catalogue limit as the workbook stores it: its 32-bit pattern.
quint32 limitPattern(qint64 limit) { return quint32(quint64(limit) & 0xFFFFFFFFu); }

} // namespace

ImportSheet versionSheet(const QVector<HistoryRow> &rows)
{
    static const QHash<quint64, const ParameterInfo *> catalogue = [] {
        QHash<quint64, const ParameterInfo *> map;
        for (const ParameterInfo &p : parameterCatalogue())
            map.insert(rowKey(p.address, p.count), &p);
        return map;
    }();
    ImportSheet sheet;
    sheet.rowCount = rows.size() + 1;
    for (int i = 0; i < rows.size(); ++i) {
        const HistoryRow &h = rows.at(i);
        SheetRow row;
        row.row = i + 2;
        row.selected = true;
        row.address = h.address;
        row.count = h.count;
        row.name = h.name;
        const ParameterInfo *p = catalogue.value(rowKey(h.address, h.count));
        row.valid = p && cellPattern(h.value, h.count, &row.value) && !(h.count == 1 && row.value > 0xFFFF)
            && checkLimits(row.value, limitPattern(p->minimum), limitPattern(p->maximum), h.count)
                == LimitCheck::Within;
        sheet.rows.append(row);
    }
    return sheet;
}

bool sameSerial(const QString &a, const QString &b)
{
    return QString(a).remove(QLatin1Char('-')) == QString(b).remove(QLatin1Char('-'));
}
