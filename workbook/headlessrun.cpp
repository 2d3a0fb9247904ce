#include "workbook/headlessrun.h"

#include "app/appstate.h"
#include "link/devicescan.h"
#include "link/linkstate.h"
#include "link/modbussetting.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "workbook/exceltowrite.h"
#include "workbook/parameterworkbook.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QModbusRtuSerialMaster>
#include <QModbusTcpClient>
#include <QSettings>
#include <QTextStream>
#include <QUrl>

namespace {

const QString ExportOption = QStringLiteral("export");
const QString ImportOption = QStringLiteral("import");
const QString TcpOption = QStringLiteral("tcp");
const QString RtuOption = QStringLiteral("rtu");
const QString BaudOption = QStringLiteral("baud");
const QString ParityOption = QStringLiteral("parity");
const QString DataBitsOption = QStringLiteral("data-bits");
const QString StopBitsOption = QStringLiteral("stop-bits");
const QString IdOption = QStringLiteral("id");
const QString WordOrderOption = QStringLiteral("word-order");
const QString TimeoutOption = QStringLiteral("timeout");
const QString LanguageOption = QStringLiteral("language");
const QString ScanOption = QStringLiteral("scan");
const QString IdsOption = QStringLiteral("ids");
const QString ProbeTimeoutOption = QStringLiteral("probe-timeout");

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// The connection saved by the connection page.
LinkParameters savedLink()
{
    LinkParameters link;
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Q4"));
    const QVector<int> &bauds = serialBaudRates();
    const int baudIndex = settings.value(QStringLiteral("baudCombo"), 3).toInt();
    if (baudIndex >= 0 && baudIndex < bauds.size())
        link.baud = bauds[baudIndex];
    link.dataBits = settings.value(QStringLiteral("dataBitsCombo"), 1).toInt() == 0 ? 7 : 8;
    const int parityIndex = settings.value(QStringLiteral("parityCombo"), 1).toInt();
    link.parity = parityIndex > 0 ? parityIndex + 1 : 0;
    link.stopBits = settings.value(QStringLiteral("stopBitsCombo"), 0).toInt() == 1 ? 2 : 1;
    link.connectType = settings.value(QStringLiteral("connectType"), 0).toInt() != 0 ? 1 : 0;
    link.hostAddress
        = settings.value(QStringLiteral("EditHostIP"), QStringLiteral("192.168.101.1")).toString();
    link.networkPort = settings.value(QStringLiteral("EditPort"), QStringLiteral("502")).toString();
    link.serverAddress = settings.value(QStringLiteral("spinboxSlaveId"), 1).toInt();
    link.wordOrder = settings.value(QStringLiteral("DwordFormat"), 0).toInt() == 1 ? 1 : 0;
    const int timeout
        = settings.value(QStringLiteral("timeoutSpinner"), 1000).toString().section(' ', 0, 0).toInt();
    if (timeout > 0)
        link.responseTime = qBound(50, timeout, 1000);
    link.serialPortName
        = ModbusSetting::portNameFromItem(settings.value(QStringLiteral("serialnumcomboBox")).toString());
    return link;
}

// The link of the command line: the saved one, changed by the options given.
// A scan (scan given) also takes "all" for --baud and --parity: every baud rate
// or parity of the connection page's lists goes into scan->bauds / parities.
bool commandLineLink(
    const QCommandLineParser &parser, LinkParameters *link, QString *error, ScanRequest *scan = nullptr)
{
    *link = savedLink();
    if (parser.isSet(TcpOption) && parser.isSet(RtuOption)) {
        *error = QStringLiteral("--tcp and --rtu exclude each other");
        return false;
    }
    if (parser.isSet(TcpOption)) {
        const QString value = parser.value(TcpOption);
        const int colon = value.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
        if (!ok || port < 1 || port > 65535) {
            *error = QStringLiteral("bad --tcp (HOST:PORT)");
            return false;
        }
        link->connectType = 1;
        link->hostAddress = value.left(colon);
        link->networkPort = QString::number(port);
    }
    if (parser.isSet(RtuOption)) {
        link->connectType = 0;
        link->serialPortName = parser.value(RtuOption);
    }
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
        if (p == QLatin1String("none") || p == QLatin1String("n"))
            link->parity = 0;
        else if (p == QLatin1String("even") || p == QLatin1String("e"))
            link->parity = 2;
        else if (p == QLatin1String("odd") || p == QLatin1String("o"))
            link->parity = 3;
        else if (scan && p == QLatin1String("all"))
            scan->parities = serialParities();
        else {
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
        link->serverAddress = parser.value(IdOption).toInt(&ok);
        if (!ok || link->serverAddress < 1 || link->serverAddress > 247) {
            *error = QStringLiteral("bad --id");
            return false;
        }
    }
    if (parser.isSet(WordOrderOption)) {
        const QString order = parser.value(WordOrderOption).toLower();
        if (order == QLatin1String("ab-cd"))
            link->wordOrder = 0;
        else if (order == QLatin1String("cd-ab"))
            link->wordOrder = 1;
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
    if (link->connectType == 1 && link->hostAddress.isEmpty()) {
        *error = QStringLiteral("no device host: give --tcp HOST:PORT");
        return false;
    }
    if (link->connectType == 0 && link->serialPortName.isEmpty()) {
        *error = QStringLiteral("no serial port: give --rtu PORT or --tcp HOST:PORT");
        return false;
    }
    return true;
}

// Creates and connects the process's Modbus client; false when the device cannot be reached.
bool connectLink(const LinkParameters &link, QString *error)
{
    QModbusClient *client = nullptr;
    if (link.connectType == 1) {
        client = new QModbusTcpClient;
        client->setConnectionParameter(QModbusDevice::NetworkPortParameter, link.networkPort.toInt());
        client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, link.hostAddress);
    } else {
        client = new QModbusRtuSerialMaster;
        client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, link.serialPortName);
        client->setConnectionParameter(QModbusDevice::SerialParityParameter, link.parity);
        client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, link.baud);
        client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, link.dataBits);
        client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, link.stopBits);
    }
    client->setTimeout(link.responseTime);
    client->setNumberOfRetries(0);
    if (!client->connectDevice()) {
        *error = QStringLiteral("cannot connect to %1: %2").arg(linkText(link), client->errorString());
        delete client;
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (client->state() == QModbusDevice::ConnectingState && clock.elapsed() < 5000)
        waitProcessingEvents(5);
    if (client->state() != QModbusDevice::ConnectedState) {
        *error = QStringLiteral("cannot connect to %1: %2")
                     .arg(linkText(link),
                         client->errorString().isEmpty() ? QStringLiteral("no connection")
                                                         : client->errorString());
        delete client;
        return false;
    }
    modbusClient = client;
    TrafficLog::instance().resetStatistics();
    currentServerAddress = link.serverAddress;
    wordOrder = link.wordOrder;
    appliedLink = link;
    liveLink = link;
    tcpLink = link.connectType;
    return true;
}

