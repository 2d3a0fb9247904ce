#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "pagetesthelpers.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "support/simulatorprocess.h"
#include "ui/pages/testmaintain.h"
#include "ui/pages/weightcal.h"
#include "ui/pagestate.h"
#include "ui/window/startup.h"
#include "ui_testmaintain.h"
#include "ui_weightcal.h"

#include <QtTest>

class TestMaintainPage : public QObject
{
    Q_OBJECT

private:
    SimulatorProcess sim;
    TestMaintain *page = nullptr;

    void setMode(int mode)
    {
        QVERIFY(sim.command(QStringLiteral("set 9309 %1").arg(mode)).startsWith(QLatin1String("ok")));
        QCOMPARE(readGroup(0), Ok);
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void identityTexts();
    void identityFromDevice();
    void channelFieldCommit();
    void combinedClearsFunctionsOnceNeverAtFirstDisplay();
    void combinedResetsActOnChannelOne();
    void wrongOrCancelledPasswordWritesNothing();
    void onePasswordServesUntilPageLeft();
    void resetCalClearsOnlyItsChannelMemory();
    void interfaceResetChecksTheLink_data();
    void interfaceResetChecksTheLink();
};

void TestMaintainPage::initTestCase()
{
    initQ4Resources();
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    page = new TestMaintain;
    page->pageState().currentPage = PageTestMaintain;
    page->resize(1000, 700);
    page->show();
}

void TestMaintainPage::cleanupTestCase()
{
    delete page;
    disconnectTestClient();
    sim.stop();
}

void TestMaintainPage::init()
{
    page->pageState().currentPage = PageTestMaintain;
    linkSession().linkFaulty = false;
    page->passwordAccepted = false;
    sim.clearRequests();
}

void TestMaintainPage::identityTexts()
{
    const int mac[6] = {1, 35, 69, 103, 137, 171};
    QCOMPARE(TestMaintain::macText(mac), QStringLiteral("01-23-45-67-89-AB"));
    // Zero is padded like every other single-digit byte.
    const int mac2[6] = {10, 255, 0, 15, 16, 9};
    QCOMPARE(TestMaintain::macText(mac2), QStringLiteral("0A-FF-00-0F-10-09"));

    int codes[25];
    const QByteArray digits("1234567890123456789012345");
    for (int i = 0; i < 25; ++i)
        codes[i] = digits.at(i);
    QCOMPARE(serialNumberText(codes), QStringLiteral("1234567890123-456789012345"));
    codes[24] = 'A';
    codes[23] = 0;
    QCOMPARE(serialNumberText(codes), QStringLiteral("1234567890123-4567890123?A"));

    QCOMPARE(TestMaintain::channelFieldWord(0x00F0, 0, true), 255);
    QCOMPARE(TestMaintain::channelFieldWord(0xFFFF, 2, false), 0xF0FF);
}

void TestMaintainPage::identityFromDevice()
{
    const int mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x05};
    for (int i = 0; i < 6; ++i)
        QVERIFY(sim.command(QStringLiteral("set %1 %2").arg(10100 + i).arg(mac[i]))
                    .startsWith(QLatin1String("ok")));
    const QByteArray serial("9876543210123000000000042");
    for (int i = 0; i < 25; ++i)
        sim.command(QStringLiteral("set %1 %2").arg(10005 + i).arg(int(serial.at(i))));
    sim.command(QStringLiteral("set32 10000 3000000000"));
    sim.command(QStringLiteral("set32 10002 20260105"));
    sim.command(QStringLiteral("set32 9154 10065"));
    sim.command(QStringLiteral("set32 9164 -25"));
    QCOMPARE(readGroup(58), Ok);
    QCOMPARE(readGroup(59), Ok);
    QCOMPARE(readGroup(60), Ok);
    page->refresh(false);

    const Ui::TestMaintain *ui = page->form();
    QCOMPARE(ui->lineEditMAC->text(), QStringLiteral("00-1A-2B-3C-4D-05"));
    QCOMPARE(ui->lineEditSerialNum->text(), QStringLiteral("9876543210123-000000000042"));
    QCOMPARE(ui->lineEditSoftware->text(), QStringLiteral("3000000000"));
    QCOMPARE(ui->lineEditCompileData->text(), QStringLiteral("20260105"));
    QCOMPARE(ui->lineEditMVcoef1->text(), QStringLiteral("1.0065"));
    QCOMPARE(ui->lineEditMVcoef2->text(), QStringLiteral("-0.0025"));
    QCOMPARE(ui->lineEdit_combinedMVcoef->text(), QStringLiteral("1.0065"));
    sim.command(QStringLiteral("set32 9154 -10065"));
    QCOMPARE(readGroup(58), Ok);
    page->refresh(false);
    QCOMPARE(ui->lineEdit_combinedMVcoef->text(), QStringLiteral("-1.0065"));
}

