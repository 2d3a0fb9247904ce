#include "devicemodel.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// Remote-editing switches (coils) and the register areas they guard.
constexpr int SwitchBasic = 500;
constexpr int SwitchCalibration = 501;
constexpr int SwitchApplication = 502;
constexpr int SwitchCommunication = 504;
constexpr int SwitchSystem = 505;

constexpr int CombinedBase = 2000;
constexpr int AngleSamplePoints = 4;
constexpr double SignalLimit = 3.9; // mV/V the input stage still converts
constexpr int StepMilliseconds = 100;

int calibrationBase(int channel) { return 600 + 100 * channel; }
int basicBase(int channel) { return 200 + 100 * channel; }
int errorBase(int channel) { return 140 + 15 * channel; }

bool parseInt(const QString &text, qint64 &value)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    return ok;
}

} // namespace

DeviceModel::DeviceModel(int wordOrder, int serverAddress, QObject *parent)
    : QObject(parent)
    , regs(RegisterCount, 0)
    , mapped(RegisterCount, false)
    , writable(RegisterCount, false)
    , order(wordOrder)
    , ownAddress(serverAddress)
    , serialNumber(factorySerial(serverAddress))
    , random(quint32(20261207 + serverAddress - 1)) // devices on one link drift apart
{
    std::fill(std::begin(coils), std::end(coils), quint16(1));
    coils[6] = 0; // 506 is read with the switches but is not one
    std::fill(&angleSamples[0][0], &angleSamples[0][0] + 16, 0.0);
    buildMap();
    resetLoads();
    restoreAll();
    updateLive();
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &DeviceModel::step);
    timer->start(StepMilliseconds);
}

void DeviceModel::resetLoads()
{
    const double loads[4] = {120.5, 250.0, 75.25, 310.0};
    for (int c = 0; c < 4; ++c) {
        channels[c].load = loads[c];
        channels[c].loadTarget = loads[c];
        channels[c].zeroSignal = 0.1;
        channels[c].sensitivity = 0.002;
        channels[c].noise = 0;
        channels[c].history.clear();
    }
}

// ---------------------------------------------------------------- words

qint32 DeviceModel::join(quint16 first, quint16 second) const
{
    const quint32 high = order == 0 ? first : second;
    const quint32 low = order == 0 ? second : first;
    return qint32((high << 16) | low);
}

qint32 DeviceModel::get32(int address) const { return join(regs[address], regs[address + 1]); }

void DeviceModel::put32(int address, qint32 value)
{
    const quint16 high = quint16(quint32(value) >> 16);
    const quint16 low = quint16(quint32(value) & 0xFFFF);
    regs[address] = order == 0 ? high : low;
    regs[address + 1] = order == 0 ? low : high;
}

// The device joins its error words the other way round: in AB-CD the first
// register carries the low 16 bits.
quint32 DeviceModel::errorWord(int channel) const
{
    const int a = errorBase(channel);
    const quint32 first = regs[a], second = regs[a + 1];
    return order == 0 ? (second << 16) | first : (first << 16) | second;
}

void DeviceModel::setErrorWord(int channel, quint32 value)
{
    const int a = errorBase(channel);
    const quint16 high = quint16(value >> 16), low = quint16(value & 0xFFFF);
    regs[a] = order == 0 ? low : high;
    regs[a + 1] = order == 0 ? high : low;
}

// ---------------------------------------------------------------- map

void DeviceModel::mapRange(int first, int last, bool canWrite)
{
    for (int a = first; a <= last; ++a) {
        mapped[a] = true;
        writable[a] = canWrite;
    }
}

void DeviceModel::range16(int address, qint64 low, qint64 high)
{
    Range r;
    r.low = low;
    r.high = high;
    ranges.insert(address, r);
}

void DeviceModel::range32(int address, qint64 low, qint64 high)
{
    Range r;
    r.low = low;
    r.high = high;
    r.wide = true;
    ranges.insert(address, r);
}

void DeviceModel::allowed32(int address, const QVector<int> &values)
{
    Range r;
    r.wide = true;
    r.allowed = values;
    r.low = *std::min_element(values.begin(), values.end());
    r.high = *std::max_element(values.begin(), values.end());
    ranges.insert(address, r);
}