// "rows 2 to 36 done, rows 37 to 242 not done"
QString rowsDoneText(int firstNotDone, int rows)
{
    const QString notDone = QStringLiteral("rows %1 to %2 not done").arg(firstNotDone).arg(rows);
    if (firstNotDone <= 2)
        return QStringLiteral("no row done, ") + notDone;
    return QStringLiteral("rows 2 to %1 done, ").arg(firstNotDone - 1) + notDone;
}

// "; 2 failed (first failed addresses: 204, 206)"
QString failedText(const ExelToWrite &worker)
{
    QString text = QStringLiteral("; %1 failed").arg(worker.failedRows());
    const QVector<int> addresses = worker.failedAddresses();
    if (!addresses.isEmpty()) {
        QStringList parts;
        for (const int address : addresses)
            parts << QString::number(address);
        if (worker.failedRows() > addresses.size())
            parts << QStringLiteral("...");
        text += QStringLiteral(" (first failed addresses: %1)").arg(parts.join(QStringLiteral(", ")));
    }
    return text;
}

bool isLegacyWorkbookName(const QString &file)
{
    return file.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive);
}

QString parityName(int parity)
{
    return parity == 2 ? QStringLiteral("even")
        : parity == 3  ? QStringLiteral("odd")
                       : QStringLiteral("none");
}

