#pragma once

// The simulated KTT-Q4 transmitter: register storage, parameter ranges, the
// load-cell physics behind the live values and the device commands. The model
// knows nothing about Modbus framing; the server (simserver) hands it register
// reads and writes and sends its answers. One model is one device: a link that
// serves several server addresses has one model per address.

#include <QHash>
#include <QObject>
#include <QRandomGenerator>
#include <QStringList>
#include <QVector>

class QTimer;

// Modbus exception codes the device answers with.
enum SimException : int {
    NoException = 0,
    IllegalFunction = 1,
    IllegalDataAddress = 2,
    IllegalDataValue = 3,
    ServerDeviceFailure = 4,
};

class DeviceModel : public QObject
{
    Q_OBJECT
public:
    static constexpr int RegisterCount = 10106;
    static constexpr int FirstCoil = 500;
    static constexpr int CoilCount = 7;

    // serverAddress only shapes the identity: the factory serial number ends
    // in it (address 1 keeps the plain factory serial).
    explicit DeviceModel(int wordOrder, int serverAddress = 1, QObject *parent = nullptr);

    // The 25 digits of the factory serial number of the device at an address.
    static QByteArray factorySerial(int serverAddress);
    // Sets the serial number (25 character codes, registers 10005..10029); resets keep it.
    void setSerial(const QByteArray &text);
    QByteArray serial() const { return serialNumber; }

    // Modbus access. Each returns 0 or a Modbus exception code.
    int readHolding(int address, int count, QVector<quint16> &values);
    int writeHolding(int address, const QVector<quint16> &values);
    int readCoils(int address, int count, QVector<quint16> &values);

    // Control lines (see sim/README.md). Returns the reply line, or an empty
    // string when the command is not one of the model's.
    QString control(const QStringList &words);

    int wordOrder() const { return order; }

    // One step of the live simulation (drift, noise, live registers).
    void step();

signals:
    // A reset that a real device follows with a restart of its interfaces.
    void connectionsShouldDrop();

private:
    struct Range
    {
        qint64 low = 0;
        qint64 high = 0;
        QVector<int> allowed; // when not empty: the only accepted values
        bool wide = false; // 32-bit register pair
    };

    enum ForceState { ForceNone, ForceOver, ForceUnder, ForceLcOver, ForceLcUnder, ForceError };

    struct Channel
    {
        double load = 0; // load on the cell, in the calibration's weight unit
        double loadTarget = 0; // the drift walks towards this value
        double zeroSignal = 0.1; // signal of the empty cell, mV/V
        double sensitivity = 0.002; // mV/V per weight unit
        double pointWeight[5] = {0, 0, 0, 0, 0}; // calibration weights in weight units (0 = not calibrated)
        double noise = 0; // converter noise on the signal, mV/V
        double lastSignal = 0;
        QVector<qint64> history; // recent gross values for the stability test
        int stableOverride = -1; // -1 automatic, 0 off, 1 on
        ForceState force = ForceNone;
        qint64 tare = 0; // raw tare set by the control line
        bool stable = false;
    };

    // register helpers
    quint16 reg(int address) const { return regs[address]; }
    qint32 get32(int address) const;
    void put32(int address, qint32 value);
    qint32 join(quint16 first, quint16 second) const;
    void setErrorWord(int channel, quint32 value);
    quint32 errorWord(int channel) const;

    void buildMap();
    void mapRange(int first, int last, bool writable);
    void range16(int address, qint64 low, qint64 high);
    void range32(int address, qint64 low, qint64 high);
    void allowed32(int address, const QVector<int> &values);
    int checkValue(int address, qint64 value, bool wide) const;
    int switchFor(int address) const;

    void restoreBasic(int channel);
    void restoreCalibration(int channel);
    void restoreApplication();
    void restoreCommunication();
    void restoreAnalog(int channel);
    void restoreSystem();
    void restoreAll();
    void resetLoads();

    // behaviour behind writes
    int applyWrite(int address, int count);
    int runCommand(int address, qint32 value);
    int captureZero(int channel);
    int recordPoint(int channel, int point, qint32 raw);
    int takeAngleSample();
    int computeAngleCorrection();

    double signalOf(int channel) const;
    double weightOf(int channel, double signal) const; // weight units, after correction
    double pow10(int decimals) const;
    int decimalsOf(int channel) const;
    int divisionOf(int channel) const;
    qint64 toRaw(int channel, double weight) const;
    void updateLive();

    QVector<quint16> regs;
    QVector<bool> mapped;
    QVector<bool> writable;
    QHash<int, Range> ranges;
    quint16 coils[CoilCount];
    int order = 0;
    int ownAddress = 1; // server address, for the identity
    QByteArray serialNumber; // 25 character codes

    Channel channels[4];
    bool frozen = false;
    bool held = false;
    int tiltOverride = -1; // -1 automatic
    int combinedStableOverride = -1;
    double angleSamples[4][4]; // [sample][channel] corner loads
    int angleSampleCount = 0;
    QRandomGenerator random;
    QTimer *timer = nullptr;
};
