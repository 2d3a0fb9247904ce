#include "params/registermap.h"

#include <QHash>

namespace {

// Group table: block reads 0..60, single command registers 61..75.
QVector<ParameterGroup> buildGroups()
{
    QVector<ParameterGroup> groups(ParameterGroupCount, ParameterGroup {0, 0});
    groups[0] = {9309, 2};
    groups[1] = {2000, 80};
    groups[2] = {0, 67};
    groups[3] = {68, 24};
    for (int c = 0; c < 4; ++c) {
        groups[4 + c] = {140 + 15 * c, 2}; // error word of the channel
        groups[8 + c] = {200 + 100 * c, 30}; // basic block
        groups[12 + c] = {600 + 100 * c, 50}; // calibration block
    }
    groups[16] = {1000, 16};
    groups[17] = {1030, 16};
    groups[18] = {1060, 128};
    groups[19] = {8000, 139};
    groups[20] = {10000, 106};
    groups[21] = {500, 7};
    // One 32-bit calibration word each: group 22 + 4w + c at 608 + 2w + 100c.
    for (int w = 0; w < 7; ++w)
        for (int c = 0; c < 4; ++c)
            groups[22 + 4 * w + c] = {608 + 2 * w + 100 * c, 2};
    groups[50] = {1060, 97};
    groups[51] = {1156, 32};
    groups[52] = {8000, 46};
    groups[53] = {8100, 39};
    for (int k = 0; k < 4; ++k)
        groups[54 + k] = {8400 + 100 * k, 6};
    groups[58] = {9154, 32};
    groups[59] = {10000, 30};
    groups[60] = {10100, 6};
    groups[61] = {8942, 1};
    groups[62] = {8941, 1};
    groups[63] = {8940, 1};
    const int commands[12] = {8900, 8910, 8920, 8930, 8901, 8911, 8921, 8931, 8902, 8912, 8922, 8932};
    for (int i = 0; i < 12; ++i)
        groups[64 + i] = {commands[i], 1};
    return groups;
}

const QVector<ParameterGroup> &groupTable()
{
    static const QVector<ParameterGroup> table = buildGroups();
    return table;
}

using S = BindingScale;

const QVector<RegisterBinding> basicBindings = {
    {"EditPWROnzero", 200, 2, S::AsTyped},
    {"RemotoZeroBox", 202, 2, S::ItemIndex},
    {"EditZeroRange", 204, 2, S::AsTyped},
    {"RemoteTareBox", 206, 2, S::ItemIndex},
    {"TareRecordBox", 208, 2, S::ItemIndex},
    {"NetSignCorBox", 210, 2, S::ItemIndex},
    {"EditPresetTare", 212, 2, S::Weight},
    {"EditSTABRange", 214, 2, S::AsTyped},
    {"EditSTABTimer", 216, 2, S::AsTyped},
    {"EditTrZeroRange", 218, 2, S::AsTyped},
    {"EditTrZeroTimer", 220, 2, S::AsTyped},
    {"EditDigit_Filter", 222, 2, S::AsTyped},
    {"EditAdv_Filter", 224, 2, S::AsTyped},
    {"SampleRateBox", 226, 2, S::ItemIndex},
    {"comboBox_InputRange", 228, 2, S::ItemIndex},
    {"EditTiltThreshold", 2078, 2, S::WeightCh1},
};

const QVector<RegisterBinding> calibrationBindings = {
    {"BoxUnitSelect", 600, 2, S::ItemIndex},
    {"BoxDecimalSelect", 602, 2, S::ItemIndex},
    {"BoxDivisionSelect", 604, 2, S::ItemIndex},
    {"EditFullScale", 606, 2, S::Weight},
    {"EditkeyInmv", 610, 2, S::MilliVolt},
    {"EditWeightCp1", 612, 2, S::Weight},
    {"EditWeightCp2", 614, 2, S::Weight},
    {"EditWeightCp3", 616, 2, S::Weight},
    {"EditWeightCp4", 618, 2, S::Weight},
    {"EditWeightCp5", 620, 2, S::Weight},
    {"EditLcMv", 622, 2, S::MilliVolt},
    {"EditLcCapacity", 624, 2, S::AsTyped},
    {"BoxTCal", 626, 2, S::ItemIndex},
    {"EditCorrectCoef", 628, 2, S::Coefficient},
    {"EditOneKeyInmv", 2074, 2, S::MilliVolt},
    {"EditkeyInmv_2", 710, 2, S::MilliVolt},
    {"EditkeyInmv_3", 810, 2, S::MilliVolt},
    {"EditkeyInmv_4", 910, 2, S::MilliVolt},
    {"EditLcMv_1", 2040, 2, S::MilliVolt},
    {"EditLcMv_2", 2042, 2, S::MilliVolt},
    {"EditLcMv_3", 2044, 2, S::MilliVolt},
    {"EditLcMv_4", 2046, 2, S::MilliVolt},
    {"EditLcCapacity_1", 2048, 2, S::AsTyped},
    {"EditLcCapacity_2", 2050, 2, S::AsTyped},
    {"EditLcCapacity_3", 2052, 2, S::AsTyped},
    {"EditLcCapacity_4", 2054, 2, S::AsTyped},
    {"EditAngleCorrectCoef_1", 2056, 2, S::Coefficient},
    {"EditAngleCorrectCoef_2", 2058, 2, S::Coefficient},
    {"EditAngleCorrectCoef_3", 2060, 2, S::Coefficient},
    {"EditAngleCorrectCoef_4", 2062, 2, S::Coefficient},
    {"pushButton_AngleCorrectReset", 2068, 2, S::Command},
};

const QVector<RegisterBinding> inputBindings = {
    {"BoxInput1", 1000, 2, S::ItemIndex},
    {"lineEditInput1", 1002, 2, S::AsTyped},
    {"BoxInput2", 1004, 2, S::ItemIndex},
    {"lineEditInput2", 1006, 2, S::AsTyped},
    {"BoxInput3", 1008, 2, S::ItemIndex},
    {"lineEditInput3", 1010, 2, S::AsTyped},
    {"BoxInput4", 1012, 2, S::ItemIndex},
    {"lineEditInput4", 1014, 2, S::AsTyped},
};

const QVector<RegisterBinding> outputBindings = {
    {"BoxOutput1", 1030, 2, S::ItemIndex},
    {"BoxOutput2", 1032, 2, S::ItemIndex},
    {"BoxOutput3", 1034, 2, S::ItemIndex},
    {"BoxOutput4", 1036, 2, S::ItemIndex},
    {"BoxOutput5", 1038, 2, S::ItemIndex},
    {"BoxOutput6", 1040, 2, S::ItemIndex},
    {"BoxOutput7", 1042, 2, S::ItemIndex},
    {"BoxOutput8", 1044, 2, S::ItemIndex},
};

// Comparator k (1..8) holds eight 32-bit words from 1060 + 16(k - 1). The
// object names are kept as static strings so the table rows can point at them.
const char *const comparatorNames[8][8] = {
#define Q4_COMPARATOR_ROW(k)                                                                                 \
    {                                                                                                        \
        "BoxChannel_" #k, "BoxCOMPMode_" #k, "lineEditCOMPValue1_" #k, "lineEditCOMPValue2_" #k,             \
            "BoxONCOND_" #k, "lineEditTRUEJudgeT_" #k, "BoxOFFCOND_" #k, "lineEditFALSEHoldT_" #k            \
    }
    Q4_COMPARATOR_ROW(1),
    Q4_COMPARATOR_ROW(2),
    Q4_COMPARATOR_ROW(3),
    Q4_COMPARATOR_ROW(4),
    Q4_COMPARATOR_ROW(5),
    Q4_COMPARATOR_ROW(6),
    Q4_COMPARATOR_ROW(7),
    Q4_COMPARATOR_ROW(8),
#undef Q4_COMPARATOR_ROW
};
const BindingScale comparatorScales[8]
    = {S::ItemIndex, S::ItemIndex, S::Weight, S::Weight, S::ItemIndex, S::AsTyped, S::ItemIndex, S::AsTyped};

QVector<RegisterBinding> buildComparatorBindings()
{
    QVector<RegisterBinding> table;
    for (int k = 0; k < 8; ++k)
        for (int i = 0; i < 8; ++i)
            table.append({comparatorNames[k][i], 1060 + 16 * k + 2 * i, 2, comparatorScales[i]});
    return table;
}

const QVector<RegisterBinding> dataTransBindings = {
    {"lineEditCOMID1", 8000, 1, S::AsTyped},
    {"BoxBaudrate1", 8001, 1, S::ItemIndex},
    {"BoxProtocol1", 8002, 1, S::ItemIndex},
    {"BoxDataFormat1", 8003, 1, S::ItemIndex},
    {"BoxDwordFormat1", 8004, 1, S::ItemIndex},
    {"lineEditSendGap1", 8005, 1, S::AsTyped},
    {"lineEditCOMID1_2", 8020, 1, S::AsTyped},
    {"BoxBaudrate1_2", 8021, 1, S::ItemIndex},
    {"BoxProtocol1_2", 8022, 1, S::ItemIndex},
    {"BoxDataFormat1_2", 8023, 1, S::ItemIndex},
    {"BoxDwordFormat1_2", 8024, 1, S::ItemIndex},
    {"lineEditSendGap1_2", 8025, 1, S::AsTyped},
    {"lineEditCANID", 8040, 1, S::AsTyped},
    {"BoxBaudrateCAN", 8041, 1, S::ItemIndex},
    {"BoxReportType", 8042, 1, S::ItemIndex},
    {"BoxReportContent", 8043, 1, S::ItemIndex},
    {"lineEditReportGap", 8044, 1, S::AsTyped},
    {"BoxTerminalRES", 8045, 1, S::ItemIndex},
    {"lineEditIP1", 8100, 1, S::AsTyped},
    {"lineEditIP2", 8101, 1, S::AsTyped},
    {"lineEditIP3", 8102, 1, S::AsTyped},
    {"lineEditIP4", 8103, 1, S::AsTyped},
    {"lineEditMask1", 8104, 1, S::AsTyped},
    {"lineEditMask2", 8105, 1, S::AsTyped},
    {"lineEditMask3", 8106, 1, S::AsTyped},
    {"lineEditMask4", 8107, 1, S::AsTyped},
    {"lineEditGateway1", 8108, 1, S::AsTyped},
    {"lineEditGateway2", 8109, 1, S::AsTyped},
    {"lineEditGateway3", 8110, 1, S::AsTyped},
    {"lineEditGateway4", 8111, 1, S::AsTyped},
    {"lineEditPortNum", 8112, 1, S::AsTyped},
    {"BoxProtocol3", 8113, 1, S::ItemIndex},
    {"BoxDwordFormat3", 8114, 1, S::ItemIndex},
    {"lineEditSendGap1_3", 8115, 1, S::AsTyped},
    {"BoxCH1_AnalogType", 8400, 1, S::ItemIndex},
    {"BoxCH1_Link", 8405, 1, S::ItemIndex},
    {"BoxCH2_AnalogType", 8500, 1, S::ItemIndex},
    {"BoxCH2_Link", 8505, 1, S::ItemIndex},
    {"BoxCH3_AnalogType", 8600, 1, S::ItemIndex},
    {"BoxCH3_Link", 8605, 1, S::ItemIndex},
    {"BoxCH4_AnalogType", 8700, 1, S::ItemIndex},
    {"BoxCH4_Link", 8705, 1, S::ItemIndex},
    // The combined analog widgets write the registers of analog output 1.
    {"Box_combinedAnalogType", 8400, 1, S::ItemIndex},
    {"Box_combinedLinkData", 8405, 1, S::ItemIndex},
};

const QVector<RegisterBinding> testMaintainBindings = {
    {"comboBox_channelMode", 9309, 1, S::ItemIndex},
    // All four channel combos write the channel field word.
    {"comboBox_channel_1", 9310, 1, S::ItemIndex},
    {"comboBox_channel_2", 9310, 1, S::ItemIndex},
    {"comboBox_channel_3", 9310, 1, S::ItemIndex},
    {"comboBox_channel_4", 9310, 1, S::ItemIndex},
};

const QVector<RegisterBinding> noBindings;

// Each warning is translated in the context of the page that shows it.
const QVector<RemoteSwitch> switchTable = {
    {500, QT_TRANSLATE_NOOP("BasicConfig", "Basic remote editing switch off, on before submitting parameters!")},
    {501, QT_TRANSLATE_NOOP("WeightCal", "CAL remote editing switch off, on before submitting parameters!")},
    {502, QT_TRANSLATE_NOOP(
              "Application", "Application remote editing switch off, on before submitting parameters!")},
    {503, ""},
    {504, QT_TRANSLATE_NOOP(
              "DataTrans", "Data-Trans remote editing switch off, on before submitting parameters!")},
    {505,
        QT_TRANSLATE_NOOP(
            "TestMaintain", "System remote editing switch off, on before resetting parameters!")},
};

const char *const unitNames[UnitCount] = {"t", "kg", "g", "lb", ""};

// 64 error texts: English calibration, English zero/tare, Chinese calibration,
// Chinese zero/tare; bit b of a channel error word is row b of its language.
const char *const errorTexts[64] = {
    // English, bits 0..15 (calibration)
    "Non Stable",
    "Zero Cal OFL",
    "Zero Cal -OFL",
    "mV UnSTAB",
    "Loadcell Over",
    "Loadcell Under",
    "Weight Error",
    "Input Wt Zero",
    "Over Full Scale",
    "Over Resolution",
    "No Before Gain",
    "",
    "Remote OPS Ban",
    "Await Stab",
    "",
    "",
    // English, bits 16..31 (zero and tare); bit 24 keeps its trailing blank
    "Over Zero Range",
    "Non Stable",
    "Over Zero Range",
    "Non Stable",
    "Loadcell Under",
    "Loadcell Over",
    "Remot Zero Ban",
    "Forbid Zero",
    "Non Stable ",
    "-OFL When Tare",
    "OFL When Tare",
    "Tare Err",
    "Forbid Tare",
    "Remot Tare Ban",
    "",
    "CAL Fail",
    // Chinese, bits 0..15
    "零点标定不稳定",
    "零点标定时传感器负溢出",
    "零点标定时传感器正溢出",
    "重量标定不稳定",
    "重量标定时传感器负溢出",
    "重量标定时传感器正溢出",
    "重量输入错误",
    "重量输入不能为零",
    "重量输入超过最大量程",
    "超出最小分辨率",
    "前一个重量点未标定",
    "",
    "远程标定禁止时进行远程标定",
    "标定时不稳定，等待稳定中",
    "",
    "",
    // Chinese, bits 16..31
    "上电清零超范围",
    "上电清零时不稳定",
    "清零超范围",
    "清零时不稳定",
    "清零时传感器负溢出",
    "清零时传感器正溢出",
    "远程清零时未开启远程清零开关",
    "净重状态不允许清零",
    "去皮时不稳定",
    "去皮时传感器负溢出",
    "去皮时传感器正溢出",
    "去皮时重量为负",
    "净重状态不允许去皮",
    "远程操作皮重时未开启远程皮重操作允许开关",
    "",
    "标定失败",
};

// Status bits 4..7 of a channel status word and of the combined status.
// Shown translated in the main window's context.
const char *const statusTexts[4] = {QT_TRANSLATE_NOOP("MainWindow", "Over Full Scale"),
    QT_TRANSLATE_NOOP("MainWindow", "Weight Under Limit"), QT_TRANSLATE_NOOP("MainWindow", "Loadcell Over"),
    QT_TRANSLATE_NOOP("MainWindow", "Loadcell Under")};

QStringList repeated(const QString &text, int times)
{
    QStringList list;
    for (int i = 0; i < times; ++i)
        list << text;
    return list;
}

} // namespace

