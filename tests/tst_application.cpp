#include "link/deviceaccess.h"
#include "pagetesthelpers.h"
#include "params/devicecopy.h"
#include "params/registermap.h"
#include "support/simulatorprocess.h"
#include "ui/pages/application.h"
#include "ui/pagestate.h"
#include "ui/window/startup.h"
#include "ui_application.h"

#include <QtTest>

class ApplicationPage : public QObject
{
    Q_OBJECT

private:
    SimulatorProcess sim;
    Application *page = nullptr;

    bool set(const QString &line) { return sim.command(line).startsWith(QLatin1String("ok")); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void codeIndexMappings();
    void combinedModeFunctionLists();
    void comparatorValuesFollowTheirChannel();
    void comparatorFocusAloneWritesNothing();
    void remoteSwitchWarning();
};

void ApplicationPage::initTestCase()
{
    initQ4Resources();
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    page = new Application;
    page->pageState().currentPage = PageApplication;
    page->resize(1000, 700);
    page->show();
}

void ApplicationPage::cleanupTestCase()
{
    delete page;
    disconnectTestClient();
    sim.stop();
}

void ApplicationPage::init()
{
    page->pageState().currentPage = PageApplication;
    sim.clearRequests();
}

void ApplicationPage::codeIndexMappings()
{
    // Both directions agree on every item of the short lists.
    const int inputCodes[] = {0, 1, 5, 9, 13, 17, 21};
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(Application::inputCodeForIndex(i, 1), inputCodes[i]);
        QCOMPARE(Application::inputIndexForCode(inputCodes[i], 1), i);
    }
    const int outputCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 17, 21};
    for (int i = 0; i < 13; ++i) {
        QCOMPARE(Application::outputCodeForIndex(i, 1), outputCodes[i]);
        QCOMPARE(Application::outputIndexForCode(outputCodes[i], 1), i);
    }
    // Other modes use the full lists, where the index is the code.
    QCOMPARE(Application::inputIndexForCode(17, 0), 17);
    QCOMPARE(Application::outputCodeForIndex(12, 0), 12);
    // A code outside the short list picks the item of that index, if any.
    QCOMPARE(Application::inputIndexForCode(2, 1), 2);
}

void ApplicationPage::combinedModeFunctionLists()
{
    const Ui::Application *ui = page->form();
    QVERIFY(set(QStringLiteral("set 9309 1")));
    QVERIFY(set(QStringLiteral("set32 1000 9")));
    QVERIFY(set(QStringLiteral("set32 1030 9")));
    QVERIFY(set(QStringLiteral("set32 1032 13")));
    QCOMPARE(readGroup(0), Ok);
    QCOMPARE(readGroup(16), Ok);
    QCOMPARE(readGroup(17), Ok);
    ui->tabWidget->setCurrentIndex(0);
    page->showPage();
    QCOMPARE(page->pageState().applicationSubTable, 16);
    QCOMPARE(ui->BoxInput1->count(), 7);
    QCOMPARE(ui->BoxInput1->currentIndex(), 3);
    QCOMPARE(ui->BoxInput1->currentText(), QStringLiteral("Tare"));

    // Not armed: nothing written.
    page->editArmed = false;
    emit ui->BoxInput1->activated(5);
    QVERIFY(sim.writes().isEmpty());

    QVERIFY(armEdit(page, ui->BoxInput1));
    activateItem(ui->BoxInput1, 5);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 1000 2 0 17")});
    QVERIFY(!page->editArmed);

    sim.clearRequests();
    ui->tabWidget->setCurrentIndex(1);
    QCOMPARE(page->pageState().applicationSubTable, 17);
    page->refresh(false);
    QCOMPARE(ui->BoxOutput1->count(), 13);
    QCOMPARE(ui->BoxOutput1->currentText(), QStringLiteral("Stable "));
    QCOMPARE(ui->BoxOutput2->currentText(), QStringLiteral("Zero"));
    QVERIFY(armEdit(page, ui->BoxOutput1));
    activateItem(ui->BoxOutput1, 9);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 1030 2 0 9")});
    sim.clearRequests();
    QVERIFY(armEdit(page, ui->BoxOutput2));
    activateItem(ui->BoxOutput2, 12);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 1032 2 0 21")});

    // Back to independent: the full lists with the full codes, without a forced refresh.
    QVERIFY(set(QStringLiteral("set 9309 0")));
    QCOMPARE(readGroup(0), Ok);
    QCOMPARE(readGroup(17), Ok);
    page->refresh(false);
    QCOMPARE(ui->BoxOutput1->count(), 25);
    QCOMPARE(ui->BoxOutput1->currentText(), QStringLiteral("CH-1 Stable"));
    QCOMPARE(ui->BoxOutput2->currentText(), QStringLiteral("CH-1 -SIGN"));
    ui->tabWidget->setCurrentIndex(0);
    QCOMPARE(readGroup(16), Ok);
    page->refresh(false);
    QCOMPARE(ui->BoxInput4->count(), 22);
    QCOMPARE(ui->BoxInput1->currentText(), QStringLiteral("CH-1 Gross/Net"));
    sim.clearRequests();
    QVERIFY(armEdit(page, ui->BoxInput1));
    activateItem(ui->BoxInput1, 3);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 1000 2 0 3")});
}