// "found 7 baud 38400 parity even data-bits 8 stop-bits 1 software 10203 serial 2026120700042-000000000007"
QString scanHitLine(const ScanHit &hit, const LinkParameters &link)
{
    QString line = QStringLiteral("found %1").arg(hit.address);
    if (hit.connectType == 0)
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
    if (parser.isSet(ExportOption) || parser.isSet(ImportOption))
        return fail(QStringLiteral("--scan excludes --export and --import"));
    if (parser.isSet(IdOption))
        return fail(QStringLiteral("--scan probes the addresses of --ids A-B, not --id"));
    ScanRequest request;
    QString error;
    if (!commandLineLink(parser, &request.link, &error, &request))
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

QString linkText(const LinkParameters &link)
{
    if (link.connectType == 1)
        return QStringLiteral("%1:%2").arg(link.hostAddress, link.networkPort);
    return link.serialPortName;
}

bool openCheckedLink(const LinkParameters &link, QString *error)
{
    if (!connectLink(link, error))
        return false;
    // The connection page's test read decides, as in the window.
    LinkParameters block = link;
    block.startAddress = 0;
    block.count = 2;
    quint16 values[2] = {0, 0};
    const TransactionResult result = readHoldingRegisters(modbusClient, block, values);
    if (result == Ok)
        return true;
    const QString where
        = QStringLiteral("server address %1 at %2").arg(link.serverAddress).arg(linkText(link));
    if (result == TimedOut)
        *error = QStringLiteral("no answer from ") + where;
    else if (result == ResponseError)
        *error = where + QStringLiteral(" refused the test read of registers 0 and 1");
    else
        *error = QStringLiteral("no connection to %1").arg(linkText(link));
    closeCheckedLink();
    return false;
}

void closeCheckedLink()
{
    if (!modbusClient)
        return;
    QModbusClient *client = modbusClient;
    modbusClient = nullptr;
    client->disconnectDevice();
    delete client;
}

void prepareWorkbookCommandLine(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        const bool workbookRun = arg == "--export" || arg == "--import" || arg.startsWith("--export=")
            || arg.startsWith("--import=") || arg == "-export" || arg == "-import" || arg == "--scan"
            || arg == "-scan";
        // Printing the help or the version needs no display either.
        const bool textOnly
            = arg == "--help" || arg == "-h" || arg == "--help-all" || arg == "--version" || arg == "-v";
        if ((workbookRun || textOnly) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return;
        }
    }
}

void addWorkbookOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {ExportOption,
            QStringLiteral("Export the device's parameters into the workbook FILE (made from the template) "
                           "and exit."),
            QStringLiteral("FILE")},
        {ImportOption, QStringLiteral("Import the parameter workbook FILE into the device and exit."),
            QStringLiteral("FILE")},
        {TcpOption, QStringLiteral("Device over Modbus TCP at HOST:PORT (instead of the saved connection)."),
            QStringLiteral("HOST:PORT")},
        {RtuOption,
            QStringLiteral("Device over Modbus RTU on serial PORT (instead of the saved connection)."),
            QStringLiteral("PORT")},
        {BaudOption, QStringLiteral("RTU baud rate."), QStringLiteral("BAUD")},
        {ParityOption, QStringLiteral("RTU parity: none, even, odd (or N, E, O)."), QStringLiteral("PARITY")},
        {DataBitsOption, QStringLiteral("RTU data bits, 7 or 8."), QStringLiteral("N")},
        {StopBitsOption, QStringLiteral("RTU stop bits, 1 or 2."), QStringLiteral("N")},
        {IdOption, QStringLiteral("Server address of the device."), QStringLiteral("N")},
        {WordOrderOption, QStringLiteral("Word order of 32-bit values: ab-cd or cd-ab."),
            QStringLiteral("ORDER")},
        {TimeoutOption, QStringLiteral("Response time-out in ms."), QStringLiteral("MS")},
        {LanguageOption, QStringLiteral("Template language of --export: en (default) or cn."),
            QStringLiteral("LANG")},
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
}