ParameterGroup parameterGroup(int group)
{
    if (group < 0 || group >= ParameterGroupCount)
        return {0, 0};
    return groupTable().at(group);
}

const QVector<RegisterBinding> &bindingTable(int page, int subTable)
{
    static const QVector<RegisterBinding> comparatorBindings = buildComparatorBindings();
    switch (page) {
    case 1:
        return basicBindings;
    case 2:
        return calibrationBindings;
    case 3:
        switch (subTable) {
        case 16:
            return inputBindings;
        case 17:
            return outputBindings;
        case 18:
            return comparatorBindings;
        default:
            return noBindings;
        }
    case 4:
        return dataTransBindings;
    case 5:
        return testMaintainBindings;
    default:
        return noBindings;
    }
}

const RegisterBinding *findBinding(int page, int subTable, const QString &objectName)
{
    const QVector<RegisterBinding> &table = bindingTable(page, subTable);
    for (const RegisterBinding &binding : table)
        if (objectName == QLatin1String(binding.objectName))
            return &binding;
    return nullptr;
}

bool isEthernetSlotWidget(const QString &objectName)
{
    return objectName == QLatin1String("lineEditPortNum") || objectName == QLatin1String("BoxProtocol3")
        || objectName == QLatin1String("BoxDwordFormat3")
        || objectName == QLatin1String("lineEditSendGap1_3");
}

