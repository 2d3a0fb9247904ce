#include "cli/headlessrun.h"

#include "cli/backuprun.h"
#include "cli/historyrestore.h"
#include "cli/historyrun.h"
#include "cli/output.h"
#include "link/clientfactory.h"
#include "link/devicescan.h"
#include "link/linksession.h"
#include "link/serialports.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "workbook/clonerun.h"
#include "workbook/exceltowrite.h"
#include "workbook/historyrecorder.h"
#include "workbook/parameterworkbook.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QModbusClient>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>
#include <QUrl>

namespace {

const QString ExportOption = QStringLiteral("export");
const QString ImportOption = QStringLiteral("import");
const QString TcpOption = QStringLiteral("tcp");
const QString RtuOption = QStringLiteral("rtu");
const QString RtuTcpOption = QStringLiteral("rtu-tcp");
const QString BaudOption = QStringLiteral("baud");
const QString ParityOption = QStringLiteral("parity");
const QString DataBitsOption = QStringLiteral("data-bits");
const QString StopBitsOption = QStringLiteral("stop-bits");
const QString IdOption = QStringLiteral("id");
const QString WordOrderOption = QStringLiteral("word-order");
const QString TimeoutOption = QStringLiteral("timeout");
const QString LanguageOption = QStringLiteral("language");
const QString DiffOption = QStringLiteral("diff");
const QString CloneOption = QStringLiteral("clone");
const QString JobsOption = QStringLiteral("jobs");
const QString AllRowsOption = QStringLiteral("all-rows");
const QString RowByRowOption = QStringLiteral("row-by-row");
const QString ScanOption = QStringLiteral("scan");
const QString IdsOption = QStringLiteral("ids");
const QString ProbeTimeoutOption = QStringLiteral("probe-timeout");

// The item of a list a saved index selects; fallback for a missing key or an
// index out of range (as the connection page loads it).
template <typename T>
T savedItem(const QSettings &settings, const QString &key, const QVector<T> &items, T fallback)
{
    bool ok = false;
    const int index = settings.value(key).toInt(&ok);
    return ok && index >= 0 && index < items.size() ? items.at(index) : fallback;
}

} // namespace

LinkParameters savedLink()
{
    // The start values of a link record are the defaults of every key, as on
    // the connection page.
    LinkParameters link;
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Q4"));
    link.baud = savedItem(settings, QStringLiteral("baudCombo"), serialBaudRates(), link.baud);
    link.dataBits = savedItem(settings, QStringLiteral("dataBitsCombo"), QVector<int> {7, 8}, link.dataBits);
    link.parity = savedItem(settings, QStringLiteral("parityCombo"), serialParities(), link.parity);
    link.stopBits = savedItem(settings, QStringLiteral("stopBitsCombo"), QVector<int> {1, 2}, link.stopBits);
    link.connectType = savedItem(settings, QStringLiteral("connectType"),
        QVector<ConnectionType> {ConnectionType::Rtu, ConnectionType::Tcp, ConnectionType::RtuOverTcp},
        link.connectType);
    link.wordOrder = savedItem(settings, QStringLiteral("DwordFormat"),
        QVector<WordOrder> {WordOrder::AbCd, WordOrder::CdAb}, link.wordOrder);
    link.hostAddress
        = settings.value(QStringLiteral("EditHostIP"), QStringLiteral("192.168.101.1")).toString();
    link.networkPort = settings.value(QStringLiteral("EditPort"), QStringLiteral("502")).toString();
    bool ok = false;
    const int id = settings.value(QStringLiteral("spinboxSlaveId")).toInt(&ok);
    if (ok && id >= 1 && id <= 247)
        link.serverAddress = id;
    const int timeout
        = settings.value(QStringLiteral("timeoutSpinner"), 1000).toString().section(' ', 0, 0).toInt();
    if (timeout > 0)
        link.responseTime = qBound(50, timeout, 1000);
    link.serialPortName
        = portNameFromListText(settings.value(QStringLiteral("serialnumcomboBox")).toString());
    return link;
}

namespace {

// A serial port name as a saved one may hold it: a device name or path
// ("ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "COM3"), not
// a description or stray text that opening would take for a file name.
bool looksLikePortName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9._+:@=#/\\\\-]*[A-Za-z0-9]$"));
    return pattern.match(name).hasMatch();
}

// HOST:PORT of a --tcp value (or of --rtu-tcp, connectType RtuOverTcp) into link.
bool tcpTarget(const QString &value, LinkParameters *link, QString *error,
    ConnectionType connectType = ConnectionType::Tcp)
{
    const int colon = value.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535) {
        *error = connectType == ConnectionType::RtuOverTcp ? QStringLiteral("bad --rtu-tcp (HOST:PORT)")
                                                           : QStringLiteral("bad --tcp (HOST:PORT)");
        return false;
    }
    link->connectType = connectType;
    link->hostAddress = value.left(colon);
    link->networkPort = QString::number(port);
    return true;
}