void TestMaintainPage::channelFieldCommit()
{
    sim.command(QStringLiteral("set 9310 240"));
    QCOMPARE(readGroup(0), Ok);
    page->refresh(false);
    const Ui::TestMaintain *ui = page->form();
    ui->tabWidget->setCurrentWidget(ui->tab);
    QCOMPARE(ui->comboBox_channel_1->currentIndex(), 0);
    QCOMPARE(ui->comboBox_channel_2->currentIndex(), 1);
    QCOMPARE(ui->comboBox_channel_3->currentIndex(), 0);
    QCOMPARE(ui->comboBox_channel_4->currentIndex(), 0);

    // Not armed: nothing is written.
    page->editArmed = false;
    emit ui->comboBox_channel_1->activated(1);
    QVERIFY(sim.writes().isEmpty());

    if (!ui->comboBox_channel_1->isVisible())
        ui->widget->show();
    QVERIFY(armEdit(page, ui->comboBox_channel_1));
    activateItem(ui->comboBox_channel_1, 1);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 9310 1 255")});

    // A reset-channel combo is not bound: choosing it writes nothing.
    sim.clearRequests();
    ui->tabWidget->setCurrentWidget(ui->tab_ParamReset);
    if (ui->BoxCALChannel->isVisible()) {
        QVERIFY(armEdit(page, ui->BoxCALChannel));
        activateItem(ui->BoxCALChannel, 2);
        QVERIFY(sim.writes().isEmpty());
        QCOMPARE(page->calResetChannel, 2);
        ui->BoxCALChannel->setCurrentIndex(0);
    }
}

void TestMaintainPage::combinedClearsFunctionsOnceNeverAtFirstDisplay()
{
    const QStringList clearing = {QStringLiteral("write 1000 2 0 0"), QStringLiteral("write 1004 2 0 0"),
        QStringLiteral("write 1008 2 0 0"), QStringLiteral("write 1012 2 0 0"),
        QStringLiteral("write 1030 2 0 0"), QStringLiteral("write 1032 2 0 0"),
        QStringLiteral("write 1034 2 0 0"), QStringLiteral("write 1036 2 0 0"),
        QStringLiteral("write 1038 2 0 0"), QStringLiteral("write 1040 2 0 0"),
        QStringLiteral("write 1042 2 0 0"), QStringLiteral("write 1044 2 0 0")};

    // A program start (a new page) that finds the device combined clears nothing.
    delete page;
    page = new TestMaintain;
    page->pageState().currentPage = PageTestMaintain;
    page->resize(1000, 700);
    page->show();
    setMode(1);
    page->showPage();
    QVERIFY(sim.writes().isEmpty());
    QVERIFY(!page->form()->lineEdit_combinedMVcoef->isHidden());
    QVERIFY(page->form()->widget_indepentCH->isHidden());
    QVERIFY(page->form()->BoxCALChannel->isHidden());

    // Back to independent: nothing.
    setMode(0);
    page->refresh(false);
    QVERIFY(sim.writes().isEmpty());
    QVERIFY(!page->form()->widget_indepentCH->isHidden());

    // Independent -> combined while shown: the twelve functions, once, in order.
    setMode(1);
    page->refresh(false);
    QCOMPARE(sim.writes(), clearing);
    sim.clearRequests();
    page->refresh(false);
    page->showPage();
    QVERIFY(sim.writes().isEmpty());

    // The same change found at the next Show after the page was hidden.
    setMode(0);
    page->refresh(false);
    page->hide();
    setMode(1);
    page->show();
    page->showPage();
    QCOMPARE(sim.writes(), clearing);
    setMode(0);
    page->refresh(false);

    // Choosing "Combined" writes the mode; the redraw after the next read clears.
    sim.clearRequests();
    const Ui::TestMaintain *ui = page->form();
    ui->tabWidget->setCurrentWidget(ui->tab);
    QVERIFY(armEdit(page, ui->comboBox_channelMode));
    activateItem(ui->comboBox_channelMode, 1);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 9309 1 1")});
    sim.clearRequests();
    QCOMPARE(readGroup(0), Ok);
    page->refresh(false);
    QCOMPARE(sim.writes(), clearing);
    setMode(0);
    page->refresh(false);
}

