#include "link/serialports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QModbusDevice>
#include <QSerialPortInfo>
#include <QStringList>
#include <QVariant>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace {

const QString entrySeparator = QStringLiteral(" \u2013 ");

QString translated(const char *text) { return QCoreApplication::translate("SerialPortProblem", text); }

bool isAccessible(const QString &devicePath)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(devicePath);
    return ::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES;
#else
    Q_UNUSED(devicePath)
    return true;
#endif
}

// The program name of a process: its comm, else the file name of its executable.
QString programOf(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (comm.open(QIODevice::ReadOnly)) {
        const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
        if (!name.isEmpty())
            return name;
    }
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid))).fileName();
}

bool processHoldsFile(qint64 pid, const QString &target)
{
    const QString fdFolder = QStringLiteral("/proc/%1/fd").arg(pid);
    const QStringList fds = QDir(fdFolder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &fd : fds) {
        if (QFile::symLinkTarget(fdFolder + QLatin1Char('/') + fd) == target)
            return true;
    }
    return false;
}

// The process named by a UUCP lock file ("  1234" or Qt's "1234\nprogram\nhost"), if it still runs.
qint64 lockFileOwner(const QString &lockPath)
{
    QFile lock(lockPath);
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const qint64 pid = QString::fromLatin1(lock.readLine(64)).trimmed().toLongLong(&ok);
    return ok && pid > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)) ? pid : 0;
}

} // namespace

QString serialPortEntryText(const QString &portName, const QString &description, const QString &serialNumber)
{
    QString text = portName;
    if (!description.trimmed().isEmpty())
        text += entrySeparator + description.trimmed();
    if (!serialNumber.trimmed().isEmpty())
        text += QStringLiteral(" (") + serialNumber.trimmed() + QLatin1Char(')');
    return text;
}

QVector<SerialPortEntry> availableSerialPorts()
{
    QVector<SerialPortEntry> entries;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        entries.append(
            {info.portName(), serialPortEntryText(info.portName(), info.description(), info.serialNumber())});
    return entries;
}

QString portNameFromListText(const QString &text)
{
    const int separator = text.indexOf(entrySeparator);
    if (separator >= 0)
        return text.left(separator);
    // "description(port)": the port is the last parenthesised part, since a
    // description may hold parentheses of its own ("USB Serial (CH340)(ttyUSB0)").
    const int open = text.lastIndexOf(QLatin1Char('('));
    if (open < 0)
        return text;
    const int close = text.indexOf(QLatin1Char(')'), open + 1);
    return text.mid(open + 1, close < 0 ? -1 : close - open - 1);
}

QString serialPortDevicePath(const QString &portName)
{
#ifdef Q_OS_UNIX
    if (!portName.startsWith(QLatin1Char('/')))
        return QStringLiteral("/dev/") + portName;
#endif
    return portName;
}

SerialOpenProblem classifySerialOpenFailure(
    QSerialPort::SerialPortError error, const SerialDeviceFacts &facts)
{
    if (error == QSerialPort::DeviceNotFoundError || !facts.exists)
        return SerialOpenProblem::NotFound;
    if (!facts.accessible)
        return SerialOpenProblem::PermissionDenied;
    // The user may open the device, yet the system refused: another program
    // holds it (a lock file, an exclusive open, or this process itself).
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError)
        return SerialOpenProblem::Busy;
    return SerialOpenProblem::Other;
}

QVector<SerialPortHolder> serialPortHolders(const QString &devicePath)
{
    QVector<SerialPortHolder> holders;
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(devicePath).canonicalFilePath();
    if (target.isEmpty())
        return holders;
    auto add = [&holders](qint64 pid) {
        for (const SerialPortHolder &h : holders)
            if (h.pid == pid)
                return;
        holders.append({pid, programOf(pid)});
    };
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : processes) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (numeric && processHoldsFile(pid, target))
            add(pid);
    }
    // UUCP lock files of the name as given and of the device it leads to, and
    // the one Qt's serial port takes (the path with "/" as "_").
    QString qtName = devicePath;
    qtName.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const QString &name : {QFileInfo(devicePath).fileName(), QFileInfo(target).fileName(), qtName}) {
        if (const qint64 pid = lockFileOwner(QStringLiteral("/var/lock/LCK..") + name))
            add(pid);
    }
#else
    Q_UNUSED(devicePath)
#endif
    return holders;
}

SerialOpenFailure diagnoseSerialOpenFailure(
    const QString &portName, QSerialPort::SerialPortError error, const QString &errorText)
{
    const QString device = serialPortDevicePath(portName);
    SerialDeviceFacts facts;
#ifdef Q_OS_UNIX
    facts.exists = QFileInfo::exists(device);
    facts.accessible = !facts.exists || isAccessible(device);
#endif
    SerialOpenFailure failure;
    failure.portName = portName;
    failure.problem = classifySerialOpenFailure(error, facts);
    failure.systemText = errorText;
    if (failure.problem == SerialOpenProblem::Busy)
        failure.holders = serialPortHolders(device);
    return failure;
}

QString serialOpenFailureText(const SerialOpenFailure &failure)
{
    switch (failure.problem) {
    case SerialOpenProblem::NotFound:
        return translated(
            QT_TRANSLATE_NOOP("SerialPortProblem",
                "Serial port %1 not found: the USB adapter may have been unplugged, or the port name "
                "is wrong. Plug the adapter in and choose the port again."))
            .arg(failure.portName);
    case SerialOpenProblem::PermissionDenied:
#ifdef Q_OS_LINUX
        return translated(
            QT_TRANSLATE_NOOP("SerialPortProblem",
                "No permission to open serial port %1. Add your user to the dialout group: sudo "
                "usermod -aG dialout $USER, then log out and log in again."))
            .arg(failure.portName);
#else
        return translated(QT_TRANSLATE_NOOP("SerialPortProblem", "No permission to open serial port %1."))
            .arg(failure.portName);
#endif
    case SerialOpenProblem::Busy: {
        if (failure.holders.isEmpty())
            return translated(QT_TRANSLATE_NOOP("SerialPortProblem",
                                  "Serial port %1 is in use by another program. Close it and try again."))
                .arg(failure.portName);
        QStringList names;
        for (const SerialPortHolder &h : failure.holders)
            names << translated(QT_TRANSLATE_NOOP("SerialPortProblem", "%1 (PID %2)"))
                         .arg(h.program)
                         .arg(h.pid);
        return translated(QT_TRANSLATE_NOOP("SerialPortProblem",
                              "Serial port %1 is in use by %2. Close that program and try again."))
            .arg(failure.portName, names.join(QStringLiteral(", ")));
    }
    case SerialOpenProblem::Other:
        break;
    }
    return translated(QT_TRANSLATE_NOOP("SerialPortProblem", "Serial port %1 could not be opened: %2"))
        .arg(failure.portName, failure.systemText);
}

QString serialConnectFailureText(QModbusDevice *client)
{
    auto *port = client ? qobject_cast<QSerialPort *>(client->device()) : nullptr;
    if (!port || port->error() == QSerialPort::NoError)
        return QString();
    const QString portName = client->connectionParameter(QModbusDevice::SerialPortNameParameter).toString();
    return serialOpenFailureText(diagnoseSerialOpenFailure(portName, port->error(), port->errorString()));
}