// The server addresses of a --id value: one number, or for a clone over RTU a
// comma-separated list.
bool serverAddresses(const QString &value, QVector<int> *ids, QString *error)
{
    ids->clear();
    for (const QString &part : value.split(QLatin1Char(','))) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (!ok || id < 1 || id > 247) {
            *error = QStringLiteral("bad --id");
            return false;
        }
        ids->append(id);
    }
    return !ids->isEmpty();
}

// The transport options of the command line: each names the link instead of
// the saved one. A run other than a clone takes one of them at most, once.
bool transportOptions(const QCommandLineParser &parser, LinkParameters *link, QString *error, bool clone)
{
    const bool tcp = parser.isSet(TcpOption);
    const bool rtu = parser.isSet(RtuOption);
    const bool rtuTcp = parser.isSet(RtuTcpOption);
    if (!clone && tcp && rtu) {
        *error = QStringLiteral("--tcp and --rtu exclude each other");
        return false;
    }
    if (!clone && rtuTcp && (tcp || rtu)) {
        *error = QStringLiteral("--rtu-tcp excludes --tcp and --rtu");
        return false;
    }
    if (!clone && parser.values(TcpOption).size() > 1) {
        *error = QStringLiteral("several --tcp are for --clone only");
        return false;
    }
    if (!clone && parser.values(RtuTcpOption).size() > 1) {
        *error = QStringLiteral("several --rtu-tcp are for --clone only");
        return false;
    }
    for (const QString &value : parser.values(TcpOption)) {
        if (!tcpTarget(value, link, error))
            return false;
    }
    for (const QString &value : parser.values(RtuTcpOption)) {
        if (!tcpTarget(value, link, error, ConnectionType::RtuOverTcp))
            return false;
    }
    if (rtu) {
        link->connectType = ConnectionType::Rtu;
        link->serialPortName = parser.value(RtuOption);
    }
    return true;
}

} // namespace

bool commandLineLink(
    const QCommandLineParser &parser, LinkParameters *link, QString *error, bool clone, ScanRequest *scan)
{
    *link = savedLink();
    if (!transportOptions(parser, link, error, clone))
        return false;
    bool ok = true;
    const bool all = scan && parser.value(BaudOption).toLower() == QLatin1String("all");
    if (all) {
        scan->bauds = serialBaudRates();
    } else if (parser.isSet(BaudOption)) {
        link->baud = parser.value(BaudOption).toInt(&ok);
        if (!ok || link->baud <= 0) {
            *error = scan ? QStringLiteral("bad --baud (all or a baud rate)") : QStringLiteral("bad --baud");
            return false;
        }
    }
    if (parser.isSet(ParityOption)) {
        const QString p = parser.value(ParityOption).toLower();
        if (scan && p == QLatin1String("all")) {
            scan->parities = serialParities();
        } else if (!parityFromName(p, &link->parity)) {
            *error = scan ? QStringLiteral("bad --parity (all, none, even, odd or N, E, O)")
                          : QStringLiteral("bad --parity (none, even, odd or N, E, O)");
            return false;
        }
    }
    if (parser.isSet(DataBitsOption)) {
        link->dataBits = parser.value(DataBitsOption).toInt(&ok);
        if (!ok || (link->dataBits != 7 && link->dataBits != 8)) {
            *error = QStringLiteral("bad --data-bits (7 or 8)");
            return false;
        }
    }
    if (parser.isSet(StopBitsOption)) {
        link->stopBits = parser.value(StopBitsOption).toInt(&ok);
        if (!ok || (link->stopBits != 1 && link->stopBits != 2)) {
            *error = QStringLiteral("bad --stop-bits (1 or 2)");
            return false;
        }
    }
    if (parser.isSet(IdOption)) {
        QVector<int> ids;
        if (!serverAddresses(parser.value(IdOption), &ids, error))
            return false;
        if (ids.size() > 1 && !(clone && (parser.isSet(RtuOption) || parser.isSet(RtuTcpOption)))) {
            *error = QStringLiteral("a list of --id is for --clone over --rtu or --rtu-tcp only");
            return false;
        }
        // A list names the devices on the serial port or behind each RTU over
        // TCP converter; TCP targets keep the saved address.
        if (ids.size() == 1)
            link->serverAddress = ids.first();
    }
    if (parser.isSet(WordOrderOption)) {
        const QString order = parser.value(WordOrderOption).toLower();
        if (order == QLatin1String("ab-cd"))
            link->wordOrder = WordOrder::AbCd;
        else if (order == QLatin1String("cd-ab"))
            link->wordOrder = WordOrder::CdAb;
        else {
            *error = QStringLiteral("bad --word-order (ab-cd or cd-ab)");
            return false;
        }
    }
    if (parser.isSet(TimeoutOption)) {
        link->responseTime = parser.value(TimeoutOption).toInt(&ok);
        if (!ok || link->responseTime < 50 || link->responseTime > 10000) {
            *error = QStringLiteral("bad --timeout (50..10000 ms)");
            return false;
        }
    }
    // A clone with targets of its own, and --backup-all (the targets of its
    // file), need nothing of the saved connection.
    if (clone
        && (parser.isSet(TcpOption) || parser.isSet(RtuOption) || parser.isSet(RtuTcpOption)
            || isBackupAllRun(parser)))
        return true;
    if (isNetworkLink(link->connectType) && link->hostAddress.isEmpty()) {
        *error = link->connectType == ConnectionType::RtuOverTcp
            ? QStringLiteral("no device host: give --rtu-tcp HOST:PORT")
            : QStringLiteral("no device host: give --tcp HOST:PORT");
        return false;
    }
    if (link->connectType == ConnectionType::Rtu && link->serialPortName.isEmpty()) {
        *error = QStringLiteral("no serial port: give --rtu PORT or --tcp HOST:PORT");
        return false;
    }
    // A port named on the command line is opened as given; a saved text that
    // is no port name is not tried as one.
    if (link->connectType == ConnectionType::Rtu && !parser.isSet(RtuOption)
        && !looksLikePortName(link->serialPortName)) {
        *error = QStringLiteral(
            "the saved serial port \"%1\" is not a port name: give --rtu PORT or --tcp HOST:PORT")
                     .arg(link->serialPortName);
        return false;
    }
    return true;
}

