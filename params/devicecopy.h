#pragma once

// The in-memory copy of the device's parameters and live values. It is filled
// only by the group decoders (the link's readGroup / readCoilGroup decode what
// they read into the session's copy); pages draw from it. Pure data: no link,
// no widgets.

#include "params/wordorder.h"

#include <QtGlobal>

// Live values of one channel (raw scaled integers).
struct LiveChannel
{
    int displayWeight = 0; // weight shown in the weight area
    int status = 0;        // status bits
    int gross = 0;
    int net = 0;
    int tare = 0;
    int sensorVoltage = 0; // mV x 10000
    int gainVoltage = 0;   // mV x 10000
    int spare = 0;
    int pressure = 0;      // "Sensor Pressure" (combined mode)
    quint32 errorWord = 0;
};

// Weight format of a channel used for every weight display.
struct ChannelScale
{
    int unit = 0;     // index into the unit list
    int decimals = 0; // 0..4
};

// Basic parameter block of a channel (registers 200..228 + 100c), in register order.
enum BasicWord {
    BasicPowerOnZero, BasicRemoteZero, BasicZeroRange, BasicRemoteTare, BasicTareRecord,
    BasicNetSignCorrection, BasicPresetTare, BasicStabilityRange, BasicStabilityTimer,
    BasicZeroTrackRange, BasicZeroTrackTimer, BasicDigitalFilter, BasicAdvancedFilter,
    BasicSampleRate, BasicInputRange, BasicWordCount
};

struct BasicRecord
{
    int words[BasicWordCount] = {};
    int tiltThreshold = 0; // 2078, read with live block 1, kept in every channel's record
};

struct CalibrationRecord
{
    int unit = 0;
    int decimals = 0;
    int division = 0;
    int fullScale = 0;
    int keyInMv = 0;       // 610
    int points[5] = {};    // 612..620: mV recorded at each calibration point
    int lcMv = 0;          // 622
    int lcCapacity = 0;    // 624
    int calType = 0;       // 626
    int correctCoef = 0;   // 628
};

// Values that the device reports with live block 1 in combined mode.
struct CombinedValues
{
    int lcMv[4] = {};        // 2040 + 2c
    int lcCapacity[4] = {};  // 2048 + 2c
    int angleCoef[4] = {};   // 2056 + 2c
    int samplePoints = 0;    // 2070
    int oneKeyInMv = 0;      // 2074
    int tiltThreshold = 0;   // 2078
};

struct DeviceCopy
{
    BasicRecord basic[4];
    CalibrationRecord calibration[4];
    CombinedValues combined;

    int inputs[8] = {};          // 1000..1014: function, delay of inputs 1..4
    int outputs[8] = {};         // 1030..1044
    int comparators[8][8] = {};  // comparator k at 1060 + 16k: channel, mode, value 1, value 2,
                                 // on condition, true-judge time, off condition, false-hold time

    int serial1[6] = {};         // 8000..8005
    int serial2[6] = {};         // 8020..8025
    int can[6] = {};             // 8040..8045
    int ethernet[12] = {};       // 8100..8111: address, mask, gateway octets
    int ethernetSlots[6][4] = {};// 8112 + 4k: port, protocol, word format, send gap
    int analogType[4] = {};      // 8400 + 100k
    int analogLink[4] = {};      // 8405 + 100k

    int switches[6] = {};        // coils 500..505
    int system58[4] = {};        // 9154, 9164, 9174, 9184
    int softwareVersion = 0;     // 10000
    int compileDate = 0;         // 10002
    int system59a[13] = {};      // 10005..10017
    int system59b[12] = {};      // 10018..10029
    int system60[6] = {};        // 10100..10105 (MAC bytes)

    // Live state of the poll (filled by the decoders of groups 0..7).
    int channelMode = 0;         // 9309: 0 independent, 1 combined
    int channelEnable = 0;       // 9310: four 4-bit fields, 15 = channel in use
    int combinedWeight = 0;      // 2000
    int combinedStatus = 0;      // 2002
    LiveChannel liveChannels[4];
    // Weight format of each channel (from its calibration block).
    ChannelScale channelScales[4];

    // Point weights last written per channel, in register units: the
    // registers of the points report the recorded signal, so the weights are
    // not read back but kept from the writes (no decoder touches them).
    int pointWeights[4][5] = {};
};

// Decodes a group's registers read with the given word order into copy.
void decodeGroup(DeviceCopy &copy, int group, WordOrder order, const quint16 *registers);