void DeviceModel::buildMap()
{
    // live values: read only
    mapRange(0, 91, false);
    mapRange(140, 199, false);
    for (int c = 0; c < 4; ++c) {
        const int b = basicBase(c);
        mapRange(b, b + 29, true);
        range32(b + 0, 0, 101); // power-on zero range, %
        range32(b + 2, 0, 1); // remote zero
        range32(b + 4, 1, 99); // zero range, %
        range32(b + 6, 0, 1); // remote tare
        range32(b + 8, 0, 1); // tare record
        range32(b + 10, 0, 2); // net sign correction
        range32(b + 12, 0, 200000); // preset tare
        range32(b + 14, 0, 99); // stability range, d
        range32(b + 16, 1, 5000); // stability timer, ms
        range32(b + 18, 0, 99); // zero tracking range, d
        range32(b + 20, 1, 5000); // zero tracking timer, ms
        range32(b + 22, 0, 9); // digital filter
        range32(b + 24, 0, 99); // advanced filter
        range32(b + 26, 0, 9); // sample rate
        range32(b + 28, 0, 5); // input range

        const int k = calibrationBase(c);
        mapRange(k, k + 49, true);
        range32(k + 0, 0, 4); // unit
        range32(k + 2, 0, 4); // decimals
        allowed32(k + 4, {1, 2, 5, 10, 20, 50}); // division
        range32(k + 6, 0, 999999); // full scale
        range32(k + 8, 0, 1); // zero capture command
        range32(k + 10, 0, 39999); // key-in zero, mV x 10000
        for (int p = 0; p < 5; ++p)
            range32(k + 12 + 2 * p, 0, 999999); // calibration point weights
        range32(k + 22, 0, 39999); // LC mV/V x 10000
        range32(k + 24, 0, 999999); // LC capacity
        range32(k + 26, 0, 1); // theory calibration on/off
        range32(k + 28, 1, 999999); // correction coefficient x 100000
        range32(k + 46, 0, 1); // zero capture of the platform
    }

    // application: inputs, outputs, comparators
    mapRange(1000, 1187, true);
    for (int i = 0; i < 4; ++i) {
        range32(1000 + 4 * i, 0, 21); // input function
        range32(1002 + 4 * i, 0, 200); // input delay, ms
    }
    for (int i = 0; i < 8; ++i)
        range32(1030 + 2 * i, 0, 24); // output function
    for (int k = 0; k < 8; ++k) {
        const int b = 1060 + 16 * k;
        range32(b + 0, 0, 3); // channel
        range32(b + 2, 0, 6); // mode
        range32(b + 4, -999999, 999999); // value 1
        range32(b + 6, -999999, 999999); // value 2
        range32(b + 8, 0, 2); // on condition
        range32(b + 10, 0, 50000); // true judge time
        range32(b + 12, 0, 2); // off condition
        range32(b + 14, 0, 50000); // false hold time
    }

    // combined platform block
    mapRange(CombinedBase, CombinedBase + 79, false);
    for (int c = 0; c < 4; ++c) {
        mapRange(2040 + 2 * c, 2041 + 2 * c, true);
        range32(2040 + 2 * c, 0, 39999);
        mapRange(2048 + 2 * c, 2049 + 2 * c, true);
        range32(2048 + 2 * c, 0, 999999);
        mapRange(2056 + 2 * c, 2057 + 2 * c, true);
        range32(2056 + 2 * c, 0, 999999);
    }
    mapRange(2064, 2069, true);
    range32(2064, 0, 1); // compute angle correction
    range32(2066, 0, 1); // take a sample
    range32(2068, 0, 1); // reset angle correction
    mapRange(2074, 2075, true);
    range32(2074, 0, 39999); // one key-in zero
    mapRange(2078, 2079, true);
    range32(2078, 0, 999999); // tilt threshold
    // Copies of the platform words per channel stride: stored, no effect.
    for (int c = 1; c < 4; ++c)
        mapRange(CombinedBase + 100 * c, CombinedBase + 100 * c + 79, true);

    // communication
    mapRange(8000, 8139, true);
    for (int port = 0; port < 2; ++port) {
        const int b = 8000 + 20 * port;
        range16(b + 0, 0, 99); // ID
        range16(b + 1, 0, 5); // baud rate
        range16(b + 2, 0, 1); // protocol
        range16(b + 3, 0, 4); // data format
        range16(b + 4, 0, 1); // word format
        range16(b + 5, 0, 5000); // send gap
    }
    range16(8040, 1, 99); // CAN ID
    range16(8041, 0, 4); // CAN baud rate
    range16(8042, 0, 1); // report type
    range16(8043, 0, 1); // report content
    range16(8044, 0, 1000); // report gap
    range16(8045, 0, 1); // terminal resistor
    for (int a = 8100; a < 8112; ++a)
        range16(a, 0, 255);
    for (int k = 0; k < 6; ++k) {
        const int b = 8112 + 4 * k;
        range16(b + 0, 1, 65535); // port
        range16(b + 1, 0, 1); // protocol
        range16(b + 2, 0, 1); // word format
        range16(b + 3, 0, 5000); // send gap
    }
    for (int k = 0; k < 4; ++k) {
        const int b = 8400 + 100 * k;
        mapRange(b, b + 5, true);
        range16(b, 0, 6); // analog type
        range16(b + 5, 0, 2); // link data
    }

    // command registers
    for (int a : {8940, 8941, 8942}) {
        mapRange(a, a, true);
        range16(a, 0, 1);
    }
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k < 3; ++k) {
            mapRange(8900 + 10 * c + k, 8900 + 10 * c + k, true);
            range16(8900 + 10 * c + k, 0, 1);
        }
    }

    // system
    mapRange(9154, 9185, false);
    mapRange(9309, 9310, true);
    range16(9309, 0, 1);
    mapRange(10000, 10105, false);
}