namespace {

// Creates and connects the process's Modbus client; false when the device cannot be reached.
bool connectLink(const LinkParameters &link, QString *error)
{
    QModbusClient *client = connectOwnClient(link, error);
    if (!client)
        return false;
    linkSession().modbusClient = client;
    linkSession().traffic.resetStatistics();
    linkSession().currentServerAddress = link.serverAddress;
    linkSession().wordOrder = link.wordOrder;
    linkSession().appliedLink = link;
    linkSession().liveLink = link;
    linkSession().tcpLink = isNetworkLink(link.connectType) ? 1 : 0;
    return true;
}

bool isLegacyWorkbookName(const QString &file)
{
    return file.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive);
}

QString parityName(Parity parity)
{
    return parity == Parity::Even ? QStringLiteral("even")
        : parity == Parity::Odd   ? QStringLiteral("odd")
                                  : QStringLiteral("none");
}

// "found 7 baud 38400 parity even data-bits 8 stop-bits 1 software 10203 serial 2026120700042-000000000007"
QString scanHitLine(const ScanHit &hit, const LinkParameters &link)
{
    QString line = QStringLiteral("found %1").arg(hit.address);
    if (hit.connectType == ConnectionType::Rtu)
        line += QStringLiteral(" baud %1 parity %2 data-bits %3 stop-bits %4")
                    .arg(hit.baud)
                    .arg(parityName(hit.parity))
                    .arg(link.dataBits)
                    .arg(link.stopBits);
    line += QStringLiteral(" software %1 serial %2")
                .arg(hit.identityRead ? hit.softwareVersion : QStringLiteral("-"),
                    hit.identityRead ? hit.serialNumber : QStringLiteral("-"));
    if (hit.probeException)
        line += QStringLiteral(" (test read answered with exception %1)").arg(hit.probeException);
    return line;
}

QString devicesText(int count)
{
    return count == 1 ? QStringLiteral("1 device found") : QStringLiteral("%1 devices found").arg(count);
}

// --ids A-B (or one address N): false when it is not a range within 1..247.
bool parseAddressRange(const QString &text, int *first, int *last)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() > 2)
        return false;
    bool ok1 = false;
    bool ok2 = false;
    *first = parts.first().trimmed().toInt(&ok1);
    *last = parts.size() == 2 ? parts.last().trimmed().toInt(&ok2) : *first;
    if (parts.size() == 1)
        ok2 = ok1;
    return ok1 && ok2 && *first >= DeviceScan::MinAddress && *last <= DeviceScan::MaxAddress
        && *first <= *last;
}

