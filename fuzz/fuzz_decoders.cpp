// libFuzzer harness of the group decoders. The input is a stream of registers
// (two bytes each, little-endian). Every group 0..75 and a few indices outside
// the table, in both word orders, gets a buffer of exactly its size taken from
// the stream in turn (wrapping round), so that AddressSanitizer sees any read
// past a group's registers. After each decode the harness checks what the
// decoders promise: the channel unit stays a unit index and the decimals stay
// 0..4 (in the calibration record and in the channel scale alike), a group
// changes only its own records (a group that is not decoded changes nothing),
// and decoding the same registers again changes nothing.

#include "fuzzcheck.h"
#include "params/devicecopy.h"
#include "params/registermap.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include <QVector>

namespace {

// Everything the decoders may write. All members are 32-bit ints: no padding, so
// states compare byte for byte.
struct State
{
    DeviceCopy copy;

    bool operator==(const State &o) const { return std::memcmp(&copy, &o.copy, sizeof copy) == 0; }
};

template <typename T, size_t N> void keep(T (&after)[N], const T (&before)[N])
{
    std::memcpy(after, before, sizeof after);
}

// Puts back into `after` the records that decoding `group` may change, so that
// the rest must equal `before`.
void restoreOwnRecords(int group, State &after, const State &before)
{
    DeviceCopy &a = after.copy;
    const DeviceCopy &b = before.copy;
    LiveChannel *live = a.liveChannels;
    const LiveChannel *liveBefore = b.liveChannels;
    switch (group) {
    case 0:
        a.channelMode = b.channelMode;
        a.channelEnable = b.channelEnable;
        break;
    case 1:
        a.combinedWeight = b.combinedWeight;
        a.combinedStatus = b.combinedStatus;
        for (int c = 0; c < 4; ++c) {
            live[c].status = liveBefore[c].status;
            live[c].displayWeight = liveBefore[c].displayWeight;
            live[c].pressure = liveBefore[c].pressure;
            live[c].sensorVoltage = liveBefore[c].sensorVoltage;
            a.basic[c].tiltThreshold = b.basic[c].tiltThreshold;
        }
        a.combined = b.combined;
        break;
    case 2:
        for (int c = 0; c < 4; ++c) {
            live[c].displayWeight = liveBefore[c].displayWeight;
            live[c].status = liveBefore[c].status;
            live[c].gross = liveBefore[c].gross;
            live[c].net = liveBefore[c].net;
            live[c].tare = liveBefore[c].tare;
        }
        break;
    case 3:
        for (int c = 0; c < 4; ++c) {
            live[c].spare = liveBefore[c].spare;
            live[c].sensorVoltage = liveBefore[c].sensorVoltage;
            live[c].gainVoltage = liveBefore[c].gainVoltage;
        }
        break;
    case 4:
    case 5:
    case 6:
    case 7:
        live[group - 4].errorWord = liveBefore[group - 4].errorWord;
        break;
    case 8:
    case 9:
    case 10:
    case 11:
        keep(a.basic[group - 8].words, b.basic[group - 8].words);
        break;
    case 12:
    case 13:
    case 14:
    case 15:
        a.calibration[group - 12] = b.calibration[group - 12];
        a.channelScales[group - 12] = b.channelScales[group - 12];
        break;
    case 16:
        keep(a.inputs, b.inputs);
        break;
    case 17:
        keep(a.outputs, b.outputs);
        break;
    case RemoteSwitchGroup:
        keep(a.switches, b.switches);
        break;
    case 50:
        for (int k = 0; k < 6; ++k)
            keep(a.comparators[k], b.comparators[k]);
        break;
    case 51:
        keep(a.comparators[6], b.comparators[6]);
        keep(a.comparators[7], b.comparators[7]);
        break;
    case 52:
        keep(a.serial1, b.serial1);
        keep(a.serial2, b.serial2);
        keep(a.can, b.can);
        break;
    case 53:
        keep(a.ethernet, b.ethernet);
        for (int k = 0; k < 6; ++k)
            keep(a.ethernetSlots[k], b.ethernetSlots[k]);
        break;
    case 54:
    case 55:
    case 56:
    case 57:
        a.analogType[group - 54] = b.analogType[group - 54];
        a.analogLink[group - 54] = b.analogLink[group - 54];
        break;
    case 58:
        keep(a.system58, b.system58);
        break;
    case 59:
        a.softwareVersion = b.softwareVersion;
        a.compileDate = b.compileDate;
        keep(a.system59a, b.system59a);
        keep(a.system59b, b.system59b);
        break;
    case 60:
        keep(a.system60, b.system60);
        break;
    default:
        break; // not decoded: nothing may change
    }
}

QString where(int group, int order)
{
    return QStringLiteral("group %1, word order %2").arg(group).arg(order);
}

void checkFormats(const DeviceCopy &copy, int group, int order)
{
    for (int c = 0; c < 4; ++c) {
        const ChannelScale &s = copy.channelScales[c];
        const CalibrationRecord &cal = copy.calibration[c];
        FUZZ_CHECK(s.unit >= 0 && s.unit < UnitCount, where(group, order));
        FUZZ_CHECK(s.decimals >= 0 && s.decimals <= 4, where(group, order));
        FUZZ_CHECK(cal.unit == s.unit && cal.decimals == s.decimals, where(group, order));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    dropQtDebugLines();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    State state;
    DeviceCopy &copy = state.copy;
    const size_t words = size / 2;
    size_t next = 0;
    const auto fill = [&](quint16 *registers, int count) {
        for (int i = 0; i < count; ++i) {
            registers[i] = words ? quint16(data[2 * next] | data[2 * next + 1] << 8) : 0;
            if (words)
                next = (next + 1) % words;
        }
    };
    QVector<int> groups;
    for (int g = 0; g < ParameterGroupCount; ++g)
        groups.append(g);
    groups += {INT_MIN, -1000, -1, ParameterGroupCount, ParameterGroupCount + 1, 100, INT_MAX};
    for (int order : {0, 1}) {
        for (int group : groups) {
            const int count = parameterGroup(group).count;
            FUZZ_CHECK(count >= 0, where(group, order));
            FUZZ_CHECK(count > 0 || group < 0 || group >= ParameterGroupCount, where(group, order));
            // Exactly the group's registers on the heap: a read past them is an overflow.
            std::unique_ptr<quint16[]> registers(new quint16[size_t(count)]);
            fill(registers.get(), count);
            const State before = state;
            decodeGroup(copy, group, wordOrderFromIndex(order), registers.get());
            checkFormats(copy, group, order);
            const State once = state;
            State rest = once;
            restoreOwnRecords(group, rest, before);
            FUZZ_CHECK(
                rest == before, QStringLiteral("a record of another group changed: ") + where(group, order));
            decodeGroup(copy, group, wordOrderFromIndex(order), registers.get());
            FUZZ_CHECK(state == once, QStringLiteral("a second decode changed: ") + where(group, order));
        }
    }
    return 0;
}
