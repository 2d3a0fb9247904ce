#include "link/linkchange.h"

#include "params/devicecopy.h"

#include <QStringList>

#include <algorithm>

namespace {

// Registers of the interfaces (the data transmission page's blocks).
constexpr int SerialBase = 8000;
constexpr int SerialStride = 20;
enum SerialWord { SerialId = 0, SerialBaud = 1, SerialProtocol = 2, SerialFormat = 3 };
constexpr int EthernetAddress = 8100;
constexpr int SlotBase = 8112;
constexpr int SlotStride = 4;
enum SlotWord { SlotPort = 0, SlotProtocol = 1 };
// Protocol value of Modbus on a port or slot; the other is the device's own protocol.
constexpr int ModbusProtocol = 0;

struct DataFormat
{
    int dataBits;
    Parity parity;
};
// "8-N-1", "8-E-1", "8-O-1", "7-E-1", "7-O-1".
const DataFormat dataFormats[]
    = {{8, Parity::None}, {8, Parity::Even}, {8, Parity::Odd}, {7, Parity::Even}, {7, Parity::Odd}};
constexpr int DataFormatCount = int(sizeof dataFormats / sizeof dataFormats[0]);

bool portMatches(const int words[6], const LinkParameters &link)
{
    const QVector<int> &rates = serialBaudRates();
    const int baud = words[SerialBaud];
    const int format = words[SerialFormat];
    return words[SerialId] == link.serverAddress && baud >= 0 && baud < rates.size()
        && rates.at(baud) == link.baud && format >= 0 && format < DataFormatCount
        && dataFormats[format].dataBits == link.dataBits && dataFormats[format].parity == link.parity;
}

// behindConverter: the link is RTU over TCP, through a converter on one of the
// ports whose baud rate and data format only the converter knows.
OwnLinkChange serialChange(
    const LinkParameters &link, const DeviceCopy &device, int address, int value, bool behindConverter)
{
    OwnLinkChange change;
    const int offset = address - SerialBase;
    const int port = offset / SerialStride;
    const int word = offset % SerialStride;
    if (offset < 0 || port > 1 || word > SerialFormat)
        return change;
    const int *ports[2] = {device.serial1, device.serial2};
    // Turning a port to Modbus takes no link away.
    if (ports[port][word] == value || (word == SerialProtocol && value == ModbusProtocol))
        return change;
    const bool matches[2] = {
        behindConverter ? device.serial1[SerialId] == link.serverAddress : portMatches(device.serial1, link),
        behindConverter ? device.serial2[SerialId] == link.serverAddress : portMatches(device.serial2, link)};
    const bool known = matches[0] != matches[1];
    if (known && !matches[port])
        return change;
    change.touchesLink = true;
    change.certain = known;
    change.newLink = link;
    change.canReconnect = true;
    const LinkSetting settings[]
        = {LinkSetting::ServerAddress, LinkSetting::BaudRate, LinkSetting::Protocol, LinkSetting::DataFormat};
    change.setting = settings[word];
    if (behindConverter && word != SerialId) {
        // The converter's side of the line has to follow: nothing here can.
        change.canReconnect = false;
        return change;
    }
    switch (word) {
    case SerialId:
        // Address 0 is the broadcast: a device there answers no one.
        change.canReconnect = value >= 1 && value <= 247;
        change.newLink.serverAddress = value;
        break;
    case SerialBaud:
        change.canReconnect = value >= 0 && value < serialBaudRates().size();
        change.newLink.baud = serialBaudRates().value(value, link.baud);
        break;
    case SerialProtocol:
        change.canReconnect = false;
        break;
    default:
        change.canReconnect = value >= 0 && value < DataFormatCount;
        if (change.canReconnect) {
            change.newLink.dataBits = dataFormats[value].dataBits;
            change.newLink.parity = dataFormats[value].parity;
        }
    }
    return change;
}

QString addressText(const int octets[4])
{
    QStringList parts;
    for (int i = 0; i < 4; ++i)
        parts << QString::number(octets[i]);
    return parts.join(QLatin1Char('.'));
}

OwnLinkChange ethernetChange(const LinkParameters &link, const DeviceCopy &device, int address, int value)
{
    OwnLinkChange change;
    change.newLink = link;
    if (address >= EthernetAddress && address < EthernetAddress + 4) {
        const int octet = address - EthernetAddress;
        if (device.ethernet[octet] == value)
            return change;
        change.touchesLink = true;
        change.setting = LinkSetting::IpAddress;
        change.certain = link.hostAddress.trimmed() == addressText(device.ethernet);
        change.canReconnect = change.certain && value >= 0 && value <= 255;
        int octets[4];
        std::copy(device.ethernet, device.ethernet + 4, octets);
        octets[octet] = value;
        if (change.canReconnect)
            change.newLink.hostAddress = addressText(octets);
        return change;
    }
    const int offset = address - SlotBase;
    const int slot = offset / SlotStride;
    const int word = offset % SlotStride;
    if (offset < 0 || slot > 5 || word > SlotProtocol || device.ethernetSlots[slot][word] == value
        || (word == SlotProtocol && value == ModbusProtocol))
        return change;
    bool known = false;
    for (const auto &words : device.ethernetSlots)
        known = known || words[SlotPort] == link.networkPort.toInt();
    if (known && device.ethernetSlots[slot][SlotPort] != link.networkPort.toInt())
        return change;
    change.touchesLink = true;
    change.certain = known;
    change.setting = word == SlotPort ? LinkSetting::NetworkPort : LinkSetting::Protocol;
    if (word == SlotPort) {
        change.canReconnect = value >= 1 && value <= 65535;
        change.newLink.networkPort = QString::number(value);
    }
    return change;
}

} // namespace