// q4config --scan: one line per device that answers, then the count.
int runScanCommandLine(const QCommandLineParser &parser)
{
    auto fail = [](const QString &text) {
        err() << "q4config: " << text << "\n";
        err().flush();
        return 2;
    };
    if (parser.isSet(ExportOption) || parser.isSet(ImportOption) || parser.isSet(DiffOption)
        || parser.isSet(CloneOption))
        return fail(QStringLiteral("--scan excludes --export, --import, --diff and --clone"));
    if (parser.isSet(IdOption))
        return fail(QStringLiteral("--scan probes the addresses of --ids A-B, not --id"));
    ScanRequest request;
    QString error;
    if (!commandLineLink(parser, &request.link, &error, false, &request))
        return fail(error);
    if (parser.isSet(IdsOption)
        && !parseAddressRange(parser.value(IdsOption), &request.firstAddress, &request.lastAddress))
        return fail(QStringLiteral("bad --ids (A-B within 1-247, A not above B)"));
    if (parser.isSet(ProbeTimeoutOption)) {
        bool ok = false;
        request.probeTimeoutMs = parser.value(ProbeTimeoutOption).toInt(&ok);
        if (!ok || request.probeTimeoutMs < DeviceScan::MinProbeTimeoutMs
            || request.probeTimeoutMs > DeviceScan::MaxProbeTimeoutMs)
            return fail(QStringLiteral("bad --probe-timeout (%1..%2 ms)")
                            .arg(DeviceScan::MinProbeTimeoutMs)
                            .arg(DeviceScan::MaxProbeTimeoutMs));
    }

    DeviceScan scan;
    QObject::connect(&scan, &DeviceScan::found, [&request](const ScanHit &hit) {
        out() << scanHitLine(hit, request.link) << "\n";
        out().flush();
    });
    QElapsedTimer clock;
    clock.start();
    const DeviceScan::Outcome outcome = scan.run(request);
    const int count = scan.hits().size();
    const int total = DeviceScan::probeCount(request);
    const QString seconds = QString::number(clock.elapsed() / 1000.0, 'f', 1);
    if (outcome != DeviceScan::Finished) {
        // The devices found so far are real, but the scan is not complete.
        out() << "scan failed: " << scan.errorText() << "; " << devicesText(count) << " in "
              << scan.probesDone() << " of " << total << " probes\n";
        out().flush();
        return 1;
    }
    out() << "scan done: " << devicesText(count) << " in " << total << " probes (" << seconds << " s)\n";
    out().flush();
    return count > 0 ? 0 : 1;
}

} // namespace

bool openCheckedLink(const LinkParameters &link, QString *error)
{
    if (!connectLink(link, error))
        return false;
    // The connection page's test read decides, as in the window.
    if (checkDevice(processLinkTarget(linkSession().modbusClient, link), link, error))
        return true;
    closeCheckedLink();
    return false;
}

void closeCheckedLink() { takeClientDown(linkSession().modbusClient); }

bool prepareWorkbookCommandLine(int argc, char **argv)
{
    static const char *const runs[] = {"export", "import", "diff", "clone", "scan", "history", "history-diff",
        "restore", "backup-all", "push"};
    bool windowless = false;
    bool guiOption = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        bool workbookRun = false;
        for (const char *run : runs) {
            const QByteArray name(run);
            workbookRun
                = workbookRun || arg == "--" + name || arg == "-" + name || arg.startsWith("--" + name + "=");
        }
        // Printing the help or the version needs no display either.
        const bool textOnly
            = arg == "--help" || arg == "-h" || arg == "--help-all" || arg == "--version" || arg == "-v";
        windowless = windowless || workbookRun || textOnly;
        // Qt's own options (-platform NAME, -style NAME, -reverse...) have one dash.
        guiOption = guiOption
            || (!workbookRun && !textOnly && arg.size() > 1 && arg.at(0) == '-' && arg.at(1) != '-');
    }
    if (windowless && guiOption && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return windowless && !guiOption;
}

void addWorkbookOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {ExportOption,
            QStringLiteral("Export the device's parameters into the workbook FILE (made from the template) "
                           "and exit."),
            QStringLiteral("FILE")},
        {ImportOption,
            QStringLiteral("Import the parameter workbook FILE into the device (only the rows that differ, "
                           "then read back) and exit."),
            QStringLiteral("FILE")},
        {DiffOption,
            QStringLiteral("List the rows of the workbook FILE whose value differs from the device, write "
                           "nothing, and exit (0 none differ, 1 some differ, 2 error)."),
            QStringLiteral("FILE")},
        {CloneOption,
            QStringLiteral("Import the workbook FILE into several devices: every --tcp, and every --rtu-tcp "
                           "and --rtu with each server address of --id 1,2,5."),
            QStringLiteral("FILE")},
        {TcpOption,
            QStringLiteral("Device over Modbus TCP at HOST:PORT (instead of the saved connection); repeated "
                           "for --clone."),
            QStringLiteral("HOST:PORT")},
        {RtuOption,
            QStringLiteral("Device over Modbus RTU on serial PORT (instead of the saved connection)."),
            QStringLiteral("PORT")},
        {RtuTcpOption,
            QStringLiteral(
                "Device over Modbus RTU over TCP (RTU frames through a serial-to-Ethernet "
                "converter) at HOST:PORT (instead of the saved connection); repeated for --clone."),
            QStringLiteral("HOST:PORT")},
        {BaudOption, QStringLiteral("RTU baud rate."), QStringLiteral("BAUD")},
        {ParityOption, QStringLiteral("RTU parity: none, even, odd (or N, E, O)."), QStringLiteral("PARITY")},
        {DataBitsOption, QStringLiteral("RTU data bits, 7 or 8."), QStringLiteral("N")},
        {StopBitsOption, QStringLiteral("RTU stop bits, 1 or 2."), QStringLiteral("N")},
        {IdOption,
            QStringLiteral(
                "Server address of the device; for --clone over --rtu or --rtu-tcp a list (1,2,5)."),
            QStringLiteral("N")},
        {WordOrderOption, QStringLiteral("Word order of 32-bit values: ab-cd or cd-ab."),
            QStringLiteral("ORDER")},
        {TimeoutOption, QStringLiteral("Response time-out in ms."), QStringLiteral("MS")},
        {LanguageOption, QStringLiteral("Template language of --export: en (default) or cn."),
            QStringLiteral("LANG")},
        {JobsOption,
            QStringLiteral("Connections of --clone served at once (default 4): each --tcp target, each "
                           "--rtu-tcp HOST:PORT with its devices."),
            QStringLiteral("N")},
        {AllRowsOption,
            QStringLiteral("--import, --clone: write every valid row, not only those that differ.")},
        {RowByRowOption, QStringLiteral("Read the device with one request per row instead of block reads.")},
        {ScanOption,
            QStringLiteral("Probe the server addresses of --ids over the link and print one line per device "
                           "that answers, then exit (status 0 when one did). With --rtu, --baud and --parity "
                           "also take all: every baud rate or parity of the connection page.")},
        {IdsOption, QStringLiteral("Server addresses --scan probes, A-B (default 1-247)."),
            QStringLiteral("A-B")},
        {ProbeTimeoutOption,
            QStringLiteral("Time --scan waits for each address to answer, in ms (default 200)."),
            QStringLiteral("MS")},
    });
    addHistoryOptions(parser);
}

namespace {

// Progress on stderr, at most once a second: "import: writing 120/241".
class ProgressLine
{
public:
    explicit ProgressLine(const QString &what)
        : m_what(what)
    {
        m_clock.start();
    }
    void update(int phase, int done, int total)
    {
        if (m_clock.elapsed() < 1000)
            return;
        m_clock.restart();
        err() << m_what << ": " << phaseName(phase) << " " << done << "/" << total << "\n";
        err().flush();
    }

private:
    QString m_what;
    QElapsedTimer m_clock;
};

int failWith(const QString &message, int status)
{
    err() << "q4config: " << message << "\n";
    err().flush();
    return status;
}

} // namespace

QString endReason(const ExelToWrite &worker, int result, const LinkParameters &link, bool exporting,
    const QString &file, const QString &untouched)
{
    const bool verifying = !exporting && worker.lastPhase() == ExelToWrite::Verifying;
    const QString rows = verifying
        ? QStringLiteral("while reading back the %1 written rows").arg(worker.transferredRows())
        : rowsDoneText(worker.firstRowNotDone(), worker.rowCount());
    switch (result) {
    case ExelToWrite::NoAnswer:
        return QStringLiteral("no answer from server address %1 at %2 for %3 rows in a row: %4")
                   .arg(link.serverAddress)
                   .arg(linkText(link))
                   .arg(ExelToWrite::MaxSilentRows)
                   .arg(rows)
            + untouched;
    case ExelToWrite::LinkLost:
        return QStringLiteral("the link to %1 is gone: %2").arg(linkText(link), rows) + untouched;
    case ExelToWrite::SaveFailed: {
        QString reason = QStringLiteral("cannot save %1").arg(file);
        if (!worker.lastErrorDetail().isEmpty())
            reason += QStringLiteral(" (%1)").arg(worker.lastErrorDetail());
        return reason;
    }
    case ExelToWrite::Stopped:
        return QStringLiteral("the link was stopped");
    default:
        break;
    }
    // The worker's own text names the file and what is wrong with it.
    return worker.lastErrorText().isEmpty() ? QStringLiteral("the run ended early (%1)").arg(result)
                                            : worker.lastErrorText();
}