int DeviceModel::switchFor(int address) const
{
    if (address >= 200 && address < 530)
        return SwitchBasic;
    // the tilt threshold is a basic parameter of the platform
    if (address >= 2000 && address < 2400 && address % 100 >= 78 && address % 100 < 80)
        return SwitchBasic;
    if ((address >= 600 && address < 950) || (address >= 2000 && address < 2400 && address % 100 >= 40))
        return SwitchCalibration;
    if (address >= 1000 && address < 1188)
        return SwitchApplication;
    if (address >= 8000 && address < 8706)
        return SwitchCommunication;
    if ((address >= 8900 && address < 8943) || address == 9309 || address == 9310)
        return SwitchSystem;
    return -1;
}

int DeviceModel::checkValue(int address, qint64 value, bool wide) const
{
    auto it = ranges.constFind(address);
    if (it == ranges.constEnd() || it->wide != wide)
        return NoException;
    if (!it->allowed.isEmpty())
        return it->allowed.contains(int(value)) ? NoException : IllegalDataValue;
    return value >= it->low && value <= it->high ? NoException : IllegalDataValue;
}

// ---------------------------------------------------------------- defaults

void DeviceModel::restoreBasic(int c)
{
    const int b = basicBase(c);
    const qint32 values[15] = {0, 1, 10, 1, 0, 0, 0, 1, 300, 0, 1000, 5, 10, 2, 0};
    for (int i = 0; i < 15; ++i)
        put32(b + 2 * i, values[i]);
    channels[c].tare = 0;
}

void DeviceModel::restoreCalibration(int c)
{
    const int k = calibrationBase(c);
    for (int a = k; a < k + 50; ++a)
        regs[a] = 0;
    put32(k + 0, 1); // kg
    put32(k + 2, 2); // two decimals
    put32(k + 4, 1); // d = 1
    put32(k + 6, 100000); // 1000.00 kg
    const double zero = 0.1;
    put32(k + 10, qint32(std::lround(zero * 10000)));
    // One calibration point: 500 kg on a 2 mV/V, 1000 kg cell.
    Channel &ch = channels[c];
    std::fill(std::begin(ch.pointWeight), std::end(ch.pointWeight), 0.0);
    ch.pointWeight[0] = 500.0;
    put32(k + 12, qint32(std::lround((zero + 500.0 * 0.002) * 10000)));
    put32(k + 22, 20000); // 2.0000 mV/V
    put32(k + 24, 1000); // capacity
    put32(k + 26, 0); // theory calibration off
    put32(k + 28, 100000); // coefficient 1.00000
    setErrorWord(c, 0);
    // platform words of this corner
    put32(2040 + 2 * c, 20000);
    put32(2048 + 2 * c, 1000);
    put32(2056 + 2 * c, 100000);
}

void DeviceModel::restoreApplication()
{
    for (int a = 1000; a < 1188; ++a)
        regs[a] = 0;
}

void DeviceModel::restoreCommunication()
{
    for (int a = 8000; a < 8140; ++a)
        regs[a] = 0;
    const quint16 port1[6] = {1, 3, 0, 1, 0, 0};
    const quint16 port2[6] = {2, 1, 0, 1, 0, 0};
    for (int i = 0; i < 6; ++i) {
        regs[8000 + i] = port1[i];
        regs[8020 + i] = port2[i];
    }
    const quint16 can[6] = {1, 2, 0, 0, 100, 0};
    for (int i = 0; i < 6; ++i)
        regs[8040 + i] = can[i];
    const quint16 net[12] = {192, 168, 101, 1, 255, 255, 255, 0, 192, 168, 101, 254};
    for (int i = 0; i < 12; ++i)
        regs[8100 + i] = net[i];
    for (int k = 0; k < 6; ++k) {
        regs[8112 + 4 * k] = quint16(502 + k);
        regs[8113 + 4 * k] = 0;
        regs[8114 + 4 * k] = 0;
        regs[8115 + 4 * k] = 0;
    }
    for (int c = 0; c < 4; ++c)
        restoreAnalog(c);
}

void DeviceModel::restoreAnalog(int c)
{
    const int b = 8400 + 100 * c;
    for (int a = b; a < b + 6; ++a)
        regs[a] = 0;
    regs[b] = 2; // 4-20 mA
}

void DeviceModel::restoreSystem()
{
    regs[9309] = 0;
    regs[9310] = 0xFFFF;
    const qint32 coefficients[4] = {10012, 9987, 10065, 9993};
    for (int c = 0; c < 4; ++c)
        put32(9154 + 10 * c, coefficients[c]);
    put32(10000, 10203); // software version
    put32(10002, 20261207); // compile date
    for (int i = 0; i < 25; ++i)
        regs[10005 + i] = quint16(uchar(serialNumber.at(i)));
    const quint16 mac[6] = {0x00, 0x1A, 0x4B, 0x51, 0x0C, 0xE7};
    for (int i = 0; i < 6; ++i)
        regs[10100 + i] = mac[i];
    put32(2070, AngleSamplePoints);
    put32(2074, 1000);
    put32(2078, 0);
    angleSampleCount = 0;
}