int resolveAddress(int page, const RegisterBinding &binding, int channel, int slot)
{
    if (page == 1 || page == 2)
        return binding.base + 100 * channel;
    if (page == 4 && isEthernetSlotWidget(QLatin1String(binding.objectName)))
        return binding.base + 4 * slot;
    return binding.base;
}

qint32 joinWords(quint16 first, quint16 second, WordOrder order)
{
    const quint32 value
        = order == WordOrder::CdAb ? (quint32(second) << 16) | first : (quint32(first) << 16) | second;
    return qint32(value);
}

quint32 joinErrorWords(quint16 first, quint16 second, WordOrder order)
{
    // The device joins error words low word first in order "AB-CD".
    return quint32(joinWords(first, second, order == WordOrder::CdAb ? WordOrder::AbCd : WordOrder::CdAb));
}

const QVector<RemoteSwitch> &remoteSwitches() { return switchTable; }

QString unitName(int unit)
{
    if (unit < 0 || unit >= UnitCount)
        return QString();
    return QString::fromLatin1(unitNames[unit]);
}

QString errorText(int bit, int language)
{
    if (bit < 0 || bit > 31)
        return QString();
    const int index = 16 * (bit / 16 + (language == 1 ? 2 : 0)) + bit % 16;
    return QString::fromUtf8(errorTexts[index]);
}