namespace {

int runExportOrImport(const QCommandLineParser &parser, bool exporting)
{
    int language = 0;
    if (parser.isSet(LanguageOption)) {
        const QString lang = parser.value(LanguageOption).toLower();
        if (lang == QLatin1String("cn") || lang == QLatin1String("zh"))
            language = 1;
        else if (lang != QLatin1String("en"))
            return failWith(QStringLiteral("bad --language (en or cn)"), 2);
    }
    const QString file = QFileInfo(parser.value(exporting ? ExportOption : ImportOption)).absoluteFilePath();
    LinkParameters link;
    QString error;
    if (!commandLineLink(parser, &link, &error))
        return failWith(error, 2);

    const char *what = exporting ? "export" : "import";
    if (isLegacyWorkbookName(file))
        return failWith(
            QStringLiteral("%1 failed: %2: not an .xlsx workbook: save it as .xlsx").arg(what, file), 2);
    // An export is not written under a name other than the one given, nor over a folder.
    const ExelToWrite::PathKind target = ExelToWrite::workbookPathKind(file);
    if (exporting
        && (target == ExelToWrite::PathKind::Folder || target == ExelToWrite::PathKind::NameNotUtf8))
        return failWith(QStringLiteral("export failed: ") + ExelToWrite::workbookPathProblem(file), 2);
    const QString templatePath = templateDirectory() + QLatin1Char('/') + templateFileName(language);
    if (exporting && !QFileInfo(templatePath).isFile())
        return failWith(QStringLiteral("export failed: no template ") + templatePath, 1);
    // Nothing is touched before the device has answered.
    if (!openCheckedLink(link, &error))
        return failWith(QStringLiteral("%1 failed: %2").arg(what, error), 1);
    HistoryRecorder history(commandLineHistoryFolder(parser));
    history.readSerial(processLinkTarget(linkSession().modbusClient, link));

    ExelToWrite worker;
    worker.blockReads = !parser.isSet(RowByRowOption);
    worker.allRows = parser.isSet(AllRowsOption);
    int lastTenth = -1;
    QObject::connect(&worker, &ExelToWrite::rowProcessed, [&lastTenth](int row, int rows) {
        const int tenth = rows > 1 ? (row - 1) * 10 / (rows - 1) : 10;
        if (tenth != lastTenth) {
            lastTenth = tenth;
            out() << "row " << row << "/" << rows << " (" << tenth * 10 << "%)\n";
            out().flush();
        }
    });
    ProgressLine progress(QString::fromLatin1(what));
    QObject::connect(&worker, &ExelToWrite::progress,
        [&progress](int phase, int done, int total) { progress.update(phase, done, total); });
    // An export replaces an existing file only with a complete new one.
    const int result = exporting
        ? worker.exportToFile(templatePath, file, linkSession().modbusClient, language)
        : worker.importWorkbook(file, linkSession().modbusClient);
    history.record(exporting ? HistorySource::Export : HistorySource::Import, worker,
        linkSession().modbusClient, QFileInfo(file).fileName(), historyLinkText(link),
        HistoryRecorder::wentThrough(result, worker));
    closeCheckedLink();
    auto withHistory
        = [&history](int status) { return withHistoryProblem(status, status == 0, history.error()); };

    const int rows = worker.transferredRows();
    if (result == ExelToWrite::Done || result == ExelToWrite::RowsFailed) {
        // Every row was tried: the file (export) or the device (import) holds the
        // rows that worked; the status says whether all did.
        out() << what << " done: " << rows << (exporting ? " values read into " : " values written from ")
              << file << failedText(worker) << (exporting && worker.failedRows() ? ", marked 88020200" : "")
              << "; " << worker.skippedRows() << " skipped";
        if (!exporting)
            out() << "; " << worker.unchangedRows() << " unchanged; " << verifiedText(worker);
        out() << "\n";
        out().flush();
        return withHistory(result == ExelToWrite::Done ? 0 : 1);
    }
    const QString untouched = exporting ? QStringLiteral("; %1 left as it was").arg(file)
                                        : QStringLiteral("; %1 values written").arg(rows) + failedText(worker)
            + QStringLiteral("; %1 sent, not confirmed").arg(worker.unconfirmedWrites());
    out() << what << " failed: " << endReason(worker, result, link, exporting, file, untouched) << "\n";
    out().flush();
    return withHistory(1);
}

// "4294967196" for a 32-bit row, "65535" for a 16-bit row; "unreadable" when the device did not give it.
QString diffValue(bool read, quint32 value)
{
    return read ? QString::number(value) : QStringLiteral("unreadable");
}

int runDiff(const QCommandLineParser &parser)
{
    const QString file = QFileInfo(parser.value(DiffOption)).absoluteFilePath();
    LinkParameters link;
    QString error;
    if (!commandLineLink(parser, &link, &error))
        return failWith(error, 2);
    if (isLegacyWorkbookName(file))
        return failWith(
            QStringLiteral("diff failed: %1: not an .xlsx workbook: save it as .xlsx").arg(file), 2);
    const QString problem = ExelToWrite::workbookPathProblem(file);
    if (!problem.isEmpty())
        return failWith(QStringLiteral("diff failed: ") + problem, 2);
    if (!openCheckedLink(link, &error))
        return failWith(QStringLiteral("diff failed: ") + error, 2);
    HistoryRecorder history(commandLineHistoryFolder(parser));
    history.readSerial(processLinkTarget(linkSession().modbusClient, link));

    ExelToWrite worker;
    worker.blockReads = !parser.isSet(RowByRowOption);
    ProgressLine progress(QStringLiteral("diff"));
    QObject::connect(&worker, &ExelToWrite::progress,
        [&progress](int phase, int done, int total) { progress.update(phase, done, total); });
    const int result = worker.compareWorkbook(file, linkSession().modbusClient);
    history.record(HistorySource::Diff, worker, linkSession().modbusClient, QFileInfo(file).fileName(),
        historyLinkText(link), result == ExelToWrite::Done);
    closeCheckedLink();
    if (result != ExelToWrite::Done) {
        out() << "diff failed: " << endReason(worker, result, link, false, file, QString()) << "\n";
        out().flush();
        return withHistoryProblem(2, false, history.error());
    }
    const QVector<RowDifference> differences = worker.differences();
    for (const RowDifference &d : differences)
        out() << "diff " << d.address << " " << d.count << " device=" << diffValue(d.deviceRead, d.device)
              << " file=" << d.file << " " << d.name << "\n";
    out() << differences.size() << " rows differ\n";
    out().flush();
    return withHistoryProblem(differences.isEmpty() ? 0 : 1, true, history.error());
}

int runCloneCommand(const QCommandLineParser &parser)
{
    const QString file = QFileInfo(parser.value(CloneOption)).absoluteFilePath();
    LinkParameters link;
    QString error;
    if (!commandLineLink(parser, &link, &error, true))
        return failWith(error, 2);
    int jobs = 4;
    if (parser.isSet(JobsOption)) {
        bool ok = false;
        jobs = parser.value(JobsOption).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 64)
            return failWith(QStringLiteral("bad --jobs (1..64)"), 2);
    }
    if (isLegacyWorkbookName(file))
        return failWith(
            QStringLiteral("clone failed: %1: not an .xlsx workbook: save it as .xlsx").arg(file), 2);

