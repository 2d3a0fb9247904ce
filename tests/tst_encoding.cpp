// Value encoding: register splitting, text conversions of the commit path and
// the weight and unit display helpers.

#include "link/linksession.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "ui/pages/commitengine.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

class TestEncoding : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void splitBothOrders();
    void registerText_data();
    void registerText();
    void weightConversion_data();
    void weightConversion();
    void tiltThresholdUsesChannel1Decimals();
    void largeWeightIsNotCutAtItsExponent();
    void scaledConversion_data();
    void scaledConversion();
    void formatScaledIsExact();
    void weightFieldsRedrawOnChangeOrDecimals();
    void weightFieldsShowSignedValues();
    void unitLabels();

private:
    WeightDrawState draw;
};

void TestEncoding::init()
{
    for (ChannelScale &s : linkSession().device.channelScales)
        s = ChannelScale {};
    draw = WeightDrawState {};
}

void TestEncoding::splitBothOrders()
{
    quint16 regs[2] = {0, 0};
    QCOMPARE(encodeRegisters(70000, 2, WordOrder::CdAb, regs), 2);
    QCOMPARE(regs[0], quint16(4464));
    QCOMPARE(regs[1], quint16(1));
    encodeRegisters(70000, 2, WordOrder::AbCd, regs);
    QCOMPARE(regs[0], quint16(1));
    QCOMPARE(regs[1], quint16(4464));
    encodeRegisters(-1, 2, WordOrder::AbCd, regs);
    QCOMPARE(regs[0], quint16(0xFFFF));
    QCOMPARE(regs[1], quint16(0xFFFF));
    encodeRegisters(-999999, 2, WordOrder::AbCd, regs);
    QCOMPARE(regs[0], quint16(0xFFF0));
    QCOMPARE(regs[1], quint16(0xBDC1));
    regs[1] = 77;
    QCOMPARE(encodeRegisters(70000, 1, WordOrder::AbCd, regs), 1);
    QCOMPARE(regs[0], quint16(4464)); // low 16 bits only
    QCOMPARE(regs[1], quint16(77)); // untouched
}

void TestEncoding::registerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("12.7 truncated") << "12.7" << 12;
    QTest::newRow("-0.5 gives 0") << "-0.5" << 0;
    QTest::newRow("negative") << "-42" << -42;
    QTest::newRow("trailing point") << "15." << 15;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("exponent form") << "1.23457e+06" << 1;
    QTest::newRow("garbage") << "abc" << 0;
}

void TestEncoding::registerText()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(registerTextToInt(text), value);
}

void TestEncoding::weightConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1.5 with 3") << "1.5" << 3 << "1500";
    QTest::newRow("1.5 with 0") << "1.5" << 0 << "1.5";
    QTest::newRow("12.5 with 2") << "12.5" << 2 << "1250";
    QTest::newRow("0.1 with 1") << "0.1" << 1 << "1";
    QTest::newRow("negative") << "-12.34" << 2 << "-1234";
    QTest::newRow("six digits") << "99.9999" << 4 << "999999";
    QTest::newRow("fraction kept") << "12345.67" << 0 << "12345.7";
}

void TestEncoding::weightConversion()
{
    QFETCH(QString, text);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    ChannelScale scale;
    scale.decimals = decimals;
    const QString raw = weightTextToRegisterText(text, scale);
    QCOMPARE(raw, expected);
    if (text == "1.5" && decimals == 0)
        QCOMPARE(registerTextToInt(raw), 1);
}

void TestEncoding::tiltThresholdUsesChannel1Decimals()
{
    linkSession().device.channelScales[0].decimals = 3;
    linkSession().device.channelScales[2].decimals = 1;
    QLineEdit edit;
    edit.setText("2.5");
    edit.setObjectName("EditTiltThreshold");
    QCOMPARE(weightToRegisterText(&edit, 2), QString("2500"));
    edit.setObjectName("EditPresetTare");
    QCOMPARE(weightToRegisterText(&edit, 2), QString("25"));
}

void TestEncoding::largeWeightIsNotCutAtItsExponent()
{
    const ChannelScale scale {0, 2};
    const QString raw = weightTextToRegisterText("12345.67", scale);
    QCOMPARE(registerTextToInt(raw), 1234567);
    QCOMPARE(registerTextToInt(weightTextToRegisterText("-20000", scale)), -2000000);
}

void TestEncoding::scaledConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("factor");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0.29 mV") << "0.29" << 10000 << "2900";
    QTest::newRow("2.0001 mV") << "2.0001" << 10000 << "20001";
    QTest::newRow("coefficient") << "1.23456" << 100000 << "123456";
    QTest::newRow("negative mV keeps its digits") << "-0.5" << 10000 << "-5000";
    QTest::newRow("negative small") << "-0.29" << 10000 << "-2900";
    QTest::newRow("empty") << "" << 10000 << "0";
}