const char *statusBitText(int bit)
{
    if (bit < 4 || bit > 7)
        return nullptr;
    return statusTexts[bit - 4];
}

const QStringList &rangeTexts(RangePage page)
{
    static const QStringList application
        = QStringList {"0-200ms", "0-200ms", "0-200ms", "0-200ms", "-99999.9-99999.9", "0-50000ms"};
    static const QStringList basic
        = {"0-200000", "0-99d", "0-9", "0-99d", "1-5000ms", "0-99d", "1-5000ms", "0-101%", "1-99%"};
    static const QStringList dataTrans
        = QStringList {"0-99", "0-99", "0-5000ms", "0-5000ms", "1-99", "0-1000ms"} + repeated("0-255", 12)
        + QStringList {"1-65535", "0-5000ms"};
    static const QStringList calibration
        = QStringList {"0.0000-3.9999", "0-999999", "0-999999", "0.00001-9.99999"}
        + repeated("0.0000-3.9999", 4) + repeated("0-999999", 4) + repeated("0-9.99999", 4);
    switch (page) {
    case RangePage::Application:
        return application;
    case RangePage::Basic:
        return basic;
    case RangePage::DataTrans:
        return dataTrans;
    case RangePage::Calibration:
    default:
        return calibration;
    }
}

// ---------------------------------------------------------------------------
// Parameter catalogue: every device parameter the pages edit, one row per
// register (pair), expanded per channel, comparator, slot and analog output.