int runWorkbookCommandLine(const QCommandLineParser &parser)
{
    if (parser.isSet(ScanOption))
        return runScanCommandLine(parser);
    const bool exporting = parser.isSet(ExportOption);
    const bool importing = parser.isSet(ImportOption);
    if (!exporting && !importing)
        return -1;
    if (exporting && importing) {
        err() << "q4config: --export and --import exclude each other\n";
        err().flush();
        return 2;
    }
    int language = 0;
    if (parser.isSet(LanguageOption)) {
        const QString lang = parser.value(LanguageOption).toLower();
        if (lang == QLatin1String("cn") || lang == QLatin1String("zh"))
            language = 1;
        else if (lang != QLatin1String("en")) {
            err() << "q4config: bad --language (en or cn)\n";
            err().flush();
            return 2;
        }
    }
    const QString file = QFileInfo(parser.value(exporting ? ExportOption : ImportOption)).absoluteFilePath();
    LinkParameters link;
    QString error;
    if (!commandLineLink(parser, &link, &error)) {
        err() << "q4config: " << error << "\n";
        err().flush();
        return 2;
    }

    const char *what = exporting ? "export" : "import";
    if (isLegacyWorkbookName(file)) {
        err() << "q4config: " << what << " failed: " << file << ": not an .xlsx workbook: save it as .xlsx\n";
        err().flush();
        return 2;
    }
    const QString templatePath = templateDirectory() + QLatin1Char('/') + templateFileName(language);
    if (exporting && !QFileInfo(templatePath).isFile()) {
        err() << "q4config: export failed: no template " << templatePath << "\n";
        err().flush();
        return 1;
    }
    // Nothing is touched before the device has answered.
    if (!openCheckedLink(link, &error)) {
        err() << "q4config: " << what << " failed: " << error << "\n";
        err().flush();
        return 1;
    }

    ExelToWrite worker;
    worker.showPopups = false;
    int lastTenth = -1;
    QObject::connect(&worker, &ExelToWrite::rowProcessed, [&lastTenth](int row, int rows) {
        const int tenth = rows > 1 ? (row - 1) * 10 / (rows - 1) : 10;
        if (tenth != lastTenth) {
            lastTenth = tenth;
            out() << "row " << row << "/" << rows << " (" << tenth * 10 << "%)\n";
            out().flush();
        }
    });
    importIdle = exportIdle = false;
    // An export replaces an existing file only with a complete new one.
    const int result = exporting ? worker.exportToFile(templatePath, file, modbusClient, language)
                                 : worker.importWorkbook(file, modbusClient);
    importIdle = exportIdle = true;
    closeCheckedLink();
    pollBusy = false;

    const int rows = worker.transferredRows();
    if (result == ExelToWrite::Done || result == ExelToWrite::RowsFailed) {
        // Every row was tried: the file (export) or the device (import) holds the
        // rows that worked; the status says whether all did.
        out() << what << " done: " << rows << (exporting ? " values read into " : " values written from ")
              << file << failedText(worker) << (exporting && worker.failedRows() ? ", marked 88020200" : "")
              << "; " << worker.skippedRows() << " skipped\n";
        out().flush();
        return result == ExelToWrite::Done ? 0 : 1;
    }
    const QString untouched = exporting
        ? QStringLiteral("; %1 left as it was").arg(file)
        : QStringLiteral("; %1 values written").arg(rows) + failedText(worker);
    QString reason;
    switch (result) {
    case ExelToWrite::NoAnswer:
        reason = QStringLiteral("no answer from server address %1 at %2 for %3 rows in a row: %4")
                     .arg(link.serverAddress)
                     .arg(linkText(link))
                     .arg(ExelToWrite::MaxSilentRows)
                     .arg(rowsDoneText(worker.firstRowNotDone(), worker.rowCount()))
            + untouched;
        break;
    case ExelToWrite::LinkLost:
        reason = QStringLiteral("the link to %1 is gone: %2")
                     .arg(linkText(link), rowsDoneText(worker.firstRowNotDone(), worker.rowCount()))
            + untouched;
        break;
    case ExelToWrite::SaveFailed:
        reason = QStringLiteral("cannot save %1").arg(file);
        if (!worker.lastErrorDetail().isEmpty())
            reason += QStringLiteral(" (%1)").arg(worker.lastErrorDetail());
        break;
    case ExelToWrite::Stopped:
        reason = QStringLiteral("the link was stopped");
        break;
    default:
        reason = worker.lastError();
        if (reason == QLatin1String("error1"))
            reason += exporting ? QStringLiteral(" (no template)") : QStringLiteral(" (no such file)");
        else if (reason == QLatin1String("error2"))
            reason += worker.lastErrorDetail().isEmpty()
                ? QStringLiteral(" (not a readable xlsx workbook)")
                : QStringLiteral(" (not a readable xlsx workbook: %1)").arg(worker.lastErrorDetail());
        else if (reason == QLatin1String("error3") || reason == QLatin1String("error4"))
            reason += QStringLiteral(" (no worksheet \"%1\")").arg(ParameterSheetName);
        else if (reason == QLatin1String("error5"))
            reason += QStringLiteral(" (the worksheet is empty)");
    }
    out() << what << " failed: " << reason << "\n";
    out().flush();
    return 1;
}