QByteArray DeviceModel::factorySerial(int serverAddress)
{
    if (serverAddress == 1)
        return QByteArrayLiteral("2026120700042000000001234");
    // the same batch; the last three digits are the server address
    return QByteArrayLiteral("2026120700042000000000")
        + QByteArray::number(serverAddress).rightJustified(3, '0');
}

void DeviceModel::setSerial(const QByteArray &text)
{
    serialNumber = text.left(25).leftJustified(25, '0');
    for (int i = 0; i < 25; ++i)
        regs[10005 + i] = quint16(uchar(serialNumber.at(i)));
}

void DeviceModel::restoreAll()
{
    for (int c = 0; c < 4; ++c) {
        restoreBasic(c);
        restoreCalibration(c);
    }
    restoreApplication();
    restoreCommunication();
    restoreSystem();
}

// ---------------------------------------------------------------- Modbus access

int DeviceModel::readHolding(int address, int count, QVector<quint16> &values)
{
    if (address < 0 || count < 1 || address + count > RegisterCount)
        return IllegalDataAddress;
    for (int a = address; a < address + count; ++a) {
        if (!mapped[a])
            return IllegalDataAddress;
    }
    values = regs.mid(address, count);
    return NoException;
}

int DeviceModel::readCoils(int address, int count, QVector<quint16> &values)
{
    if (address < FirstCoil || count < 1 || address + count > FirstCoil + CoilCount)
        return IllegalDataAddress;
    values.clear();
    for (int a = address; a < address + count; ++a)
        values.append(coils[a - FirstCoil]);
    return NoException;
}

int DeviceModel::writeHolding(int address, const QVector<quint16> &values)
{
    const int count = values.size();
    if (address < 0 || count < 1 || address + count > RegisterCount)
        return IllegalDataAddress;
    for (int a = address; a < address + count; ++a) {
        if (!mapped[a] || !writable[a])
            return IllegalDataAddress;
    }
    // A remote-editing switch that is off refuses the whole request.
    for (int a = address; a < address + count; ++a) {
        const int sw = switchFor(a);
        if (sw >= 0 && coils[sw - FirstCoil] == 0)
            return ServerDeviceFailure;
    }
    // Range checks: 16-bit registers one by one; a 32-bit value only when both
    // registers of the pair are in this request.
    for (int i = 0; i < count; ++i) {
        const int a = address + i;
        auto it = ranges.constFind(a);
        if (it == ranges.constEnd())
            continue;
        if (!it->wide) {
            if (checkValue(a, values[i], false))
                return IllegalDataValue;
        } else if (i + 1 < count) {
            if (checkValue(a, join(values[i], values[i + 1]), true))
                return IllegalDataValue;
        }
    }
    const QVector<quint16> before = regs.mid(address, count);
    for (int i = 0; i < count; ++i)
        regs[address + i] = values[i];
    const int result = applyWrite(address, count);
    if (result != NoException) {
        for (int i = 0; i < count; ++i)
            regs[address + i] = before[i];
        updateLive();
        return result;
    }
    updateLive();
    return NoException;
}

// ---------------------------------------------------------------- live values

double DeviceModel::pow10(int decimals) const
{
    static const double table[5] = {1, 10, 100, 1000, 10000};
    return table[qBound(0, decimals, 4)];
}

int DeviceModel::decimalsOf(int c) const { return qBound(0, int(get32(calibrationBase(c) + 2)), 4); }

int DeviceModel::divisionOf(int c) const
{
    const int d = get32(calibrationBase(c) + 4);
    return d > 0 ? d : 1;
}

qint64 DeviceModel::toRaw(int c, double weight) const
{
    const double scaled = weight * pow10(decimalsOf(c));
    const int d = divisionOf(c);
    return qint64(std::llround(scaled / d)) * d;
}

double DeviceModel::signalOf(int c) const
{
    const Channel &ch = channels[c];
    return ch.zeroSignal + ch.load * ch.sensitivity + ch.noise;
}

