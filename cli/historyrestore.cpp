#include "cli/historyrestore.h"

#include "cli/headlessrun.h"
#include "cli/historyrun.h"
#include "cli/output.h"
#include "link/linksession.h"
#include "workbook/historyrecorder.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

int fail(const QString &message, int status)
{
    QTextStream err(stderr);
    err << "q4config: " << message << "\n";
    return status;
}

// The device's rows of the version to restore; false with a message.
bool versionRows(
    const QCommandLineParser &parser, QString *serial, QString *id, QVector<HistoryRow> *rows, QString *error)
{
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        *error = QStringLiteral("--restore needs SERIAL REV");
        return false;
    }
    const HistoryStore store(commandLineHistoryFolder(parser));
    return store.findDevice(args.at(0), serial, error) && store.resolve(args.at(1), id, error)
        && store.parametersAt(*serial, *id, rows, error);
}

} // namespace

int runRestoreCommandLine(const QCommandLineParser &parser)
{
    LinkParameters link;
    QString error;
    if (!commandLineLink(parser, &link, &error))
        return fail(error, 2);
    QString serial;
    QString id;
    QVector<HistoryRow> rows;
    if (!versionRows(parser, &serial, &id, &rows, &error))
        return fail(QStringLiteral("restore failed: ") + error, 2);
    const QString version = id.left(10);
    if (!openCheckedLink(link, &error))
        return fail(QStringLiteral("restore failed: ") + error, 1);

    // Only into the device the version is of, unless the user says otherwise.
    HistoryRecorder history(commandLineHistoryFolder(parser));
    const bool known = history.readSerial(processLinkTarget(linkSession().modbusClient, link));
    const bool force = parser.isSet(QStringLiteral("force"));
    if (!force && (!known || !sameSerial(history.serial(), serial))) {
        closeCheckedLink();
        const QString device = known
            ? QStringLiteral("has serial number %1").arg(history.serial())
            : QStringLiteral("cannot tell its serial number (%1)").arg(history.error());
        return fail(QStringLiteral("restore refused: the device at %1 %2, not %3 (--force restores anyway)")
                        .arg(historyLinkText(link), device, serial),
            2);
    }

    ExelToWrite worker;
    worker.blockReads = !parser.isSet(QStringLiteral("row-by-row"));
    worker.allRows = parser.isSet(QStringLiteral("all-rows"));
    const int result = worker.importSheet(versionSheet(rows), linkSession().modbusClient);
    const bool finished = result == ExelToWrite::Done || result == ExelToWrite::RowsFailed;
    // A version of another device (--force) says whose it was.
    const QString subject
        = sameSerial(history.serial(), serial) ? version : QStringLiteral("%1 of %2").arg(version, serial);
    history.record(HistorySource::Restore, worker, linkSession().modbusClient, subject, historyLinkText(link), finished);
    closeCheckedLink();

    const QString source = QStringLiteral("%1 version %2").arg(serial, version);
    if (finished) {
        out() << "restore done: " << worker.transferredRows() << " values written from " << source
              << failedText(worker) << "; " << worker.skippedRows() << " skipped; " << worker.unchangedRows()
              << " unchanged; " << verifiedText(worker) << "\n";
    } else {
        const QString untouched = QStringLiteral("; %1 values written").arg(worker.transferredRows())
            + failedText(worker) + QStringLiteral("; %1 sent, not confirmed").arg(worker.unconfirmedWrites());
        out() << "restore failed: " << endReason(worker, result, link, false, source, untouched) << "\n";
    }
    out().flush();
    const int status = result == ExelToWrite::Done ? 0 : 1;
    return withHistoryProblem(status, status == 0, history.error());
}