void ApplicationPage::comparatorValuesFollowTheirChannel()
{
    const Ui::Application *ui = page->form();
    // Channel 1 in grams without decimals, channel 2 in kilograms with two.
    QVERIFY(set(QStringLiteral("set32 600 2")));
    QVERIFY(set(QStringLiteral("set32 602 0")));
    QVERIFY(set(QStringLiteral("set32 700 1")));
    QVERIFY(set(QStringLiteral("set32 702 2")));
    QCOMPARE(readGroup(12), Ok);
    QCOMPARE(readGroup(13), Ok);
    // Comparator 3 (from 1092) on channel 2, comparator 8 (from 1172) on channel 1.
    QVERIFY(set(QStringLiteral("set32 1092 1")));
    QVERIFY(set(QStringLiteral("set32 1096 1234")));
    QVERIFY(set(QStringLiteral("set32 1172 0")));
    QVERIFY(set(QStringLiteral("set32 1176 -35")));
    QCOMPARE(readGroup(50), Ok);
    QCOMPARE(readGroup(51), Ok);

    ui->tabWidget->setCurrentIndex(2);
    QCOMPARE(page->pageState().applicationSubTable, 18);
    page->refresh(false);
    QCOMPARE(ui->BoxChannel_3->currentIndex(), 1);
    QCOMPARE(ui->lineEditCOMPValue1_3->text(), QStringLiteral("12.34"));
    QCOMPARE(ui->lineEditCOMPValue1_3->toolTip(), QStringLiteral("-9999.99 - 9999.99"));
    QCOMPARE(ui->label_compValue1Uint_3->text(), QStringLiteral("kg"));
    QCOMPARE(ui->lineEditCOMPValue1_8->text(), QStringLiteral("-35"));
    QCOMPARE(ui->lineEditCOMPValue1_8->toolTip(), QStringLiteral("-999999 - 999999 "));
    QCOMPARE(ui->label_compValue2Uint_8->text(), QStringLiteral("g"));

    sim.clearRequests();
    QVERIFY(armEdit(page, ui->lineEditCOMPValue1_3));
    finishEdit(ui->lineEditCOMPValue1_3, QStringLiteral("12.5"));
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 1096 2 0 1250")});
    QCOMPARE(readGroup(50), Ok);
    page->refresh(false);
    QCOMPARE(ui->lineEditCOMPValue1_3->text(), QStringLiteral("12.50"));

    // An emptied field gets its old text back and writes nothing.
    sim.clearRequests();
    QVERIFY(armEdit(page, ui->lineEditCOMPValue1_3));
    finishEdit(ui->lineEditCOMPValue1_3, QString());
    QCOMPARE(ui->lineEditCOMPValue1_3->text(), QStringLiteral("12.50"));
    QVERIFY(sim.writes().isEmpty());

    // Moving the comparator to channel 1 redraws its values in channel 1's format.
    QVERIFY(armEdit(page, ui->BoxChannel_3));
    activateItem(ui->BoxChannel_3, 0);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 1092 2 0 0")});
    QCOMPARE(readGroup(50), Ok);
    page->refresh(false);
    QCOMPARE(ui->lineEditCOMPValue1_3->text(), QStringLiteral("1250"));
    QCOMPARE(ui->label_compValue1Uint_3->text(), QStringLiteral("g"));
    QCOMPARE(ui->lineEditCOMPValue1_3->toolTip(), QStringLiteral("-999999 - 999999 "));

    // A change of the channel's decimals alone redraws too.
    QVERIFY(set(QStringLiteral("set32 602 1")));
    QCOMPARE(readGroup(12), Ok);
    page->refresh(false);
    QCOMPARE(ui->lineEditCOMPValue1_3->text(), QStringLiteral("125.0"));
    QCOMPARE(ui->lineEditCOMPValue1_8->text(), QStringLiteral("-3.5"));
    QVERIFY(set(QStringLiteral("set32 602 0")));
    QCOMPARE(readGroup(12), Ok);
}