// Weight in the channel's weight unit from a signal: the calibration points
// joined piecewise linearly from the zero signal, or the theory calibration
// from the load cell's rated output and capacity; then the correction
// coefficient.
double DeviceModel::weightOf(int c, double signal) const
{
    const int k = calibrationBase(c);
    const double zero = get32(k + 10) / 10000.0;
    double weight = 0;
    if (get32(k + 26) == 1) {
        const double rated = get32(k + 22) / 10000.0;
        weight = rated > 0 ? (signal - zero) / rated * get32(k + 24) : 0;
    } else {
        // (signal, weight) of the zero and of the calibrated points, in order
        double sig[6] = {zero, 0, 0, 0, 0, 0};
        double wt[6] = {0, 0, 0, 0, 0, 0};
        int n = 1;
        for (int p = 0; p < 5 && channels[c].pointWeight[p] > 0; ++p, ++n) {
            sig[n] = get32(k + 12 + 2 * p) / 10000.0;
            wt[n] = channels[c].pointWeight[p];
        }
        if (n >= 2) {
            int i = 1;
            while (i < n - 1 && signal > sig[i])
                ++i;
            const double span = sig[i] - sig[i - 1];
            weight = span != 0 ? wt[i - 1] + (signal - sig[i - 1]) * (wt[i] - wt[i - 1]) / span : 0;
        }
    }
    return weight * get32(k + 28) / 100000.0;
}

void DeviceModel::step()
{
    if (!frozen) {
        for (Channel &ch : channels) {
            // now and then the load changes a little and settles slowly; the
            // converter adds a little noise to the signal
            if (random.bounded(1000) < 5)
                ch.loadTarget = qMax(0.0, ch.loadTarget + (random.generateDouble() - 0.5) * 20.0);
            ch.load += (ch.loadTarget - ch.load) * 0.12;
            if (std::fabs(ch.loadTarget - ch.load) < 0.001)
                ch.load = ch.loadTarget;
            ch.noise = (random.generateDouble() - 0.5) * 0.00002;
        }
    }
    updateLive();
}

void DeviceModel::updateLive()
{
    if (held)
        return;
    const bool combined = regs[9309] == 1;
    const quint16 fieldWord = regs[9310];

    qint64 gross[4], corner[4], cornerCorrected[4];
    quint16 status[4];
    bool channelError[4];
    double combinedWeight = 0;
    bool allStable = true;
    for (int c = 0; c < 4; ++c) {
        Channel &ch = channels[c];
        const double signal = signalOf(c);
        const int k = calibrationBase(c);
        const double weight = weightOf(c, signal);
        gross[c] = toRaw(c, weight);

        // corner weight of the platform: theory calibration of the corner in
        // channel 1's format, then the angle coefficient
        const double zero = get32(k + 10) / 10000.0;
        const double rated = get32(2040 + 2 * c) / 10000.0;
        const double cornerWeight = rated > 0 ? (signal - zero) / rated * get32(2048 + 2 * c) : 0;
        const double coef = get32(2056 + 2 * c) / 100000.0;
        corner[c] = toRaw(0, cornerWeight);
        cornerCorrected[c] = toRaw(0, cornerWeight * coef);
        const bool inUse = ((fieldWord >> (4 * c)) & 0xF) == 0xF;
        if (inUse)
            combinedWeight += cornerWeight * coef;

        // stability over the last second
        const qint64 watched = combined ? corner[c] : gross[c];
        ch.history.append(watched);
        while (ch.history.size() > 10)
            ch.history.removeFirst();
        const auto [lo, hi] = std::minmax_element(ch.history.begin(), ch.history.end());
        const qint64 band
            = qMax<qint64>(1, get32(basicBase(c) + 14)) * (combined ? divisionOf(0) : divisionOf(c));
        ch.stable = ch.stableOverride >= 0 ? ch.stableOverride == 1 : (*hi - *lo) <= band;

        quint16 s = 0;
        if (ch.stable)
            s |= 0x0001;
        const qint64 shown = combined ? cornerCorrected[c] : gross[c];
        if (shown == 0)
            s |= 0x0002;
        const qint64 fullScale = get32(k + 6);
        const int div = combined ? divisionOf(0) : divisionOf(c);
        if ((fullScale > 0 && shown > fullScale + 9 * div) || ch.force == ForceOver)
            s |= 0x0010;
        if (shown < -20 * div || ch.force == ForceUnder)
            s |= 0x0020;
        if (signal > SignalLimit || ch.force == ForceLcOver)
            s |= 0x0040;
        if (signal < -SignalLimit || ch.force == ForceLcUnder)
            s |= 0x0080;
        channelError[c] = (s & 0x00F0) != 0 || ch.force == ForceError;
        if (combined && channelError[c])
            s |= 0x0008;
        if (ch.force == ForceError)
            s |= 0x0008;
        const qint64 tare = ch.tare != 0 ? ch.tare : get32(basicBase(c) + 12);
        if (tare != 0)
            s |= 0x0200;
        status[c] = s;
        if (inUse && !ch.stable)
            allStable = false;

        // live block 2
        const qint64 net = gross[c] - tare;
        put32(2 * c, qint32(tare != 0 ? net : gross[c]));
        regs[8 + c] = s;
        put32(12 + 6 * c, qint32(gross[c]));
        put32(14 + 6 * c, qint32(net));
        put32(16 + 6 * c, qint32(tare));
        // live block 3: converter counts, sensor signal and amplified signal
        put32(68 + 6 * c, qint32(std::lround(signal / 4.0 * 8388607.0)));
        put32(70 + 6 * c, qint32(std::lround(signal * 10000)));
        put32(72 + 6 * c, qint32(std::lround(signal * 64 * 10000)));
        ch.lastSignal = signal;
    }

    // live block 1: the platform
    const qint64 combinedRaw = toRaw(0, combinedWeight * get32(628) / 100000.0);
    quint16 cs = 0;
    if (combinedStableOverride >= 0 ? combinedStableOverride == 1 : allStable)
        cs |= 0x0001;
    if (combinedRaw == 0)
        cs |= 0x0002;
    bool anyError = false;
    for (int c = 0; c < 4; ++c) {
        const bool inUse = ((fieldWord >> (4 * c)) & 0xF) == 0xF;
        if (inUse && channelError[c])
            anyError = true;
    }
    if (anyError)
        cs |= 0x0008;
    const qint64 fs0 = get32(606);
    if (fs0 > 0 && combinedRaw > fs0 + 9 * divisionOf(0))
        cs |= 0x0010;
    if (combinedRaw < -20 * divisionOf(0))
        cs |= 0x0020;
    bool tilt = false;
    const qint64 threshold = get32(2078);
    if (tiltOverride >= 0) {
        tilt = tiltOverride == 1;
    } else if (combined && threshold > 0) {
        qint64 lo = 0, hi = 0;
        bool first = true;
        for (int c = 0; c < 4; ++c) {
            if (((fieldWord >> (4 * c)) & 0xF) != 0xF)
                continue;
            lo = first ? cornerCorrected[c] : qMin(lo, cornerCorrected[c]);
            hi = first ? cornerCorrected[c] : qMax(hi, cornerCorrected[c]);
            first = false;
        }
        tilt = !first && hi - lo > threshold;
    }
    if (tilt)
        cs |= 0x2000;
    put32(2000, qint32(combinedRaw));
    regs[2002] = cs;
    for (int c = 0; c < 4; ++c) {
        regs[2003 + c] = status[c];
        put32(2008 + 2 * c, qint32(combined ? cornerCorrected[c] : gross[c]));
        put32(2016 + 2 * c, qint32(corner[c]));
        put32(2024 + 2 * c, qint32(std::lround(channels[c].lastSignal * 10000)));
    }
    put32(2070, AngleSamplePoints);
    put32(2072, angleSampleCount);
}