    // The targets: every --tcp, then every RTU over TCP converter and the
    // serial port, each with every server address.
    QVector<int> ids {link.serverAddress};
    if (parser.isSet(IdOption))
        serverAddresses(parser.value(IdOption), &ids, &error);
    QVector<CloneTarget> targets;
    for (const QString &value : parser.values(TcpOption)) {
        CloneTarget target;
        target.link = link;
        tcpTarget(value, &target.link, &error);
        targets.append(target);
    }
    for (const QString &value : parser.values(RtuTcpOption)) {
        for (const int id : qAsConst(ids)) {
            CloneTarget target;
            target.link = link;
            tcpTarget(value, &target.link, &error, ConnectionType::RtuOverTcp);
            target.link.serverAddress = id;
            targets.append(target);
        }
    }
    if (parser.isSet(RtuOption)) {
        for (const int id : qAsConst(ids)) {
            CloneTarget target;
            target.link = link;
            target.link.connectType = ConnectionType::Rtu;
            target.link.serialPortName = parser.value(RtuOption);
            target.link.serverAddress = id;
            targets.append(target);
        }
    }
    if (targets.isEmpty()) {
        // The saved connection is the one target.
        CloneTarget target;
        target.link = link;
        targets.append(target);
    }
    for (CloneTarget &target : targets)
        target.name = cloneTargetName(target.link);

