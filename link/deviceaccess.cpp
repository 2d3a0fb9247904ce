#include "link/deviceaccess.h"

#include "link/linkstate.h"
#include "link/trafficlog.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/logcategories.h"
#include "params/registermap.h"

#include <QVector>

PendingCommand pendingCommand;

namespace {

TransactionResult readGroupAs(int group, bool coils)
{
    const ParameterGroup g = parameterGroup(group);
    if (g.count <= 0) {
        qCWarning(lcPoll) << "no such parameter group:" << group;
        return ResponseError;
    }
    LinkParameters block = appliedLink;
    block.startAddress = g.start;
    block.count = quint16(g.count);
    const WordOrder order = wordOrder;
    block.wordOrder = order;
    QVector<quint16> buffer(g.count, 0);
    const TransactionResult result = coils ? readCoils(modbusClient, block, buffer.data())
                                           : readHoldingRegisters(modbusClient, block, buffer.data());
    if (result == Ok)
        decodeGroup(group, order, buffer.constData());
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
    block.wordOrder = wordOrder;
    block.startAddress = start;
    block.count = quint16(count);
    quint16 registers[2] = {0, 0};
    if (readHoldingRegisters(modbusClient, block, registers) != Ok)
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
    block.wordOrder = wordOrder;
    block.startAddress = address;
    quint16 registers[2] = {0, 0};
    block.count = quint16(encodeRegisters(value, count == 1 ? 1 : 2, block.wordOrder, registers));
    return writeHoldingRegisters(modbusClient, block, registers);
}

void queueCommandWrite(int group, int value)
{
    pendingCommand.pending = true;
    pendingCommand.group = group;
    pendingCommand.value = value;
}

void runPendingCommand()
{
    if (!pendingCommand.pending)
        return;
    pendingCommand.pending = false;
    const ParameterGroup group = parameterGroup(pendingCommand.group);
    if (group.count <= 0) {
        qCWarning(lcLink) << "command for no such parameter group:" << pendingCommand.group;
        return;
    }
    // One value with the connection settings: a one-register group gets 16 bits,
    // every other group a 32-bit value at its start address.
    writeSingleValue(appliedLink, group.start, group.count == 1 ? 1 : 2, pendingCommand.value);
}