// ---------------------------------------------------------------- commands

int DeviceModel::applyWrite(int address, int count)
{
    // Command words and words with side effects, in address order.
    for (int a = address; a < address + count; ++a) {
        const int b = a; // register address
        // 32-bit words start at the even offsets of their block
        auto wordAt = [&](int start) { return b == start && a + 1 < address + count; };
        for (int c = 0; c < 4; ++c) {
            const int k = calibrationBase(c);
            if (wordAt(k + 8) || wordAt(k + 46)) {
                const qint32 v = get32(b);
                put32(b, 0);
                if (v == 1) {
                    if (b == k + 46) {
                        for (int cc = 0; cc < 4; ++cc) {
                            if (((regs[9310] >> (4 * cc)) & 0xF) == 0xF)
                                captureZero(cc);
                        }
                    } else {
                        captureZero(c);
                    }
                }
            }
            for (int p = 0; p < 5; ++p) {
                if (wordAt(k + 12 + 2 * p)) {
                    const int r = recordPoint(c, p, get32(b));
                    if (r)
                        return r;
                }
            }
        }
        if (wordAt(2064) || wordAt(2066) || wordAt(2068)) {
            const qint32 v = get32(b);
            put32(b, 0);
            if (v == 1) {
                int r = NoException;
                if (b == 2064)
                    r = computeAngleCorrection();
                else if (b == 2066)
                    r = takeAngleSample();
                else {
                    for (int c = 0; c < 4; ++c)
                        put32(2056 + 2 * c, 100000);
                    angleSampleCount = 0;
                }
                if (r)
                    return r;
            }
        }
        if (wordAt(2074)) {
            const qint32 zero = get32(2074);
            for (int c = 0; c < 4; ++c)
                put32(calibrationBase(c) + 10, zero);
        }
        if ((a >= 8900 && a < 8943)) {
            const quint16 v = regs[a];
            regs[a] = 0;
            if (v == 1) {
                const int r = runCommand(a, v);
                if (r)
                    return r;
            }
        }
    }
    return NoException;
}

int DeviceModel::runCommand(int address, qint32)
{
    if (address == 8940) {
        restoreApplication();
    } else if (address == 8941) {
        restoreCommunication();
        emit connectionsShouldDrop();
    } else if (address == 8942) {
        restoreAll();
        emit connectionsShouldDrop();
    } else {
        const int c = (address - 8900) / 10;
        const int what = (address - 8900) % 10;
        if (what == 0)
            restoreBasic(c);
        else if (what == 1)
            restoreCalibration(c);
        else
            restoreAnalog(c);
    }
    return NoException;
}

