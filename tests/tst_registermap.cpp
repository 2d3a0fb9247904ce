// Register map tables: groups, bindings, address resolution, word joins, texts
// and the parameter catalogue.

#include "params/registermap.h"

#include <QSet>
#include <QtTest>

class TestRegisterMap : public QObject
{
    Q_OBJECT

private slots:
    void groupTable_data();
    void groupTable();
    void groupTableOutsideRange();
    void bindingTablesHaveTheirSizes();
    void bindingNamesAreUniquePerTable();
    void addressResolution_data();
    void addressResolution();
    void unknownWidgetIsNotBound();
    void wordJoinBothOrders();
    void errorWordsJoinTheOtherWayRound();
    void errorTexts();
    void unitNames();
    void rangeTexts();
    void remoteSwitches();
    void catalogueCoversEveryEditedParameter();
    void catalogueLimits();
};

void TestRegisterMap::groupTable_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::newRow("mode") << 0 << 9309 << 2;
    QTest::newRow("live1") << 1 << 2000 << 80;
    QTest::newRow("live2") << 2 << 0 << 67;
    QTest::newRow("live3") << 3 << 68 << 24;
    QTest::newRow("error ch4") << 7 << 185 << 2;
    QTest::newRow("basic ch2") << 9 << 300 << 30;
    QTest::newRow("cal ch4") << 15 << 900 << 50;
    QTest::newRow("coils") << 21 << 500 << 7;
    QTest::newRow("cal word w0 c0") << 22 << 608 << 2;
    QTest::newRow("cal word w0 c3") << 25 << 908 << 2;
    QTest::newRow("cal word w6 c3") << 49 << 920 << 2;
    QTest::newRow("comp 1-6") << 50 << 1060 << 97;
    QTest::newRow("comp 7-8") << 51 << 1156 << 32;
    QTest::newRow("analog 4") << 57 << 8700 << 6;
    QTest::newRow("system 60") << 60 << 10100 << 6;
    QTest::newRow("cmd 61") << 61 << 8942 << 1;
    QTest::newRow("cmd 63") << 63 << 8940 << 1;
    QTest::newRow("cmd 64") << 64 << 8900 << 1;
    QTest::newRow("cmd 68") << 68 << 8901 << 1;
    QTest::newRow("cmd 75") << 75 << 8932 << 1;
}

void TestRegisterMap::groupTable()
{
    QFETCH(int, group);
    QFETCH(int, start);
    QFETCH(int, count);
    const ParameterGroup g = parameterGroup(group);
    QCOMPARE(g.start, start);
    QCOMPARE(g.count, count);
}

void TestRegisterMap::groupTableOutsideRange()
{
    QCOMPARE(parameterGroup(-1).count, 0);
    QCOMPARE(parameterGroup(76).count, 0);
}

void TestRegisterMap::bindingTablesHaveTheirSizes()
{
    QCOMPARE(bindingTable(1).size(), 16);
    QCOMPARE(bindingTable(2).size(), 31);
    QCOMPARE(bindingTable(3, 16).size(), 8);
    QCOMPARE(bindingTable(3, 17).size(), 8);
    QCOMPARE(bindingTable(3, 18).size(), 64);
    QCOMPARE(bindingTable(3, 0).size(), 0);
    QCOMPARE(bindingTable(4).size(), 44);
    QCOMPARE(bindingTable(5).size(), 5);
    QCOMPARE(bindingTable(0).size(), 0);
    QCOMPARE(bindingTable(7).size(), 0);
    // Page 4 is all 16-bit, the others all 32-bit.
    for (const RegisterBinding &b : bindingTable(4))
        QCOMPARE(b.count, 1);
    for (const RegisterBinding &b : bindingTable(2))
        QCOMPARE(b.count, 2);
}

void TestRegisterMap::bindingNamesAreUniquePerTable()
{
    const QList<QPair<int, int>> tables = {{1, 0}, {2, 0}, {3, 16}, {3, 17}, {3, 18}, {4, 0}, {5, 0}};
    for (const auto &t : tables) {
        QSet<QString> names;
        for (const RegisterBinding &b : bindingTable(t.first, t.second))
            names.insert(QString::fromLatin1(b.objectName));
        QCOMPARE(names.size(), bindingTable(t.first, t.second).size());
    }
}

