#pragma once

// The transmitter's register map and the constant tables shared by the
// parameter model, the pages and the workbook. Every reader uses these tables;
// nothing here touches widgets or the link.

#include "params/wordorder.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One block read: start register (or coil) and count.
struct ParameterGroup
{
    int start;
    int count;
};

constexpr int ParameterGroupCount = 76;   // groups 0..75
constexpr int RemoteSwitchGroup = 21;     // coils 500..506
constexpr int FailureMarker = 88020200;   // value of a failed single read
// The identity group: software version (32 bits at its start), compile date,
// and the serial number's character codes from its sixth register on.
constexpr int IdentityGroup = 59;
constexpr int SerialNumberOffset = 5;

// Group index -> (start, count). Index outside 0..75 gives {0, 0}.
ParameterGroup parameterGroup(int group);

// How a bound widget's text maps to its register value.
enum class BindingScale {
    AsTyped,     // integer part of the typed number
    ItemIndex,   // combo item index
    Weight,      // typed number x 10^decimals of the selected channel
    WeightCh1,   // typed number x 10^decimals of channel 1 (tilt threshold)
    MilliVolt,   // x 10000
    Coefficient, // x 100000
    Command,     // command value (button)
};

// Widget object name -> register, as one row of a page's binding table.
struct RegisterBinding
{
    const char *objectName;
    int base;   // register of channel 1 / slot 0
    int count;  // 1 = 16-bit, 2 = 32-bit
    BindingScale scale;
};

// Binding table of a page (page code 1..5; for page 3 the application
// sub-table 16, 17 or 18 chooses the table). Empty for pages without one.
const QVector<RegisterBinding> &bindingTable(int page, int subTable = 0);
// Looks a widget up in the table of the page; nullptr when it is not bound.
const RegisterBinding *findBinding(int page, int subTable, const QString &objectName);
// The register a binding writes: + 100 x channel on pages 1 and 2, + 4 x slot
// for the four Ethernet slot widgets of page 4.
int resolveAddress(int page, const RegisterBinding &binding, int channel, int slot);
bool isEthernetSlotWidget(const QString &objectName);

// Word layout. A 32-bit value is joined from the first and second register of
// a pair: "AB-CD" puts the first register high, "CD-AB" low.
qint32 joinWords(quint16 first, quint16 second, WordOrder order);
// The channel error words are joined the other way round.
quint32 joinErrorWords(quint16 first, quint16 second, WordOrder order);

// Remote-editing switches (coils 500..505) and the page texts while off.
struct RemoteSwitch
{
    int coil;
    const char *offText; // source text (translated in the page's context), empty when unused
};
const QVector<RemoteSwitch> &remoteSwitches();
enum RemoteSwitchIndex { SwitchBasic = 0, SwitchCalibration = 1, SwitchApplication = 2,
                         SwitchUnused = 3, SwitchDataTrans = 4, SwitchSystem = 5 };

// Unit list: 0 "t", 1 "kg", 2 "g", 3 "lb", 4 "" (no unit).
constexpr int UnitCount = 5;
QString unitName(int unit);

// Error bit texts: bit 0..31 of a channel error word in the given language
// (0 English, 1 Chinese). Empty entries give an empty text.
QString errorText(int bit, int language);
// Source text (context "MainWindow") of status bits 4..7 of a channel or combined
// status word: "Over Full Scale", "Weight Under Limit", "Loadcell Over",
// "Loadcell Under"; nullptr for other bits.
const char *statusBitText(int bit);

// Range tooltips, one constant list per page, in the order the pages bind them.
enum class RangePage { Application, Basic, DataTrans, Calibration };
const QStringList &rangeTexts(RangePage page);

// One device parameter that the pages edit, expanded per channel and slot: the
// rows of the parameter workbook.
struct ParameterInfo
{
    int address;
    int count;           // 1 or 2
    QString nameEnglish;
    QString nameChinese;
    qint64 minimum;      // signed limits; the workbook stores them as unsigned 32-bit patterns
    qint64 maximum;
};
const QVector<ParameterInfo> &parameterCatalogue();
