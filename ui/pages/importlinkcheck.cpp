#include "ui/pages/importlinkcheck.h"

#include "ui/dialogs/popups.h"
#include "link/deviceaccess.h"
#include "link/linksession.h"

#include <QStringList>

namespace {

// Parameter groups of the serial ports (8000..) and of the Ethernet interface (8100..).
constexpr int SerialGroup = 52;
constexpr int EthernetGroup = 53;
// Time a device may take to put a new interface setting in force after its answer.
constexpr int LinkSettleMs = 300;

QString formatText(const LinkParameters &link)
{
    const char parity = link.parity == Parity::Even ? 'E' : link.parity == Parity::Odd ? 'O' : 'N';
    return QStringLiteral("%1-%2-%3").arg(link.dataBits).arg(QLatin1Char(parity)).arg(link.stopBits);
}

// "port 502 → 1502"; only the name when the new value is not known.
QString settingText(LinkSetting setting, const LinkParameters &from, const LinkParameters &to)
{
    QString name;
    QString before;
    QString after;
    switch (setting) {
    case LinkSetting::ServerAddress:
        name = ImportLinkCheck::tr("server address");
        before = QString::number(from.serverAddress);
        after = QString::number(to.serverAddress);
        break;
    case LinkSetting::BaudRate:
        name = ImportLinkCheck::tr("baud rate");
        before = QString::number(from.baud);
        after = QString::number(to.baud);
        break;
    case LinkSetting::DataFormat:
        name = ImportLinkCheck::tr("data format");
        before = formatText(from);
        after = formatText(to);
        break;
    case LinkSetting::IpAddress:
        name = ImportLinkCheck::tr("IP address");
        before = from.hostAddress;
        after = to.hostAddress;
        break;
    case LinkSetting::NetworkPort:
        name = ImportLinkCheck::tr("port");
        before = from.networkPort;
        after = to.networkPort;
        break;
    default:
        return ImportLinkCheck::tr("protocol");
    }
    if (before == after)
        return name;
    return name + QLatin1Char(' ') + before + QStringLiteral(" → ") + after;
}

} // namespace

QString ImportLinkCheck::question(const LinkParameters &link, const OwnLinkChanges &changes)
{
    const OwnLinkChange &change = changes.change;
    QStringList parts;
    for (const LinkSetting setting : changes.settings)
        parts << settingText(setting, link, change.newLink);
    const QString what = parts.join(QStringLiteral(", "));
    const QString path
        = link.connectType == ConnectionType::Tcp ? tr("the Ethernet interface") : tr("the serial port");
    if (change.certain && change.canReconnect)
        return tr("This import changes %1 this program is connected through (%2). The connection will be "
                  "lost. Import and reconnect with the new settings?")
            .arg(path, what);
    if (change.certain)
        return tr("This import changes %1 this program is connected through (%2). The connection will be "
                  "lost, and the program cannot reconnect with the new settings. Import?")
            .arg(path, what);
    if (change.canReconnect)
        return tr("This import may change %1 this program is connected through (%2). The connection may be "
                  "lost. Import? If the device then stops answering, the program reconnects with the new "
                  "settings.")
            .arg(path, what);
    return tr("This import may change %1 this program is connected through (%2). The connection may be "
              "lost. Import?")
        .arg(path, what);
}

WritePlan ImportLinkCheck::review(const QVector<PlannedWrite> &planned, QWidget *parent)
{
    WritePlan plan;
    asked = false;
    writes.clear();
    linkAddresses.clear();
    bool linkRows = false;
    for (const PlannedWrite &write : planned) {
        if (write.count != 1)
            continue;
        writes.append({write.address, int(write.newValue)});
        linkRows = linkRows || isLinkRegister(write.address);
    }
    if (!linkRows || !linkSession().modbusClient)
        return plan;
    // The interface settings as the device holds them now (the page that
    // reads them may never have been shown); the import's own reads fill in
    // when these fail.
    readGroup(SerialGroup);
    readGroup(EthernetGroup);
    device = linkSession().device;
    for (const PlannedWrite &write : planned) {
        if (write.count == 1 && write.oldKnown)
            setInterfaceWord(device, write.address, int(write.oldValue));
    }
    before = linkSession().appliedLink;
    const OwnLinkChanges changes = ownLinkChanges(before, device, writes);
    if (!changes.change.touchesLink)
        return plan;
    const QString confirm = changes.change.canReconnect ? tr("Import and reconnect") : tr("Import");
    if (!showQuestion(tr("Connection Setting"), question(before, changes), confirm, parent)) {
        plan.go = false;
        return plan;
    }
    asked = true;
    linkAddresses = changes.addresses;
    plan.lastAddresses = changes.addresses;
    return plan;
}

bool ImportLinkCheck::nextLink(const QVector<RowWrite> &done, LinkParameters *link) const
{
    if (!asked)
        return false;
    // The link rows that went out: answered, or sent without an answer (the
    // device may have taken them before it stopped answering on the old link).
    QVector<int> sent;
    for (const RowWrite &write : done) {
        if (linkAddresses.contains(write.address) && (write.result == Ok || write.result == TimedOut))
            sent.append(write.address);
    }
    if (sent.isEmpty())
        return false;
    QVector<RegisterWrite> taken;
    for (const RegisterWrite &write : writes) {
        if (!linkAddresses.contains(write.address) || sent.contains(write.address))
            taken.append(write);
    }
    const OwnLinkChanges changes = ownLinkChanges(before, device, taken);
    if (!changes.change.touchesLink || !changes.change.canReconnect)
        return false;
    // A setting that only may be the link's: the link stays when the device still answers on it.
    if (!changes.change.certain && linkStillAnswers(LinkSettleMs))
        return false;
    *link = changes.change.newLink;
    return true;
}