void TestRegisterMap::addressResolution_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("subTable");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("scale");
    QTest::newRow("tilt threshold ch3")
        << 1 << 0 << "EditTiltThreshold" << 2 << 0 << 2278 << int(BindingScale::WeightCh1);
    QTest::newRow("preset tare ch4") << 1 << 0 << "EditPresetTare" << 3 << 0 << 512
                                     << int(BindingScale::Weight);
    QTest::newRow("input range ch2") << 1 << 0 << "comboBox_InputRange" << 1 << 0 << 328
                                     << int(BindingScale::ItemIndex);
    QTest::newRow("full scale ch2") << 2 << 0 << "EditFullScale" << 1 << 0 << 706
                                    << int(BindingScale::Weight);
    QTest::newRow("key in ch4 field")
        << 2 << 0 << "EditkeyInmv_4" << 0 << 0 << 910 << int(BindingScale::MilliVolt);
    QTest::newRow("angle reset") << 2 << 0 << "pushButton_AngleCorrectReset" << 0 << 0 << 2068
                                 << int(BindingScale::Command);
    QTest::newRow("correct coef") << 2 << 0 << "EditCorrectCoef" << 0 << 0 << 628
                                  << int(BindingScale::Coefficient);
    QTest::newRow("input 4 delay") << 3 << 16 << "lineEditInput4" << 2 << 0 << 1014
                                   << int(BindingScale::AsTyped);
    QTest::newRow("output 8") << 3 << 17 << "BoxOutput8" << 0 << 0 << 1044 << int(BindingScale::ItemIndex);
    QTest::newRow("comp 8 hold") << 3 << 18 << "lineEditFALSEHoldT_8" << 0 << 0 << 1186
                                 << int(BindingScale::AsTyped);
    QTest::newRow("comp 3 value 1") << 3 << 18 << "lineEditCOMPValue1_3" << 0 << 0 << 1096
                                    << int(BindingScale::Weight);
    QTest::newRow("port slot 5") << 4 << 0 << "lineEditPortNum" << 0 << 5 << 8132
                                 << int(BindingScale::AsTyped);
    QTest::newRow("send gap slot 0") << 4 << 0 << "lineEditSendGap1_3" << 0 << 0 << 8115
                                     << int(BindingScale::AsTyped);
    QTest::newRow("com id ignores slot")
        << 4 << 0 << "lineEditCOMID1" << 3 << 5 << 8000 << int(BindingScale::AsTyped);
    QTest::newRow("combined analog") << 4 << 0 << "Box_combinedLinkData" << 0 << 0 << 8405
                                     << int(BindingScale::ItemIndex);
    QTest::newRow("channel 3 field") << 5 << 0 << "comboBox_channel_3" << 2 << 0 << 9310
                                     << int(BindingScale::ItemIndex);
    QTest::newRow("channel 1 field") << 5 << 0 << "comboBox_channel_1" << 0 << 0 << 9310
                                     << int(BindingScale::ItemIndex);
}

void TestRegisterMap::addressResolution()
{
    QFETCH(int, page);
    QFETCH(int, subTable);
    QFETCH(QString, name);
    QFETCH(int, channel);
    QFETCH(int, slot);
    QFETCH(int, address);
    QFETCH(int, scale);
    const RegisterBinding *b = findBinding(page, subTable, name);
    QVERIFY2(b, qPrintable(name));
    QCOMPARE(resolveAddress(page, *b, channel, slot), address);
    QCOMPARE(int(b->scale), scale);
}

void TestRegisterMap::unknownWidgetIsNotBound()
{
    QVERIFY(!findBinding(1, 0, "EditFullScale")); // calibration widget on the basic page
    QVERIFY(!findBinding(3, 17, "BoxInput1")); // input widget with the output table
    QVERIFY(!findBinding(5, 0, "BoxBasicChannel")); // reset-channel combo is not bound
    QVERIFY(!findBinding(0, 0, "EditPresetTare"));
}