void TestMaintainPage::combinedResetsActOnChannelOne()
{
    const Ui::TestMaintain *ui = page->form();
    ui->tabWidget->setCurrentWidget(ui->tab_ParamReset);
    ui->BoxBasicChannel->setCurrentIndex(3);
    ui->BoxCALChannel->setCurrentIndex(2);
    ui->BoxAnalogChannel->setCurrentIndex(1);
    setMode(1);
    page->refresh(false);
    sim.clearRequests();
    QVERIFY(ui->BoxBasicChannel->isHidden());
    QCOMPARE(page->basicResetChannel, 0);

    page->passwordAccepted = true;
    PopupAnswerer popups;
    popups.script = QStringList {QStringLiteral("ok"), QStringLiteral("ok"), QStringLiteral("ok"),
        QStringLiteral("ok"), QStringLiteral("ok"), QStringLiteral("ok")};
    ui->Btn_Resetbasic->click();
    ui->Btn_ResetCAL->click();
    ui->Btn_Resetanalog->click();
    QCOMPARE(sim.writes(),
        (QStringList {QStringLiteral("write 8900 1 1"), QStringLiteral("write 8901 1 1"),
            QStringLiteral("write 8902 1 1")}));
    setMode(0);
    page->refresh(false);
    QVERIFY(!ui->BoxBasicChannel->isHidden());
}

void TestMaintainPage::wrongOrCancelledPasswordWritesNothing()
{
    PopupAnswerer popups;
    popups.script = QStringList {QStringLiteral("password:1234"), QStringLiteral("ok")};
    page->form()->Btn_ResetAPP->click();
    QCOMPARE(popups.seen,
        (QStringList {QStringLiteral("InputDialog"), QStringLiteral("TipsDialog:Password Failed!")}));
    QVERIFY(!page->passwordAccepted);

    popups.seen.clear();
    popups.script = QStringList {QStringLiteral("cancel")};
    page->form()->Btn_ResetALL->click();
    QCOMPARE(popups.seen, QStringList {QStringLiteral("InputDialog")});

    popups.seen.clear();
    popups.script = QStringList {QStringLiteral("password:")};
    page->form()->Btn_ResetCAL->click();
    QCOMPARE(popups.seen, QStringList {QStringLiteral("InputDialog")});
    QVERIFY(!page->passwordAccepted);
    QVERIFY(sim.writes().isEmpty());
}

void TestMaintainPage::onePasswordServesUntilPageLeft()
{
    const Ui::TestMaintain *ui = page->form();
    PopupAnswerer popups;
    popups.script
        = QStringList {QStringLiteral("password:271828"), QStringLiteral("ok"), QStringLiteral("ok")};
    ui->Btn_ResetAPP->click();
    QCOMPARE(popups.seen,
        (QStringList {QStringLiteral("InputDialog"), QStringLiteral("TipsDialog:Confirm?"),
            QStringLiteral("TipsDialog:Reset Successful!")}));
    QVERIFY(page->passwordAccepted);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 8940 1 1")});

    // Further resets ask only for confirmation; the channel choice moves the register.
    sim.clearRequests();
    popups.seen.clear();
    ui->BoxBasicChannel->setCurrentIndex(2);
    popups.script = QStringList {QStringLiteral("ok"), QStringLiteral("ok")};
    ui->Btn_Resetbasic->click();
    QCOMPARE(popups.seen.value(0), QStringLiteral("TipsDialog:Confirm?"));
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 8920 1 1")});

    // Declining the confirmation writes nothing.
    sim.clearRequests();
    popups.script = QStringList {QStringLiteral("cancel")};
    ui->Btn_Resetanalog->click();
    QVERIFY(sim.writes().isEmpty());

    // A device refusal is a failed reset.
    sim.command(QStringLiteral("exception 8902 4"));
    popups.seen.clear();
    popups.script = QStringList {QStringLiteral("ok"), QStringLiteral("ok")};
    ui->BoxAnalogChannel->setCurrentIndex(0);
    ui->Btn_Resetanalog->click();
    QCOMPARE(popups.seen.value(1), QStringLiteral("TipsDialog:Reset Failed!"));
    sim.command(QStringLiteral("exception clear"));

    // Reset All judges by the poll's link state.
    linkSession().linkFaulty = true;
    popups.seen.clear();
    popups.script = QStringList {QStringLiteral("ok"), QStringLiteral("ok")};
    ui->Btn_ResetData_trans->click();
    QCOMPARE(popups.seen.value(1), QStringLiteral("TipsDialog:Reset Failed!"));
    linkSession().linkFaulty = false;

    // Leaving the page forgets the password.
    page->passwordAccepted = false;
    sim.clearRequests();
    popups.seen.clear();
    popups.script = QStringList {QStringLiteral("cancel")};
    ui->Btn_ResetAPP->click();
    QCOMPARE(popups.seen, QStringList {QStringLiteral("InputDialog")});
    QVERIFY(sim.writes().isEmpty());
    ui->BoxBasicChannel->setCurrentIndex(0);
}

