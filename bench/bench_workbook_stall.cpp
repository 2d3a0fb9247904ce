// How long the event loop stalls while a window run reads a big workbook: a
// 100 000-row parameter sheet is imported (no row selected, so no device is
// needed) with the file work on the calling thread and off it, and a 5 ms timer
// records the longest gap between its ticks.

#include "link/linksession.h"
#include "workbook/exceltowrite.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.xlsx"));
    const int rowCount = 100000;
    {
        QVector<QVector<QVariant>> rows;
        rows.reserve(rowCount);
        rows.append({QStringLiteral("Address"), QStringLiteral("Name"), QStringLiteral("Count"),
            QStringLiteral("Max"), QStringLiteral("Min"), QString(), QStringLiteral("Value")});
        while (rows.size() < rowCount)
            rows.append({qint64(8000), QStringLiteral("COM1 ID"), QString(), qint64(99), qint64(0), QString(),
                QStringLiteral("7")});
        QString error;
        if (!XlsxWorkbook::create(file, ParameterSheetName, rows, {}, &error)) {
            out << "cannot write the workbook: " << error << "\n";
            return 1;
        }
    }
    int status = 0;
    for (const bool background : {false, true}) {
        ExelToWrite worker;
        worker.backgroundFileWork = background;
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        int ticks = 0;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGap = qMax(longestGap, sinceTick.restart());
            ++ticks;
        });
        ticker.start();
        sinceTick.start();
        QElapsedTimer clock;
        clock.start();
        const int result = worker.importWorkbook(file, nullptr);
        const qint64 ms = clock.elapsed();
        // The gap still open when the run returned counts as well.
        longestGap = qMax(longestGap, sinceTick.elapsed());
        out << QStringLiteral(
            "file work %1: result %2, %3 rows, %4 ms, %5 timer ticks, longest stall %6 ms\n")
                   .arg(background ? QStringLiteral("off the thread") : QStringLiteral("on the thread "))
                   .arg(result)
                   .arg(worker.rowCount())
                   .arg(ms)
                   .arg(ticks)
                   .arg(longestGap);
        out.flush();
        if (result != ExelToWrite::Done)
            status = 1;
    }
    return status;
}