void TestEncoding::scaledConversion()
{
    QFETCH(QString, text);
    QFETCH(int, factor);
    QFETCH(QString, expected);
    QCOMPARE(scaledToRegisterText(text, factor), expected);
}

void TestEncoding::formatScaledIsExact()
{
    QCOMPARE(formatScaled(12345, 2), QString("123.45"));
    QCOMPARE(formatScaled(5, 3), QString("0.005"));
    QCOMPARE(formatScaled(-5, 3), QString("-0.005"));
    QCOMPARE(formatScaled(12345, 4), QString("1.2345"));
    QCOMPARE(formatScaled(999999, 0), QString("999999"));
    QCOMPARE(formatScaled(4294967295LL, 2), QString("42949672.95"));
    QCOMPARE(formatScaled(-2147483648LL, 4), QString("-214748.3648"));
}

void TestEncoding::weightFieldsRedrawOnChangeOrDecimals()
{
    QLineEdit a, tilt;
    tilt.setObjectName("EditTiltThreshold");
    linkSession().device.channelScales[0].decimals = 3;
    linkSession().device.channelScales[1].decimals = 1;
    QVector<qint64> displayed(2, 0);
    QVector<qint64> device = {12345, 2500};
    // First drawing: decimals changed from "never" -> forced.
    QVERIFY(updateWeightFields(draw, {&a, &tilt}, displayed, device, 1, false));
    QCOMPARE(a.text(), QString("1234.5"));
    QCOMPARE(tilt.text(), QString("2.500")); // channel 1's decimals
    // Unchanged values and decimals: nothing redrawn.
    a.setText("typing");
    QVERIFY(!updateWeightFields(draw, {&a, &tilt}, displayed, device, 1, false));
    QCOMPARE(a.text(), QString("typing"));
    // A changed device value redraws just that field.
    device[0] = 10;
    QVERIFY(!updateWeightFields(draw, {&a, &tilt}, displayed, device, 1, false));
    QCOMPARE(a.text(), QString("1.0"));
    QCOMPARE(displayed[0], qint64(10));
    // A change of the channel's decimals forces every field.
    linkSession().device.channelScales[1].decimals = 2;
    tilt.setText("x");
    QVERIFY(updateWeightFields(draw, {&a, &tilt}, displayed, device, 1, false));
    QCOMPARE(a.text(), QString("0.10"));
    QCOMPARE(tilt.text(), QString("2.500"));
    QCOMPARE(draw.weightDecimals, 2);
    // Channel 1's decimals redraw the tilt threshold while channel 2 is selected.
    linkSession().device.channelScales[0].decimals = 1;
    a.setText("keep");
    QVERIFY(!updateWeightFields(draw, {&a, &tilt}, displayed, device, 1, false));
    QCOMPARE(tilt.text(), QString("250.0"));
    QCOMPARE(a.text(), QString("keep"));
    QVERIFY(!weightDecimalsChanged(draw, 1, false));
    QVERIFY(weightDecimalsChanged(draw, 1, true));
}

void TestEncoding::weightFieldsShowSignedValues()
{
    QLineEdit a;
    linkSession().device.channelScales[0].decimals = 2;
    QVector<qint64> displayed(1, 0);
    updateWeightFields(draw, {&a}, displayed, {-1}, 0, true);
    QCOMPARE(a.text(), QString("-0.01"));
    // A 32-bit pattern handed over as unsigned still reads as its signed value.
    updateWeightFields(draw, {&a}, displayed, {qint64(0xFFFFFF9C)}, 0, true);
    QCOMPARE(a.text(), QString("-1.00"));
}

void TestEncoding::unitLabels()
{
    QLabel l1, l2;
    linkSession().device.channelScales[2].unit = 1;
    updateUnitLabels(draw, {&l1, &l2}, 2, false);
    QCOMPARE(l1.text(), QString("kg"));
    QCOMPARE(l2.text(), QString("kg"));
    l1.setText("stale");
    updateUnitLabels(draw, {&l1}, 2, false);
    QCOMPARE(l1.text(), QString("stale"));
    updateUnitLabels(draw, {&l1}, 2, true);
    QCOMPARE(l1.text(), QString("kg"));
    linkSession().device.channelScales[2].unit = 4;
    updateUnitLabels(draw, {&l1}, 2, false);
    QCOMPARE(l1.text(), QString(""));
    QCOMPARE(draw.unitIndex, 4);
}

QTEST_MAIN(TestEncoding)
#include "tst_encoding.moc"