OwnLinkChange ownLinkChange(const LinkParameters &link, const DeviceCopy &device, int address, int value)
{
    // Through a converter the device's own Ethernet is not the path: only its
    // serial ports are.
    if (link.connectType == ConnectionType::RtuOverTcp)
        return serialChange(link, device, address, value, true);
    return link.connectType == ConnectionType::Rtu ? serialChange(link, device, address, value, false)
                                                   : ethernetChange(link, device, address, value);
}

bool isLinkRegister(int address)
{
    const int serial = address - SerialBase;
    if (serial >= 0 && serial < 2 * SerialStride && serial % SerialStride <= SerialFormat)
        return true;
    if (address >= EthernetAddress && address < EthernetAddress + 4)
        return true;
    const int slot = address - SlotBase;
    return slot >= 0 && slot < 6 * SlotStride && slot % SlotStride <= SlotProtocol;
}

void setInterfaceWord(DeviceCopy &device, int address, int value)
{
    const int serial = address - SerialBase;
    if (serial >= 0 && serial < 3 * SerialStride && serial % SerialStride < 6) {
        int *blocks[3] = {device.serial1, device.serial2, device.can};
        blocks[serial / SerialStride][serial % SerialStride] = value;
    } else if (address >= EthernetAddress && address < SlotBase) {
        device.ethernet[address - EthernetAddress] = value;
    } else if (address >= SlotBase && address < SlotBase + 6 * SlotStride) {
        device.ethernetSlots[(address - SlotBase) / SlotStride][(address - SlotBase) % SlotStride] = value;
    }
}

OwnLinkChanges ownLinkChanges(
    const LinkParameters &link, DeviceCopy device, const QVector<RegisterWrite> &writes)
{
    OwnLinkChanges all;
    all.change.newLink = link;
    all.change.certain = true;
    all.change.canReconnect = true;
    for (const RegisterWrite &write : writes) {
        const OwnLinkChange one = ownLinkChange(all.change.newLink, device, write.address, write.value);
        setInterfaceWord(device, write.address, write.value);
        if (!one.touchesLink)
            continue;
        all.change.touchesLink = true;
        all.change.certain = all.change.certain && one.certain;
        all.change.canReconnect = all.change.canReconnect && one.canReconnect;
        if (one.canReconnect)
            all.change.newLink = one.newLink;
        all.addresses.append(write.address);
        if (!all.settings.contains(one.setting))
            all.settings.append(one.setting);
    }
    if (!all.change.touchesLink) {
        all.change.certain = false;
        all.change.canReconnect = false;
    }
    return all;
}