namespace {

struct RangeLimits
{
    qint64 minimum;
    qint64 maximum;
};

// "0-200000" -> {0, 200000}; "-99999.9-99999.9" with a scale of 10 -> {-999999, 999999};
// a trailing unit ("ms", "d", "%") is ignored. The scale turns a decimal range into
// register units.
RangeLimits parseRange(const QString &text, qint64 scale = 1)
{
    QString body = text;
    while (!body.isEmpty() && !body.back().isDigit())
        body.chop(1);
    // The separator is the first '-' after the first digit.
    int start = body.startsWith('-') ? 1 : 0;
    const int dash = body.indexOf('-', start);
    const QString low = body.left(dash);
    const QString high = body.mid(dash + 1);
    return {qRound64(low.toDouble() * scale), qRound64(high.toDouble() * scale)};
}

struct CatalogueBuilder
{
    QVector<ParameterInfo> rows;

    void add(int address, int count, const QString &english, const QString &chinese, qint64 minimum,
        qint64 maximum)
    {
        rows.append({address, count, english, chinese, minimum, maximum});
    }
    void add(int address, int count, const QString &english, const QString &chinese, RangeLimits limits)
    {
        add(address, count, english, chinese, limits.minimum, limits.maximum);
    }
};

QVector<ParameterInfo> buildCatalogue()
{
    CatalogueBuilder b;
    const QStringList &basicRange = rangeTexts(RangePage::Basic);
    const QStringList &calRange = rangeTexts(RangePage::Calibration);
    const QStringList &appRange = rangeTexts(RangePage::Application);
    const QStringList &transRange = rangeTexts(RangePage::DataTrans);
    const qint64 weightMax = 999999; // device weight ranges end at six digits

    // Basic parameters of the four channels (registers 200..228 + 100c).
    for (int c = 0; c < 4; ++c) {
        const int base = 200 + 100 * c;
        const QString en = QStringLiteral("CH%1 ").arg(c + 1);
        const QString cn = QStringLiteral("通道%1").arg(c + 1);
        b.add(base + 0, 2, en + "PWR-On Zero", cn + "上电清零范围", parseRange(basicRange[7]));
        b.add(base + 2, 2, en + "Remote Zero", cn + "远程清零", 0, 1);
        b.add(base + 4, 2, en + "Zero Range", cn + "清零范围", parseRange(basicRange[8]));
        b.add(base + 6, 2, en + "Remote Tare", cn + "远程去皮", 0, 1);
        b.add(base + 8, 2, en + "Tare Record", cn + "皮重记忆", 0, 1);
        b.add(base + 10, 2, en + "NetSign COR", cn + "净重符号修正", 0, 2);
        b.add(base + 12, 2, en + "Preset Tare", cn + "预置皮重", parseRange(basicRange[0]));
        b.add(base + 14, 2, en + "STAB Range", cn + "稳定范围", parseRange(basicRange[1]));
        b.add(base + 16, 2, en + "STAB Timer", cn + "稳定时间", parseRange(basicRange[4]));
        b.add(base + 18, 2, en + "TrZero Range", cn + "零点跟踪范围", parseRange(basicRange[5]));
        b.add(base + 20, 2, en + "TrZero Timer", cn + "零点跟踪时间", parseRange(basicRange[6]));
        b.add(base + 22, 2, en + "Digit-Filter", cn + "数字滤波", parseRange(basicRange[2]));
        b.add(base + 24, 2, en + "Adv. Filter", cn + "高级滤波", parseRange(basicRange[3]));
        b.add(base + 26, 2, en + "Sample Rate", cn + "采样速率", 0, 9);
        b.add(base + 28, 2, en + "Input Range", cn + "输入范围", 0, 5);
    }
    b.add(2078, 2, "Tilt Threshold", "倾斜阈值", 0, weightMax);

    // Calibration words of the four channels (the command and point words are left out).
    for (int c = 0; c < 4; ++c) {
        const int base = 600 + 100 * c;
        const QString en = QStringLiteral("CH%1 ").arg(c + 1);
        const QString cn = QStringLiteral("通道%1").arg(c + 1);
        b.add(base + 0, 2, en + "Unit", cn + "单位", 0, UnitCount - 1);
        b.add(base + 2, 2, en + "Decimal", cn + "小数位", 0, 4);
        b.add(base + 4, 2, en + "Division", cn + "分度值", 1, 50);
        b.add(base + 6, 2, en + "Full Scale", cn + "满量程", parseRange(calRange[1]));
        // The keyed-in zero signal has no range text of its own; it takes the
        // millivolt range of the load-cell signal fields (0.0000-3.9999).
        b.add(base + 10, 2, en + "Key In mV", cn + "输入零点毫伏值", parseRange(calRange[0], 10000));
        b.add(base + 22, 2, en + "LC mV/V", cn + "传感器灵敏度", parseRange(calRange[0], 10000));
        b.add(base + 24, 2, en + "LC Capacity", cn + "传感器量程", parseRange(calRange[2]));
        b.add(base + 26, 2, en + "Use T-CAL", cn + "理论标定", 0, 1);
        b.add(base + 28, 2, en + "Correct Coef", cn + "标定修正系数", parseRange(calRange[3], 100000));
    }

    // Digital inputs: function and delay time.
    for (int k = 0; k < 4; ++k) {
        b.add(1000 + 4 * k, 2, QStringLiteral("Input%1 Function").arg(k + 1),
            QStringLiteral("输入%1功能").arg(k + 1), 0, 21);
        b.add(1002 + 4 * k, 2, QStringLiteral("Input%1 Delay Time").arg(k + 1),
            QStringLiteral("输入%1延时时间").arg(k + 1), parseRange(appRange[k]));
    }
    // Digital outputs.
    for (int k = 0; k < 8; ++k)
        b.add(1030 + 2 * k, 2, QStringLiteral("Output%1 Function").arg(k + 1),
            QStringLiteral("输出%1功能").arg(k + 1), 0, 24);
    // Comparators: eight words each.
    const RangeLimits compTime = parseRange(appRange[5]);
    for (int k = 0; k < 8; ++k) {
        const int base = 1060 + 16 * k;
        const QString en = QStringLiteral("COMP%1 ").arg(k + 1);
        const QString cn = QStringLiteral("比较器%1").arg(k + 1);
        b.add(base + 0, 2, en + "Channel", cn + "通道", 0, 3);
        b.add(base + 2, 2, en + "Mode", cn + "比较模式", 0, 6);
        b.add(base + 4, 2, en + "Value-1", cn + "比较值1", -weightMax, weightMax);
        b.add(base + 6, 2, en + "Value-2", cn + "比较值2", -weightMax, weightMax);
        b.add(base + 8, 2, en + "ON COND.", cn + "导通条件", 0, 2);
        b.add(base + 10, 2, en + "TRUE JudgeT", cn + "导通判断时间", compTime);
        b.add(base + 12, 2, en + "OFF COND.", cn + "断开条件", 0, 2);
        b.add(base + 14, 2, en + "FALSE HoldT", cn + "断开保持时间", compTime);
    }

    // Serial ports 1 and 2 (8000..8005, 8020..8025).
    for (int p = 0; p < 2; ++p) {
        const int base = 8000 + 20 * p;
        const QString en = QStringLiteral("COM-%1 ").arg(p + 1);
        const QString cn = QStringLiteral("串口%1").arg(p + 1);
        b.add(base + 0, 1, en + "COM ID", cn + "通讯地址", parseRange(transRange[p]));
        b.add(base + 1, 1, en + "Baudrate", cn + "波特率", 0, 5);
        b.add(base + 2, 1, en + "Protocol", cn + "通讯协议", 0, 1);
        b.add(base + 3, 1, en + "Data Format", cn + "数据格式", 0, 4);
        b.add(base + 4, 1, en + "DwordFormat", cn + "双字格式", 0, 1);
        b.add(base + 5, 1, en + "Send Gap", cn + "发送间隔", parseRange(transRange[2 + p]));
    }
    // CANopen (8040..8045).
    b.add(8040, 1, "CAN ID", "CAN地址", parseRange(transRange[4]));
    b.add(8041, 1, "CAN Baudrate", "CAN波特率", 0, 4);
    b.add(8042, 1, "CAN Report Type", "CAN报文类型", 0, 1);
    b.add(8043, 1, "CAN Report Content", "CAN报文内容", 0, 1);
    b.add(8044, 1, "CAN Report Gap", "CAN报文间隔", parseRange(transRange[5]));
    b.add(8045, 1, "CAN Terminal Resistor", "CAN终端电阻", 0, 1);
    // Ethernet address, mask and gateway octets (8100..8111).
    const char *const netEnglish[3] = {"IP Address", "Subnet Mask", "Gateway"};
    const char *const netChinese[3] = {"IP地址", "子网掩码", "网关"};
    for (int part = 0; part < 3; ++part)
        for (int octet = 0; octet < 4; ++octet)
            b.add(8100 + 4 * part + octet, 1, QStringLiteral("%1 %2").arg(netEnglish[part]).arg(octet + 1),
                QStringLiteral("%1第%2段").arg(QString::fromUtf8(netChinese[part])).arg(octet + 1),
                parseRange(transRange[6 + 4 * part + octet]));
    // Six Ethernet slots (8112 + 4k .. 8115 + 4k).
    for (int k = 0; k < 6; ++k) {
        const int base = 8112 + 4 * k;
        const QString en = QStringLiteral("Con.%1 ").arg(k + 1);
        const QString cn = QStringLiteral("网口连接%1").arg(k + 1);
        b.add(base + 0, 1, en + "Port", cn + "端口号", parseRange(transRange[18]));
        b.add(base + 1, 1, en + "Protocol", cn + "通讯协议", 0, 1);
        b.add(base + 2, 1, en + "DwordFormat", cn + "双字格式", 0, 1);
        b.add(base + 3, 1, en + "Send Gap", cn + "发送间隔", parseRange(transRange[19]));
    }
    // Analog outputs 1..4.
    for (int k = 0; k < 4; ++k) {
        b.add(8400 + 100 * k, 1, QStringLiteral("Analog%1 Type").arg(k + 1),
            QStringLiteral("模拟量%1输出类型").arg(k + 1), 0, 6);
        b.add(8405 + 100 * k, 1, QStringLiteral("Analog%1 Link Data").arg(k + 1),
            QStringLiteral("模拟量%1关联数据").arg(k + 1), 0, 2);
    }

    // Channel mode and the channel field word.
    b.add(9309, 1, "Channel Mode", "通道模式", 0, 1);
    b.add(9310, 1, "Channel Enable", "通道使能", 0, 65535);
    return b.rows;
}

} // namespace

const QVector<ParameterInfo> &parameterCatalogue()
{
    static const QVector<ParameterInfo> catalogue = buildCatalogue();
    return catalogue;
}