int DeviceModel::captureZero(int c)
{
    const int k = calibrationBase(c);
    const double signal = signalOf(c);
    quint32 error = errorWord(c) & 0x0000FFFFu;
    if (channels[c].stableOverride == 0) {
        setErrorWord(c, error | 0x0001);
        return NoException;
    }
    if (signal > SignalLimit) {
        setErrorWord(c, error | 0x0004);
        return NoException;
    }
    if (signal < -SignalLimit) {
        setErrorWord(c, error | 0x0002);
        return NoException;
    }
    const qint32 oldZero = get32(k + 10);
    const qint32 newZero = qint32(std::lround(signal * 10000));
    // recorded points move with the zero so the span stays
    for (int p = 0; p < 5; ++p) {
        if (channels[c].pointWeight[p] > 0)
            put32(k + 12 + 2 * p, get32(k + 12 + 2 * p) + newZero - oldZero);
    }
    put32(k + 10, newZero);
    setErrorWord(c, error & ~0x0007u);
    return NoException;
}

int DeviceModel::recordPoint(int c, int p, qint32 raw)
{
    const int k = calibrationBase(c);
    Channel &ch = channels[c];
    quint32 error = errorWord(c) & ~0x07F8u;
    auto fail = [&](quint32 bit) {
        setErrorWord(c, error | bit);
        return IllegalDataValue;
    };
    if (raw == 0)
        return fail(0x0080); // Input Wt Zero
    const qint64 fullScale = get32(k + 6);
    if (fullScale > 0 && raw > fullScale)
        return fail(0x0100); // Over Full Scale
    if (p > 0 && ch.pointWeight[p - 1] <= 0)
        return fail(0x0400); // No Before Gain
    if (ch.stableOverride == 0)
        return fail(0x0008); // mV UnSTAB
    const double signal = signalOf(c);
    if (signal > SignalLimit)
        return fail(0x0020);
    if (signal < -SignalLimit)
        return fail(0x0010);
    const double zero = get32(k + 10) / 10000.0;
    const double lastSignal = p > 0 ? get32(k + 12 + 2 * (p - 1)) / 10000.0 : zero;
    if (std::fabs(signal - lastSignal) < 0.0005)
        return fail(0x0200); // Over Resolution
    ch.pointWeight[p] = raw / pow10(decimalsOf(c));
    put32(k + 12 + 2 * p, qint32(std::lround(signal * 10000)));
    if (p == 0) {
        for (int q = 1; q < 5; ++q) {
            ch.pointWeight[q] = 0;
            put32(k + 12 + 2 * q, 0);
        }
    }
    setErrorWord(c, error & ~0x80000000u);
    return NoException;
}

int DeviceModel::takeAngleSample()
{
    if (angleSampleCount >= AngleSamplePoints)
        angleSampleCount = 0;
    for (int c = 0; c < 4; ++c) {
        const int k = calibrationBase(c);
        const double zero = get32(k + 10) / 10000.0;
        const double rated = get32(2040 + 2 * c) / 10000.0;
        angleSamples[angleSampleCount][c]
            = rated > 0 ? (signalOf(c) - zero) / rated * get32(2048 + 2 * c) : 0;
    }
    ++angleSampleCount;
    return NoException;
}

// Each sample holds the same test weight over one corner; the corner's
// coefficient makes every sample's total equal to the mean total.
int DeviceModel::computeAngleCorrection()
{
    if (angleSampleCount < AngleSamplePoints)
        return ServerDeviceFailure;
    double totals[4];
    double mean = 0;
    for (int s = 0; s < 4; ++s) {
        totals[s] = 0;
        for (int c = 0; c < 4; ++c)
            totals[s] += angleSamples[s][c];
        if (totals[s] <= 0)
            return ServerDeviceFailure;
        mean += totals[s] / 4;
    }
    for (int c = 0; c < 4; ++c)
        put32(2056 + 2 * c, qint32(std::lround(mean / totals[c] * 100000)));
    angleSampleCount = 0;
    return NoException;
}

// ---------------------------------------------------------------- control

