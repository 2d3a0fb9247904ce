// Basic configuration page against the simulator: commits with their scaling,
// put-back on a refused or empty entry, redraw rules, remote switch and mode layout.
#include "link/deviceaccess.h"
#include "params/devicecopy.h"
#include "params/registermap.h"
#include "support/simulatorprocess.h"
#include "ui/pages/basicconfig.h"
#include "ui/pagestate.h"
#include "ui/window/startup.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QtTest>

class TestBasicConfig : public QObject
{
    Q_OBJECT

private:
    SimulatorProcess sim;
    BasicConfig *page = nullptr;

    template <typename T> T *field(const char *name) const
    {
        T *widget = page->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    // What the poll tick does while the page is shown.
    void poll()
    {
        QCOMPARE(readGroup(0), Ok);
        QCOMPARE(readCoilGroup(RemoteSwitchGroup), Ok);
        for (int group = 12; group <= 15; ++group)
            QCOMPARE(readGroup(group), Ok);
        QCOMPARE(readGroup(1), Ok);
        QCOMPARE(readGroup(8 + page->pageState().selectedChannel), Ok);
        page->refresh(false);
    }
    // Focus in (arms the edit and keeps the backup), type, Return.
    void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void chooseChannel(int index)
    {
        auto *selector = field<QComboBox>("BoxChaneelSelect");
        selector->setCurrentIndex(index);
        emit selector->activated(index);
    }
    void command(const QString &line) { QVERIFY2(sim.command(line).startsWith("ok"), qPrintable(line)); }

private slots:
    void initTestCase()
    {
        initQ4Resources();
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QVERIFY(connectTestClient(sim));
        page = new BasicConfig;
        page->pageState().currentPage = PageBasic;
        page->resize(1130, 700);
        page->show();
        QApplication::setActiveWindow(page);
        QVERIFY(QTest::qWaitForWindowActive(page));
        poll();
        page->showPage();
    }
    void cleanupTestCase()
    {
        delete page;
        disconnectTestClient();
        sim.stop();
    }
    void init()
    {
        command("exception clear");
        command("mode 0");
        chooseChannel(0);
        poll();
        sim.clearRequests();
    }

    void plainEditWritesAndFollowsDevice()
    {
        auto *timer = field<QLineEdit>("EditSTABTimer");
        QCOMPARE(timer->text(), QStringLiteral("300"));
        typeInto(timer, "250.7"); // the fraction is dropped
        QVERIFY(sim.waitForRequest("write 216 2 0 250"));
        poll();
        QCOMPARE(timer->text(), QStringLiteral("250"));

        // A device change shows after the next poll, on the right channel's register.
        command("set32 216 777");
        poll();
        QCOMPARE(timer->text(), QStringLiteral("777"));

        chooseChannel(2);
        typeInto(field<QLineEdit>("EditZeroRange"), "12");
        QVERIFY(sim.waitForRequest("write 404 2 0 12"));
        poll();
        QCOMPARE(field<QLineEdit>("EditZeroRange")->text(), QStringLiteral("12"));

        // A value typed over an unchanged device copy stays until the copy changes.
        timer->setText("55");
        poll();
        QCOMPARE(timer->text(), QStringLiteral("55"));
    }

    // Focus in and out without typing writes nothing; a changed text is written
    // when the field is left, Return or not.
    void focusAloneWritesNothing()
    {
        auto *timer = field<QLineEdit>("EditSTABTimer");
        auto *range = field<QLineEdit>("EditZeroRange");
        for (QLineEdit *next : {timer, range, timer, range}) {
            next->setFocus(Qt::MouseFocusReason);
            QTest::qWait(20);
        }
        field<QComboBox>("SampleRateBox")->setFocus(Qt::MouseFocusReason);
        QTest::qWait(200);
        QVERIFY2(sim.writes().isEmpty(), qPrintable(sim.writes().join('|')));

        timer->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(timer->hasFocus());
        timer->selectAll();
        QTest::keyClicks(timer, "321");
        range->setFocus(Qt::MouseFocusReason);
        QVERIFY(sim.waitForRequest("write 216 2 0 321"));
        QTest::qWait(100);
        QCOMPARE(sim.writes().size(), 1);
    }

    void comboCommitsOnlyWhenArmed()
    {
        auto *rate = field<QComboBox>("SampleRateBox");
        page->editArmed = false;
        rate->setCurrentIndex(4);
        emit rate->activated(4);
        QTest::qWait(200);
        QVERIFY(sim.writes().isEmpty());

        rate->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(page->editArmed);
        rate->setCurrentIndex(6);
        emit rate->activated(6);
        QVERIFY(sim.waitForRequest("write 226 2 0 6"));
        QVERIFY(!page->editArmed);
        poll();
        QCOMPARE(rate->currentIndex(), 6);
    }

    void refusedOrEmptyEntryPutsFieldBack()
    {
        auto *zero = field<QLineEdit>("EditZeroRange");
        const QString before = zero->text();
        command("exception 204 3");
        typeInto(zero, "42");
        QVERIFY(sim.waitForRequest("write 204 2 0 42 exception 3"));
        QCOMPARE(zero->text(), before);
        command("exception clear");

        // An emptied field gets its backup back and nothing is written.
        sim.clearRequests();
        auto *filter = field<QLineEdit>("EditDigit_Filter");
        const QString filterBefore = filter->text();
        filter->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(filter->hasFocus());
        filter->clear();
        QTest::keyClick(filter, Qt::Key_Return);
        QCOMPARE(filter->text(), filterBefore);
        QVERIFY(!filter->hasFocus());
        QTest::qWait(200);
        QVERIFY2(sim.writes().isEmpty(), qPrintable(sim.writes().join('|')));
    }

    void presetTareScaledByChannelDecimals()
    {
        command("set32 702 2"); // channel 2: two decimals
        command("set32 706 123456"); // full scale 1234.56
        poll();
        chooseChannel(1);
        auto *tare = field<QLineEdit>("EditPresetTare");
        QCOMPARE(tare->toolTip(), QStringLiteral("0 - 1234.56"));
        typeInto(tare, "1.5");
        QVERIFY(sim.waitForRequest("write 312 2 0 150"));
        poll();
        QCOMPARE(tare->text(), QStringLiteral("1.50"));
        QCOMPARE(field<QLabel>("label_PresetTareUnit")->text(), QStringLiteral("kg"));
    }

    void channelSwitchRedrawsEveryField()
    {
        command("set32 216 300");
        command("set32 316 300");
        poll();
        auto *timer = field<QLineEdit>("EditSTABTimer");
        timer->setText("9");
        chooseChannel(1); // same value on channel 2, still drawn
        QCOMPARE(timer->text(), QStringLiteral("300"));
        QCOMPARE(page->pageState().selectedChannel, 1);
    }

    void tiltThresholdUsesChannelOneDecimals()
    {
        command("set32 602 3"); // channel 1: three decimals
        command("set32 702 1"); // channel 2: one decimal
        command("set32 2078 12345");
        // The tilt threshold comes with live block 1 in combined mode.
        command("mode 1");
        poll();
        QCOMPARE(field<QLineEdit>("EditTiltThreshold")->text(), QStringLiteral("12.345"));
        command("mode 0");
        poll();
        chooseChannel(1);
        QCOMPARE(field<QLineEdit>("EditTiltThreshold")->text(), QStringLiteral("12.345"));
        QCOMPARE(field<QLineEdit>("EditTiltThreshold")->toolTip(), QStringLiteral("0 - 99999.9"));
        command("set32 602 2");
        command("set32 702 2");
    }

    void remoteSwitchWarningAndModeLayout()
    {
        auto *tip = field<QLabel>("label_RemoteTip");
        QCOMPARE(tip->text(), QString());
        command("coil 500 0");
        poll();
        QCOMPARE(
            tip->text(), QStringLiteral("Basic remote editing switch off, on before submitting parameters!"));
        command("coil 500 1");
        poll();
        QCOMPARE(tip->text(), QString());

        auto *other = field<QWidget>("widget_other");
        auto *selector = field<QComboBox>("BoxChaneelSelect");
        QVERIFY(other->isHidden());
        chooseChannel(2);
        command("mode 1");
        poll();
        QVERIFY(!other->isHidden());
        QVERIFY(selector->isHidden());
        QVERIFY(!selector->isEnabled());
        QVERIFY(field<QWidget>("widget_top")->isHidden()); // switch on: no bar
        // The hidden selector does not keep another channel in use.
        QCOMPARE(selector->currentIndex(), 0);
        QCOMPARE(page->pageState().selectedChannel, 0);
        command("coil 500 0");
        poll();
        QVERIFY(!field<QWidget>("widget_top")->isHidden());
        command("coil 500 1");
        command("mode 0");
        poll();
        QVERIFY(other->isHidden());
        QVERIFY(!selector->isHidden());
        QVERIFY(selector->isEnabled());
    }

    void panelsFitTheWindow_data()
    {
        QTest::addColumn<int>("windowWidth");
        QTest::newRow("minimum") << 1150;
        QTest::newRow("maximised") << 1920;
    }
    void panelsFitTheWindow()
    {
        QFETCH(int, windowWidth);
        page->resize(windowWidth - 20, 700);
        page->setWindowWidth(windowWidth);
        QWidget *contents = field<QScrollArea>("scrollArea")->widget();
        int columns = 0;
        for (const char *name : {"widget_Zero", "widget_Tare", "widget_Sample_Filter", "widget_Stab_TrZero",
                 "widget_InputRange"}) {
            QWidget *panel = field<QWidget>(name);
            QVERIFY(panel->geometry().right() < contents->width());
            QVERIFY2(panel->width() >= panel->sizeHint().width(),
                qPrintable(
                    QStringLiteral("%1 %2 %3").arg(name).arg(panel->width()).arg(panel->sizeHint().width())));
            QVERIFY(panel->height() >= panel->sizeHint().height());
            if (panel->y() == 10)
                ++columns;
        }
        QCOMPARE(columns, qMin(5, (windowWidth - 40) / 360));
        page->resize(1130, 700);
    }
};

QTEST_MAIN(TestBasicConfig)
#include "tst_basicconfig.moc"