void TestRegisterMap::wordJoinBothOrders()
{
    QCOMPARE(joinWords(1, 4464, WordOrder::AbCd), 70000);
    QCOMPARE(joinWords(4464, 1, WordOrder::CdAb), 70000);
    QCOMPARE(joinWords(0xFFFF, 0xFFFF, WordOrder::AbCd), -1);
    QCOMPARE(joinWords(0xFFF0, 0xBDC1, WordOrder::AbCd), -999999);
    QCOMPARE(joinWords(0xBDC1, 0xFFF0, WordOrder::CdAb), -999999);
    QCOMPARE(joinWords(1, 0, WordOrder::AbCd), 65536);
}

void TestRegisterMap::errorWordsJoinTheOtherWayRound()
{
    QCOMPARE(joinErrorWords(1, 0, WordOrder::AbCd), 1u);
    QCOMPARE(joinErrorWords(1, 0, WordOrder::CdAb), 65536u);
    QCOMPARE(joinErrorWords(0, 0x8000, WordOrder::AbCd), 0x80000000u);
}

void TestRegisterMap::errorTexts()
{
    QCOMPARE(errorText(0, 0), QString("Non Stable"));
    QCOMPARE(errorText(24, 0), QString("Non Stable ")); // with its trailing blank
    QCOMPARE(errorText(11, 0), QString());
    QCOMPARE(errorText(31, 0), QString("CAL Fail"));
    QCOMPARE(errorText(13, 1), QString::fromUtf8("标定时不稳定，等待稳定中"));
    QCOMPARE(errorText(29, 1), QString::fromUtf8("远程操作皮重时未开启远程皮重操作允许开关"));
    QCOMPARE(errorText(30, 1), QString());
    QCOMPARE(errorText(16, 1), QString::fromUtf8("上电清零超范围"));
    QCOMPARE(errorText(32, 0), QString());
    int english = 0, chinese = 0;
    for (int bit = 0; bit < 32; ++bit) {
        english += errorText(bit, 0).isEmpty() ? 0 : 1;
        chinese += errorText(bit, 1).isEmpty() ? 0 : 1;
        QCOMPARE(errorText(bit, 0).isEmpty(), errorText(bit, 1).isEmpty());
    }
    QCOMPARE(english, 28);
    QCOMPARE(chinese, 28);
    QCOMPARE(QString(statusBitText(4)), QString("Over Full Scale"));
    QCOMPARE(QString(statusBitText(7)), QString("Loadcell Under"));
    QVERIFY(!statusBitText(3));
}

void TestRegisterMap::unitNames()
{
    QCOMPARE(unitName(0), QString("t"));
    QCOMPARE(unitName(1), QString("kg"));
    QCOMPARE(unitName(3), QString("lb"));
    QCOMPARE(unitName(4), QString(""));
    QCOMPARE(unitName(5), QString());
}

void TestRegisterMap::rangeTexts()
{
    QCOMPARE(::rangeTexts(RangePage::Application).size(), 6);
    QCOMPARE(::rangeTexts(RangePage::Application).at(4), QString("-99999.9-99999.9"));
    QCOMPARE(::rangeTexts(RangePage::Basic).size(), 9);
    QCOMPARE(::rangeTexts(RangePage::Basic).at(7), QString("0-101%"));
    const QStringList trans = ::rangeTexts(RangePage::DataTrans);
    QCOMPARE(trans.size(), 20);
    QCOMPARE(trans.count("0-255"), 12);
    QCOMPARE(trans.at(18), QString("1-65535"));
    const QStringList cal = ::rangeTexts(RangePage::Calibration);
    QCOMPARE(cal.size(), 16);
    QCOMPARE(cal.at(3), QString("0.00001-9.99999"));
    QCOMPARE(cal.at(15), QString("0-9.99999"));
}

void TestRegisterMap::remoteSwitches()
{
    const QVector<RemoteSwitch> &s = ::remoteSwitches();
    QCOMPARE(s.size(), 6);
    QCOMPARE(s[SwitchCalibration].coil, 501);
    QCOMPARE(QString(s[SwitchUnused].offText), QString());
    QCOMPARE(QString(s[SwitchSystem].offText),
        QString("System remote editing switch off, on before resetting parameters!"));
}