// Clicking into comparator fields and out again writes nothing; Return on an
// unchanged value writes it.
void ApplicationPage::comparatorFocusAloneWritesNothing()
{
    const Ui::Application *ui = page->form();
    ui->tabWidget->setCurrentIndex(2);
    QCOMPARE(readGroup(50), Ok);
    QCOMPARE(readGroup(51), Ok);
    page->refresh(true);
    QApplication::setActiveWindow(page);
    QVERIFY(QTest::qWaitForWindowActive(page));
    sim.clearRequests();
    for (QLineEdit *next : {ui->lineEditCOMPValue1_2, ui->lineEditCOMPValue2_2, ui->lineEditTRUEJudgeT_2,
             ui->lineEditCOMPValue1_2}) {
        next->setFocus(Qt::MouseFocusReason);
        QTest::qWait(20);
    }
    ui->BoxCOMPMode_2->setFocus(Qt::MouseFocusReason);
    QTest::qWait(200);
    QVERIFY2(sim.writes().isEmpty(), qPrintable(sim.writes().join(QLatin1Char('|'))));

    ui->lineEditTRUEJudgeT_2->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(ui->lineEditTRUEJudgeT_2->hasFocus());
    QTest::keyClick(ui->lineEditTRUEJudgeT_2, Qt::Key_Return);
    QTRY_COMPARE(sim.writes().size(), 1);
    QVERIFY2(
        sim.writes().first().startsWith(QLatin1String("write 1086 2")), qPrintable(sim.writes().first()));
}

void ApplicationPage::remoteSwitchWarning()
{
    const Ui::Application *ui = page->form();
    QVERIFY(set(QStringLiteral("coil 502 0")));
    QCOMPARE(readCoilGroup(RemoteSwitchGroup), Ok);
    page->refresh(false);
    QVERIFY(!ui->widget_top->isHidden());
    QCOMPARE(ui->label_RemoteTip->text(),
        QStringLiteral("Application remote editing switch off, on before submitting parameters!"));
    QVERIFY(ui->BoxChaneelSelect->isHidden());
    QVERIFY(set(QStringLiteral("coil 502 1")));
    QCOMPARE(readCoilGroup(RemoteSwitchGroup), Ok);
    page->refresh(false);
    QVERIFY(ui->widget_top->isHidden());
    QVERIFY(ui->label_RemoteTip->text().isEmpty());
}

QTEST_MAIN(ApplicationPage)
#include "tst_application.moc"