QString DeviceModel::control(const QStringList &w)
{
    const QString cmd = w.value(0);
    qint64 a = 0, v = 0;
    auto needInts = [&](int n) {
        if (w.size() != n + 1)
            return false;
        if (n >= 1 && !parseInt(w[1], a))
            return false;
        if (n >= 2 && !parseInt(w[2], v))
            return false;
        return true;
    };
    auto channelArg = [&](int &c) {
        qint64 x = 0;
        if (!parseInt(w.value(1), x) || x < 1 || x > 4)
            return false;
        c = int(x) - 1;
        return true;
    };
    auto onOff = [](const QString &s, int &out) {
        if (s == QLatin1String("on"))
            out = 1;
        else if (s == QLatin1String("off"))
            out = 0;
        else if (s == QLatin1String("auto"))
            out = -1;
        else
            return false;
        return true;
    };

    if (cmd == QLatin1String("set")) {
        if (!needInts(2) || a < 0 || a >= RegisterCount || v < 0 || v > 0xFFFF)
            return QStringLiteral("error usage: set <addr> <u16>");
        regs[int(a)] = quint16(v);
        if (a >= 9309 && a <= 9310)
            updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("set32")) {
        if (!needInts(2) || a < 0 || a + 1 >= RegisterCount || v < INT32_MIN || v > UINT32_MAX)
            return QStringLiteral("error usage: set32 <addr> <i32>");
        put32(int(a), qint32(quint32(v)));
        // calibration words take effect in the live values at once
        if (!(a < 92 || (a >= 2000 && a < 2040)))
            updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("get")) {
        if (!needInts(1) || a < 0 || a >= RegisterCount)
            return QStringLiteral("error usage: get <addr>");
        return QStringLiteral("ok %1").arg(regs[int(a)]);
    }
    if (cmd == QLatin1String("get32")) {
        if (!needInts(1) || a < 0 || a + 1 >= RegisterCount)
            return QStringLiteral("error usage: get32 <addr>");
        return QStringLiteral("ok %1").arg(get32(int(a)));
    }
    if (cmd == QLatin1String("coil")) {
        if (!needInts(2) || a < FirstCoil || a >= FirstCoil + CoilCount || (v != 0 && v != 1))
            return QStringLiteral("error usage: coil <500-506> <0|1>");
        coils[a - FirstCoil] = quint16(v);
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("mode")) {
        if (!needInts(1) || (a != 0 && a != 1))
            return QStringLiteral("error usage: mode <0|1>");
        regs[9309] = quint16(a);
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("fields")) {
        if (!needInts(1) || a < 0 || a > 0xFFFF)
            return QStringLiteral("error usage: fields <u16>");
        regs[9310] = quint16(a);
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("force")) {
        int c = 0;
        if (w.size() != 3 || !channelArg(c))
            return QStringLiteral("error usage: force <1-4> <none|over|under|lcover|lcunder|error>");
        static const QStringList names = {"none", "over", "under", "lcover", "lcunder", "error"};
        const int f = names.indexOf(w[2]);
        if (f < 0)
            return QStringLiteral("error usage: force <1-4> <none|over|under|lcover|lcunder|error>");
        channels[c].force = ForceState(f);
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("tilt")) {
        int s = 0;
        if (w.size() != 2 || !onOff(w[1], s))
            return QStringLiteral("error usage: tilt <on|off|auto>");
        tiltOverride = s;
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("stable")) {
        qint64 c = 0;
        int s = 0;
        if (w.size() != 3 || !parseInt(w[1], c) || c < 0 || c > 4 || !onOff(w[2], s))
            return QStringLiteral("error usage: stable <0-4> <on|off|auto>");
        if (c == 0)
            combinedStableOverride = s;
        else
            channels[c - 1].stableOverride = s;
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("freeze")) {
        int s = 0;
        if (w.size() != 2 || !onOff(w[1], s) || s < 0)
            return QStringLiteral("error usage: freeze <on|off>");
        frozen = s == 1;
        if (frozen) {
            for (Channel &ch : channels) {
                ch.loadTarget = ch.load;
                ch.noise = 0;
                ch.history.clear();
            }
        }
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("hold")) {
        int s = 0;
        if (w.size() != 2 || !onOff(w[1], s) || s < 0)
            return QStringLiteral("error usage: hold <on|off>");
        held = s == 1;
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("load")) {
        int c = 0;
        bool ok = false;
        const double value = w.value(2).toDouble(&ok);
        if (w.size() != 3 || !channelArg(c) || !ok)
            return QStringLiteral("error usage: load <1-4> <weight>");
        channels[c].load = value;
        channels[c].loadTarget = value;
        channels[c].noise = 0;
        channels[c].history.clear();
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("tare")) {
        int c = 0;
        if (w.size() != 3 || !channelArg(c) || !parseInt(w[2], v))
            return QStringLiteral("error usage: tare <1-4> <raw>");
        channels[c].tare = v;
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("error")) {
        int c = 0;
        if (w.size() != 3 || !channelArg(c) || !parseInt(w[2], v) || v < 0 || v > UINT32_MAX)
            return QStringLiteral("error usage: error <1-4> <u32>");
        setErrorWord(c, quint32(v));
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("reset-live")) {
        resetLoads();
        frozen = false;
        held = false;
        tiltOverride = -1;
        combinedStableOverride = -1;
        for (Channel &ch : channels) {
            ch.force = ForceNone;
            ch.stableOverride = -1;
            ch.tare = 0;
            ch.history.clear();
        }
        updateLive();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("reset-device")) {
        restoreAll();
        std::fill(std::begin(coils), std::end(coils), quint16(1));
        coils[6] = 0;
        updateLive();
        return QStringLiteral("ok");
    }
    return QString();
}