void TestMaintainPage::resetCalClearsOnlyItsChannelMemory()
{
    // The data transmission reset before may have cut the link: make a new one.
    QTest::qWait(500);
    disconnectTestClient();
    QVERIFY(connectTestClient(sim));
    sim.clearRequests();
    // Enter a first point weight on channels 1 and 3 of the calibration page.
    WeightCal cal;
    cal.setPageState(page->pageState());
    cal.resize(1000, 700);
    cal.show();
    page->pageState().currentPage = PageCalibration;
    for (int channel : {0, 2}) {
        // As a user chooses: the index changes, then the page hears of it.
        cal.findChild<QComboBox *>(QStringLiteral("BoxChaneelSelect"))->setCurrentIndex(channel);
        cal.on_BoxChaneelSelect_activated(channel);
        page->pageState().selectedChannel = channel;
        auto *point = cal.findChild<QLineEdit *>(QStringLiteral("EditWeightCp1"));
        QVERIFY(point);
        QVERIFY(armEdit(&cal, point));
        finishEdit(point, QStringLiteral("7"));
        QVERIFY2(WeightCal::pointMemory(channel, 0) != 0, qPrintable(sim.requests().join(QLatin1Char(';'))));
    }
    cal.hide();
    page->pageState().currentPage = PageTestMaintain;
    page->activateWindow();

    const Ui::TestMaintain *ui = page->form();
    PopupAnswerer popups;
    page->passwordAccepted = true;
    ui->BoxCALChannel->setCurrentIndex(2);
    popups.script = QStringList {QStringLiteral("ok"), QStringLiteral("ok")};
    ui->Btn_ResetCAL->click();
    QVERIFY(sim.writes().contains(QStringLiteral("write 8921 1 1")));
    QCOMPARE(WeightCal::pointMemory(2, 0), qint64(0));
    QVERIFY(WeightCal::pointMemory(0, 0) != 0);

    // A failed Reset CAL keeps the memory.
    cal.show();
    page->pageState().currentPage = PageCalibration;
    cal.on_BoxChaneelSelect_activated(2);
    cal.findChild<QComboBox *>(QStringLiteral("BoxChaneelSelect"))->setCurrentIndex(2);
    page->pageState().selectedChannel = 2;
    auto *point = cal.findChild<QLineEdit *>(QStringLiteral("EditWeightCp1"));
    QVERIFY(armEdit(&cal, point));
    finishEdit(point, QStringLiteral("9"));
    QVERIFY(WeightCal::pointMemory(2, 0) != 0);
    cal.hide();
    page->pageState().currentPage = PageTestMaintain;
    sim.command(QStringLiteral("exception 8921 4"));
    popups.script = QStringList {QStringLiteral("ok"), QStringLiteral("ok")};
    ui->Btn_ResetCAL->click();
    QVERIFY(WeightCal::pointMemory(2, 0) != 0);
    sim.command(QStringLiteral("exception clear"));

    // Reset All clears every channel.
    popups.script = QStringList {QStringLiteral("ok"), QStringLiteral("ok")};
    ui->Btn_ResetALL->click();
    QVERIFY(sim.writes().contains(QStringLiteral("write 8942 1 1")));
    for (int channel = 0; channel < 4; ++channel)
        QCOMPARE(WeightCal::pointMemory(channel, 0), qint64(0));
    ui->BoxCALChannel->setCurrentIndex(0);
}

// A reset of the interface settings tries the link in use again (opening the
// TCP connection the device closed); only a device that stays silent sends the
// window back to the connection page, with a notice saying why.
void TestMaintainPage::interfaceResetChecksTheLink_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("device answers again") << false;
    QTest::newRow("device silent afterwards") << true;
}

void TestMaintainPage::interfaceResetChecksTheLink()
{
    QFETCH(bool, silent);
    page->passwordAccepted = true;
    PopupAnswerer popups;
    popups.script = QStringList {QStringLiteral("ok"), QStringLiteral("ok"), QStringLiteral("ok")};
    QSignalSpy lost(page, &TestMaintain::linkSettingsReset);
    if (silent)
        QVERIFY(sim.command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
    page->form()->Btn_ResetData_trans->click();
    sim.command(QStringLiteral("silent off"));
    QVERIFY(popups.seen.value(0).contains(QStringLiteral("factory settings")));
    QCOMPARE(lost.count(), silent ? 1 : 0);
    QCOMPARE(popups.seen.filter(QStringLiteral("now have their factory settings")).size(), silent ? 1 : 0);
    if (!silent)
        QCOMPARE(readGroup(0), Ok);
}

QTEST_MAIN(TestMaintainPage)
#include "tst_testmaintain.moc"