void TestRegisterMap::catalogueCoversEveryEditedParameter()
{
    const QVector<ParameterInfo> &rows = parameterCatalogue();
    QHash<int, ParameterInfo> byAddress;
    for (const ParameterInfo &row : rows) {
        QVERIFY2(!byAddress.contains(row.address), qPrintable(QString::number(row.address)));
        byAddress.insert(row.address, row);
        QVERIFY(row.count == 1 || row.count == 2);
        QVERIFY(!row.nameEnglish.isEmpty());
        QVERIFY(!row.nameChinese.isEmpty());
        QVERIFY(row.minimum <= row.maximum);
    }
    // 60 basic + tilt + 36 calibration + 8 inputs + 8 outputs + 64 comparators
    // + 18 serial/CAN + 12 Ethernet + 24 slot + 8 analog + 2 system words.
    QCOMPARE(rows.size(), 60 + 1 + 36 + 8 + 8 + 64 + 18 + 12 + 24 + 8 + 2);
    // Every bound register of pages 1, 3, 4, 5 is in the catalogue with the binding's count
    // (for every channel on page 1, every slot on page 4).
    const QList<QPair<int, int>> tables = {{1, 0}, {3, 16}, {3, 17}, {3, 18}, {4, 0}, {5, 0}};
    for (const auto &t : tables)
        for (const RegisterBinding &b : bindingTable(t.first, t.second)) {
            const int channels = (t.first == 1 && b.base != 2078) ? 4 : 1;
            const int slotCount = isEthernetSlotWidget(b.objectName) ? 6 : 1;
            for (int c = 0; c < channels; ++c)
                for (int s = 0; s < slotCount; ++s) {
                    const int address = resolveAddress(t.first, b, c, s);
                    QVERIFY2(byAddress.contains(address), b.objectName);
                    QCOMPARE(byAddress[address].count, b.count);
                }
        }
    // Calibration: parameters only, not the command and point words.
    for (int c = 0; c < 4; ++c) {
        for (int w : {600, 602, 604, 606, 610, 622, 624, 626, 628})
            QVERIFY(byAddress.contains(w + 100 * c));
        for (int w : {608, 612, 614, 616, 618, 620})
            QVERIFY(!byAddress.contains(w + 100 * c));
    }
    QVERIFY(byAddress.contains(8045));
    QVERIFY(byAddress.contains(8705));
}

void TestRegisterMap::catalogueLimits()
{
    QHash<int, ParameterInfo> byAddress;
    for (const ParameterInfo &row : parameterCatalogue())
        byAddress.insert(row.address, row);
    auto limits
        = [&](int address) { return qMakePair(byAddress[address].minimum, byAddress[address].maximum); };
    using L = QPair<qint64, qint64>;
    QCOMPARE(limits(212), L(0, 200000)); // preset tare
    QCOMPARE(limits(500), L(0, 101)); // ch4 power-on zero
    QCOMPARE(limits(204), L(1, 99)); // zero range
    QCOMPARE(limits(216), L(1, 5000)); // stability timer
    QCOMPARE(limits(226), L(0, 9)); // sample rate items
    QCOMPARE(limits(600), L(0, 4)); // unit
    QCOMPARE(limits(906), L(0, 999999)); // full scale
    QCOMPARE(limits(622), L(0, 39999)); // LC mV/V
    QCOMPARE(limits(710), L(0, 39999)); // key-in mV
    QCOMPARE(limits(628), L(1, 999999)); // correction coefficient
    QCOMPARE(limits(1064), L(-999999, 999999)); // comparator value 1
    QCOMPARE(limits(1070), L(0, 50000)); // comparator true-judge time
    QCOMPARE(limits(1002), L(0, 200)); // input delay
    QCOMPARE(limits(8040), L(1, 99)); // CAN ID
    QCOMPARE(limits(8111), L(0, 255)); // gateway octet
    QCOMPARE(limits(8132), L(1, 65535)); // slot 5 port
    QCOMPARE(limits(8700), L(0, 6)); // analog type
    QCOMPARE(limits(9310), L(0, 65535));
    QCOMPARE(byAddress[212].nameEnglish, QString("CH1 Preset Tare"));
    QCOMPARE(byAddress[412].nameChinese, QString::fromUtf8("通道3预置皮重"));
}

QTEST_APPLESS_MAIN(TestRegisterMap)
#include "tst_registermap.moc"
