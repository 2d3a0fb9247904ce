#include "link/deviceaccess.h"

#include "link/linksession.h"
#include "link/trafficlog.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/logcategories.h"
#include "params/registermap.h"

#include <QDeadlineTimer>
#include <QModbusClient>
#include <QVector>

namespace {

TransactionResult readGroupAs(int group, bool coils)
{
    const ParameterGroup g = parameterGroup(group);
    if (g.count <= 0) {
        qCWarning(lcPoll) << "no such parameter group:" << group;
        return ResponseError;
    }
    LinkSession &session = linkSession();
    LinkParameters block = session.appliedLink;
    block.startAddress = g.start;
    block.count = quint16(g.count);
    const WordOrder order = session.wordOrder;
    block.wordOrder = order;
    QVector<quint16> buffer(g.count, 0);
    const TransactionResult result = coils ? readCoils(session.modbusClient, block, buffer.data())
                                           : readHoldingRegisters(session.modbusClient, block, buffer.data());
    if (result == Ok)
        decodeGroup(session.device, group, order, buffer.constData());
    else
        qCDebug(lcPoll).noquote()
            << QStringLiteral("group %1 not read: %2").arg(group).arg(trafficResultText(result, 0));
    return result;
}

} // namespace

TransactionResult readGroup(int group) { return readGroupAs(group, false); }

TransactionResult readCoilGroup(int group) { return readGroupAs(group, true); }

int readSingleValue(int start, int count)
{
    if (count != 1 && count != 2)
        return FailureMarker;
    // A block of its own (default link values) with the current word order.
    LinkParameters block;
    block.wordOrder = linkSession().wordOrder;
    block.startAddress = start;
    block.count = quint16(count);
    quint16 registers[2] = {0, 0};
    if (readHoldingRegisters(linkSession().modbusClient, block, registers) != Ok)
        return FailureMarker;
    return count == 2 ? joinWords(registers[0], registers[1], block.wordOrder) : int(registers[0]);
}

TransactionResult writeSingleValue(int address, int count, qint32 value)
{
    // A block of its own, with the default response time.
    return writeSingleValue(LinkParameters(), address, count, value);
}

TransactionResult writeSingleValue(LinkParameters block, int address, int count, qint32 value)
{
    block.wordOrder = linkSession().wordOrder;
    block.startAddress = address;
    quint16 registers[2] = {0, 0};
    block.count = quint16(encodeRegisters(value, count == 1 ? 1 : 2, block.wordOrder, registers));
    return writeHoldingRegisters(linkSession().modbusClient, block, registers);
}

void queueCommandWrite(int group, int value)
{
    PendingCommand &command = linkSession().pendingCommand;
    command.pending = true;
    command.group = group;
    command.value = value;
}

void runPendingCommand()
{
    LinkSession &session = linkSession();
    PendingCommand &command = session.pendingCommand;
    if (!command.pending)
        return;
    command.pending = false;
    const ParameterGroup group = parameterGroup(command.group);
    if (group.count <= 0) {
        qCWarning(lcLink) << "command for no such parameter group:" << command.group;
        return;
    }
    // One value with the connection settings: a one-register group gets 16 bits,
    // every other group a 32-bit value at its start address.
    const WriteSourceScope source(session, WriteSource::Command);
    writeSingleValue(session.appliedLink, group.start, group.count == 1 ? 1 : 2, command.value);
}

bool linkStillAnswers(int settleMs)
{
    // A device may answer the write before it takes the new setting.
    waitProcessingEvents(settleMs);
    LinkParameters block = linkSession().appliedLink;
    block.startAddress = 0;
    block.count = 2;
    quint16 values[2] = {0, 0};
    return linkSession().modbusClient
        && readHoldingRegisters(linkSession().modbusClient, block, values) == Ok;
}

bool linkAnswersAgain(int settleMs, int attempts)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        waitProcessingEvents(settleMs);
        QModbusClient *client = linkSession().modbusClient;
        if (!client)
            return false;
        if (linkSession().tcpLink == 1 && client->state() != QModbusDevice::ConnectedState) {
            client->disconnectDevice();
            client->connectDevice();
            const QDeadlineTimer deadline(qMax(100, linkSession().appliedLink.responseTime));
            while (client->state() == QModbusDevice::ConnectingState && !deadline.hasExpired())
                waitProcessingEvents(10);
        }
        LinkParameters block = linkSession().appliedLink;
        block.startAddress = 0;
        block.count = 2;
        quint16 values[2] = {0, 0};
        if (readHoldingRegisters(client, block, values) == Ok)
            return true;
    }
    return false;
}
