#include "workbook/runtexts.h"

#include "workbook/exceltowrite.h"

#include <QStringList>

QString rowsDoneText(int firstNotDone, int rows)
{
    const QString notDone = QStringLiteral("rows %1 to %2 not done").arg(firstNotDone).arg(rows);
    if (firstNotDone <= 2)
        return QStringLiteral("no row done, ") + notDone;
    return QStringLiteral("rows 2 to %1 done, ").arg(firstNotDone - 1) + notDone;
}

namespace {

QString addressesText(const QVector<int> &addresses, int total)
{
    QStringList parts;
    for (const int address : addresses)
        parts << QString::number(address);
    if (total > addresses.size())
        parts << QStringLiteral("...");
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString failedText(const ExelToWrite &worker)
{
    QString text = QStringLiteral("; %1 failed").arg(worker.failedRows());
    if (!worker.failedAddresses().isEmpty())
        text += QStringLiteral(" (first failed addresses: %1)")
                    .arg(addressesText(worker.failedAddresses(), worker.failedRows()));
    return text;
}

QString verifiedText(const ExelToWrite &worker)
{
    QString text = QStringLiteral("%1 verified, %2 mismatched")
                       .arg(worker.verifiedRows())
                       .arg(worker.mismatchedRows());
    if (!worker.mismatchedAddresses().isEmpty())
        text += QStringLiteral(" (first mismatched addresses: %1)")
                    .arg(addressesText(worker.mismatchedAddresses(), worker.mismatchedRows()));
    return text;
}

QString phaseName(int phase)
{
    switch (phase) {
    case ExelToWrite::Writing:
        return QStringLiteral("writing");
    case ExelToWrite::Verifying:
        return QStringLiteral("verifying");
    default:
        return QStringLiteral("reading");
    }
}
