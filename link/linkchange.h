#pragma once

#include "link/linkparameters.h"

struct DeviceCopy;

// What writing one of the device's own communication registers does to the
// link this program talks through.
//
// Over RTU, the RS-485 port in use is the one whose COM ID, baud rate and data
// format equal the link's server address, baud rate, data bits and parity. When
// exactly one port matches, only its ID, baud rate, protocol and data format
// touch the link. When neither or both match (settings written but not yet in
// force, a converter in between), the port in use cannot be told: a change of
// either port's ID, baud rate, protocol or data format may touch it.
//
// Over TCP, the IP address touches the link; the new address follows when the
// link's host is the device's own address (not a host name or a forwarded
// address). The connection slots in use are those whose port is the link's
// port: their port and protocol touch the link. When no slot has the link's
// port (a forwarded port), a change of any slot's port or protocol may touch it.
//
// Over RTU over TCP, a converter is wired to one of the RS-485 ports: the one
// whose COM ID is the link's server address (when exactly one is). Its new ID
// is followed; its baud rate, protocol and data format must be changed on the
// converter too, so the link is lost. The device's IP address and slots are
// not the path and touch nothing.
// Which setting of the link a register is.
enum class LinkSetting { None, ServerAddress, BaudRate, Protocol, DataFormat, IpAddress, NetworkPort };

struct OwnLinkChange
{
    bool touchesLink = false; // writing it may end the link
    LinkSetting setting = LinkSetting::None;
    bool certain = false; // the register belongs to the port in use, not just possibly
    bool canReconnect = false; // newLink makes the link again after the write
    LinkParameters newLink;
};

// The change of writing value to the register at address, for the link given
// and the device's interface registers as last read.
OwnLinkChange ownLinkChange(const LinkParameters &link, const DeviceCopy &device, int address, int value);

// One 16-bit register write: address and value.
struct RegisterWrite
{
    int address = 0;
    int value = 0;
};

// What a series of writes does to the link, taken in order (each one against
// the device and link the ones before it leave).
struct OwnLinkChanges
{
    // touchesLink: any of them may end the link; certain, canReconnect: every
    // one that touches it does; newLink: the link after all of them.
    OwnLinkChange change;
    QVector<int> addresses; // the writes that touch the link, in order
    QVector<LinkSetting> settings; // the settings they change, each once
};
OwnLinkChanges ownLinkChanges(
    const LinkParameters &link, DeviceCopy device, const QVector<RegisterWrite> &writes);

// True for the registers the link may run through (ports, Ethernet address and slots).
bool isLinkRegister(int address);
// The register at address of the device's interface blocks set to value
// (nothing for an address outside them).
void setInterfaceWord(DeviceCopy &device, int address, int value);
