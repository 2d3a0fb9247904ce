#include "params/devicecopy.h"

#include "params/registermap.h"

#include <QVector>

namespace {

// Reader of one decoded buffer: r(i) is register i, w(i) the 32-bit word of
// registers i and i + 1 in the word order of the read.
struct Words
{
    const quint16 *registers;
    WordOrder order;

    int r(int i) const { return registers[i]; }
    int w(int i) const { return joinWords(registers[i], registers[i + 1], order); }
};

void decodeLive1(DeviceCopy &copy, const Words &b)
{
    copy.combinedWeight = b.w(0);
    copy.combinedStatus = b.r(2);
    if (copy.channelMode == 1) {
        for (int c = 0; c < 4; ++c) {
            LiveChannel &live = copy.liveChannels[c];
            live.status = b.r(3 + c);
            live.displayWeight = b.w(8 + 2 * c);
            live.pressure = b.w(16 + 2 * c);
            // Read after live block 3, so in combined mode this value wins.
            live.sensorVoltage = b.w(24 + 2 * c);
            copy.combined.lcMv[c] = b.w(40 + 2 * c);
            copy.combined.lcCapacity[c] = b.w(48 + 2 * c);
            copy.combined.angleCoef[c] = b.w(56 + 2 * c);
        }
    }
    copy.combined.samplePoints = b.w(70);
    copy.combined.oneKeyInMv = b.w(74);
    copy.combined.tiltThreshold = b.w(78);
    for (BasicRecord &basic : copy.basic)
        basic.tiltThreshold = copy.combined.tiltThreshold;
}

void decodeLive2(DeviceCopy &copy, const Words &b)
{
    for (int c = 0; c < 4; ++c) {
        LiveChannel &live = copy.liveChannels[c];
        if (copy.channelMode == 0) {
            live.displayWeight = b.w(2 * c);
            live.status = b.r(8 + c);
        }
        live.gross = b.w(12 + 6 * c);
        live.net = b.w(14 + 6 * c);
        live.tare = b.w(16 + 6 * c);
    }
}

void decodeLive3(DeviceCopy &copy, const Words &b)
{
    for (int c = 0; c < 4; ++c) {
        LiveChannel &live = copy.liveChannels[c];
        live.spare = b.w(6 * c);
        live.sensorVoltage = b.w(2 + 6 * c);
        live.gainVoltage = b.w(4 + 6 * c);
    }
}

void decodeCalibration(DeviceCopy &copy, int c, const Words &b)
{
    CalibrationRecord &cal = copy.calibration[c];
    // Unit and decimals outside 0..4 are ignored field by field.
    const int unit = b.w(0);
    if (unit >= 0 && unit < UnitCount) {
        cal.unit = unit;
        copy.channelScales[c].unit = unit;
    }
    const int decimals = b.w(2);
    if (decimals >= 0 && decimals <= 4) {
        cal.decimals = decimals;
        copy.channelScales[c].decimals = decimals;
    }
    cal.division = b.w(4);
    cal.fullScale = b.w(6);
    cal.keyInMv = b.w(10);
    for (int p = 0; p < 5; ++p)
        cal.points[p] = b.w(12 + 2 * p);
    cal.lcMv = b.w(22);
    cal.lcCapacity = b.w(24);
    cal.calType = b.w(26);
    cal.correctCoef = b.w(28);
}

void decodeComPara(DeviceCopy &copy, const Words &b)
{
    for (int i = 0; i < 6; ++i) {
        copy.serial1[i] = b.r(i);
        copy.serial2[i] = b.r(20 + i);
        copy.can[i] = b.r(40 + i);
    }
}

} // namespace

void decodeGroup(DeviceCopy &copy, int group, WordOrder order, const quint16 *registers)
{
    const Words b {registers, order};
    switch (group) {
    case 0:
        copy.channelMode = b.r(0);
        copy.channelEnable = b.r(1);
        break;
    case 1:
        decodeLive1(copy, b);
        break;
    case 2:
        decodeLive2(copy, b);
        break;
    case 3:
        decodeLive3(copy, b);
        break;
    case 4:
    case 5:
    case 6:
    case 7:
        copy.liveChannels[group - 4].errorWord = joinErrorWords(registers[0], registers[1], order);
        break;
    case 8:
    case 9:
    case 10:
    case 11:
        for (int i = 0; i < BasicWordCount; ++i)
            copy.basic[group - 8].words[i] = b.w(2 * i);
        break;
    case 12:
    case 13:
    case 14:
    case 15:
        decodeCalibration(copy, group - 12, b);
        break;
    case 16:
        for (int i = 0; i < 8; ++i)
            copy.inputs[i] = b.w(2 * i);
        break;
    case 17:
        for (int i = 0; i < 8; ++i)
            copy.outputs[i] = b.w(2 * i);
        break;
    case 21:
        for (int i = 0; i < 6; ++i)
            copy.switches[i] = b.r(i);
        break;
    case 50:
        for (int j = 0; j < 6; ++j)
            for (int i = 0; i < 8; ++i)
                copy.comparators[j][i] = b.w(16 * j + 2 * i);
        break;
    case 51:
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 8; ++i)
                copy.comparators[6 + j][i] = b.w(16 * j + 2 * i);
        break;
    case 52:
        decodeComPara(copy, b);
        break;
    case 53:
        for (int i = 0; i < 12; ++i)
            copy.ethernet[i] = b.r(i);
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < 4; ++i)
                copy.ethernetSlots[k][i] = b.r(12 + 4 * k + i);
        break;
    case 54:
    case 55:
    case 56:
    case 57: {
        const int k = group - 54;
        copy.analogType[k] = b.r(0);
        copy.analogLink[k] = b.r(5);
        break;
    }
    case 58:
        for (int i = 0; i < 4; ++i)
            copy.system58[i] = b.w(10 * i);
        break;
    case 59:
        copy.softwareVersion = b.w(0);
        copy.compileDate = b.w(2);
        for (int i = 0; i < 13; ++i)
            copy.system59a[i] = b.r(5 + i);
        for (int i = 0; i < 12; ++i)
            copy.system59b[i] = b.r(18 + i);
        break;
    case 60:
        for (int i = 0; i < 6; ++i)
            copy.system60[i] = b.r(i);
        break;
    default:
        // 18 to 20, 22 to 49 and 61 to 75 serve other readers and command writes.
        break;
    }
}