    // The workbook is read once for every target.
    ExelToWrite reader;
    ImportSheet sheet;
    if (reader.readImportSheet(file, &sheet) != 0) {
        out() << "clone failed: " << endReason(reader, -1, link, false, file, QString()) << "\n";
        out().flush();
        return 2;
    }
    CloneOptions options;
    options.jobs = jobs;
    options.allRows = parser.isSet(AllRowsOption);
    options.blockReads = !parser.isSet(RowByRowOption);
    options.historyFolder = commandLineHistoryFolder(parser);
    options.workbookName = QFileInfo(file).fileName();
    const QVector<CloneResult> results = runClone(sheet, targets, options, [](const QString &line) {
        err() << line << "\n";
        err().flush();
    });
    int good = 0;
    for (int i = 0; i < targets.size(); ++i) {
        out() << cloneResultLine(targets.at(i), results.at(i)) << "\n";
        good += results.at(i).ok ? 1 : 0;
    }
    out() << "clone done: " << good << " of " << targets.size() << " targets ok";
    if (good < targets.size())
        out() << ", " << targets.size() - good << " failed";
    out() << "\n";
    out().flush();
    // The history problems of the targets, after the result lines.
    QStringList historyProblems;
    for (int i = 0; i < targets.size(); ++i) {
        if (!results.at(i).historyError.isEmpty())
            historyProblems
                << QStringLiteral("clone %1: %2").arg(targets.at(i).name, results.at(i).historyError);
    }
    const int status = good == targets.size() ? 0 : 1;
    return withHistoryProblem(status, status == 0, historyProblems);
}

// The status of a run whose --log-traffic file stopped taking lines: the run
// went on (a half-done import is worse than a short log), but the record it
// was asked for is incomplete, so it fails with at least failedStatus.
int withTrafficLogStatus(int status, int failedStatus)
{
    const QString reason = linkSession().traffic.fileError();
    if (reason.isEmpty())
        return status;
    failWith(QStringLiteral("cannot write --log-traffic %1: %2; the traffic record is incomplete")
                 .arg(linkSession().traffic.filePath(), reason),
        failedStatus);
    // 3 (done, history not recorded) is a run that worked: this one failed.
    return status == HistoryProblemStatus ? failedStatus : qMax(status, failedStatus);
}

} // namespace

int runWorkbookCommandLine(const QCommandLineParser &parser, LinkSession &session)
{
    const LinkSession::Current use(session);
    if (isHistoryRun(parser)) {
        if (parser.isSet(ScanOption) || parser.isSet(ExportOption) || parser.isSet(ImportOption)
            || parser.isSet(DiffOption) || parser.isSet(CloneOption) || isRestoreRun(parser)
            || isBackupAllRun(parser) || isPushRequested(parser))
            return failWith(QStringLiteral("--history and --history-diff exclude --export, --import, --diff, "
                                           "--clone, --scan, --restore, --backup-all and --push"),
                2);
        return runHistoryCommandLine(parser);
    }
    const bool exporting = parser.isSet(ExportOption);
    const bool importing = parser.isSet(ImportOption);
    const bool diffing = parser.isSet(DiffOption);
    const bool cloning = parser.isSet(CloneOption);
    const bool restoring = isRestoreRun(parser);
    const bool backingUp = isBackupAllRun(parser);
    const int runs
        = int(exporting) + int(importing) + int(diffing) + int(cloning) + int(restoring) + int(backingUp);
    if (parser.isSet(ScanOption)) {
        if (restoring || backingUp || isPushRequested(parser))
            return failWith(QStringLiteral("--scan excludes --restore, --backup-all and --push"), 2);
        return withTrafficLogStatus(runScanCommandLine(parser), 1);
    }
    if (runs == 0 && isPushRequested(parser))
        return failWith(
            QStringLiteral("--push goes with --export, --import, --diff, --clone, --restore or --backup-all"),
            2);
    if (runs == 0)
        return -1;
    if (runs > 1)
        return failWith(
            QStringLiteral(
                "--export, --import, --diff, --clone, --restore and --backup-all exclude each other"),
            2);
    if (!historyDirArgument(parser).isNull() && historyDirArgument(parser).isEmpty())
        return failWith(QStringLiteral("bad --history-dir (a folder)"), 2);
    const int status = diffing ? runDiff(parser)
        : cloning              ? runCloneCommand(parser)
        : restoring            ? runRestoreCommandLine(parser)
        : backingUp            ? runBackupAllCommandLine(parser)
                               : runExportOrImport(parser, exporting);
    // A diff's 1 means "rows differ": its failures are 2.
    const int failed = diffing ? 2 : 1;
    // The run's work is done (3: done, but the history is not recorded).
    const bool worked = status == 0 || status == HistoryProblemStatus || (diffing && status == 1);
    // Arguments the run refused (2) leave the store alone.
    const int pushed = status == 2 ? status : pushAfterRun(parser, status, worked);
    return withTrafficLogStatus(pushed, failed);
}
