// Weight calibration page against the simulator: scaled commits, the point-weight
// memory, refused writes, division mapping, zero capture and the corner-correction
// wizard with its popups answered by the test.
#include "link/linksession.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/registermap.h"
#include "support/simulatorprocess.h"
#include "ui/dialogs/tipsdialog.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/weightcal.h"
#include "ui/pagestate.h"
#include "ui/window/startup.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QtTest>

#include <functional>

// Answers the message popups while a page command runs its modal loop: each
// popup's message is recorded and the decision callback says whether to press
// "confirm" (1), "cancel" (0) or leave it to close by itself (-1).
class PopupAnswerer : public QObject
{
public:
    explicit PopupAnswerer(std::function<int(const QString &)> decide)
        : decide(std::move(decide))
    {
        timer.setInterval(30);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { look(); });
        timer.start();
    }
    QStringList messages;

private:
    void look()
    {
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            auto *dialog = qobject_cast<TipsDialog *>(widget);
            if (!dialog || !dialog->isVisible() || handled.contains(dialog))
                continue;
            handled << dialog;
            const QString message = dialog->findChild<QLabel *>("label_tipsMesg")->text();
            messages << message;
            const int answer = decide(message);
            if (answer < 0)
                continue;
            auto *button = dialog->findChild<QPushButton *>(answer ? "pushButton_ok" : "pushButton_cancel");
            QTimer::singleShot(0, button, [button] { button->click(); });
        }
    }
    std::function<int(const QString &)> decide;
    QTimer timer;
    QList<QPointer<QWidget>> handled;
};

class TestWeightCal : public QObject
{
    Q_OBJECT

private:
    SimulatorProcess sim;
    WeightCal *page = nullptr;

    template <typename T> T *field(const char *name) const
    {
        T *widget = page->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    QLineEdit *edit(const char *name) const { return field<QLineEdit>(name); }
    void poll()
    {
        QCOMPARE(readGroup(0), Ok);
        QCOMPARE(readCoilGroup(RemoteSwitchGroup), Ok);
        QCOMPARE(readGroup(1), Ok);
        for (int group = 12; group <= 15; ++group)
            QCOMPARE(readGroup(group), Ok);
        page->refresh(false);
    }
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
    int countRequests(const QString &prefix)
    {
        int n = 0;
        for (const QString &line : sim.requests())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }
    void command(const QString &line) { QVERIFY2(sim.command(line).startsWith("ok"), qPrintable(line)); }

private slots:
    void initTestCase()
    {
        initQ4Resources();
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QVERIFY(connectTestClient(sim));
        page = new WeightCal;
        page->pageState().currentPage = PageCalibration;
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
        command("stable 0 on");
        for (int c = 0; c < 4; ++c)
            command(QStringLiteral("stable %1 on").arg(c + 1));
        chooseChannel(0);
        poll();
        sim.clearRequests();
    }

    void scaledFieldsWriteTheirRegisters()
    {
        command("set32 602 3"); // three decimals
        poll();
        QCOMPARE(field<QComboBox>("BoxDecimalSelect")->currentIndex(), 3);
        QCOMPARE(edit("EditFullScale")->text(), QStringLiteral("100.000"));
        QCOMPARE(edit("EditFullScale")->toolTip(), QStringLiteral("0 - 999.999"));

        typeInto(edit("EditCorrectCoef"), "1.23456");
        QVERIFY(sim.waitForRequest("write 628 2 1 57920")); // 123456 = 1 * 65536 + 57920
        typeInto(edit("EditLcMv"), "2.0001");
        QVERIFY(sim.waitForRequest("write 622 2 0 20001"));
        typeInto(edit("EditkeyInmv"), "0.29");
        QVERIFY(sim.waitForRequest("write 610 2 0 2900"));
        typeInto(edit("EditLcCapacity"), "750");
        QVERIFY(sim.waitForRequest("write 624 2 0 750"));
        poll();
        QCOMPARE(edit("EditCorrectCoef")->text(), QStringLiteral("1.23456"));
        QCOMPARE(edit("EditLcMv")->text(), QStringLiteral("2.0001"));
        QCOMPARE(edit("EditkeyInmv")->text(), QStringLiteral("0.2900"));

        // The channel offset applies on channel 3.
        chooseChannel(2);
        typeInto(edit("EditFullScale"), "800"); // two decimals on channel 3
        QVERIFY(sim.waitForRequest("write 806 2 1 14464")); // 80000
        poll();
        QCOMPARE(edit("EditFullScale")->text(), QStringLiteral("800.00"));
        command("set32 602 2");
    }

    void pointMemoryFollowsSuccessfulCommits()
    {
        WeightCal::clearPointMemory(-1);
        command("set32 602 3");
        command("set32 606 999999");
        poll();
        typeInto(edit("EditWeightCp2"), "12.5");
        QVERIFY(sim.waitForRequest("write 614 2 0 12500"));
        QCOMPARE(WeightCal::pointMemory(0, 1), 12500);
        poll();
        QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("12.500"));

        // Point 1 starts a new calibration: points 2..5 are forgotten. The simulated
        // device records a point only under a new load and after the point before it.
        command("load 1 100");
        typeInto(edit("EditWeightCp1"), "100");
        QVERIFY(sim.waitForRequest("write 612 2 1 34464"));
        poll();
        QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("100.000"));
        QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("0.000"));
        command("load 1 150");
        typeInto(edit("EditWeightCp2"), "150");
        QVERIFY(sim.waitForRequest("write 614 2 2 18928"));
        command("load 1 200");
        typeInto(edit("EditWeightCp3"), "200");
        QVERIFY(sim.waitForRequest("write 616 2 3 3392"));
        poll();
        QCOMPARE(edit("EditWeightCp3")->text(), QStringLiteral("200.000"));
        QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("150.000"));
        QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("100.000"));
        QVERIFY(field<QLabel>("label_WCP3mV")->text().toDouble() > 0);

        // A refused write leaves the memory and puts the field back.
        command("exception 618 3");
        typeInto(edit("EditWeightCp4"), "300");
        QVERIFY(sim.waitForRequest("write 618 2 4 37856 exception 3"));
        QCOMPARE(edit("EditWeightCp4")->text(), QStringLiteral("0.000"));
        QCOMPARE(WeightCal::pointMemory(0, 3), 0);
        command("exception clear");

        // Each channel keeps its own memory; a reset clears it.
        chooseChannel(1);
        QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("0.00"));
        chooseChannel(0);
        QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("100.000"));
        WeightCal::clearPointMemory(0);
        poll();
        QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("0.000"));
        command("set32 602 2");
        command("set32 606 100000");
    }

    // Clicking into a field and out again only looks at it: no point is recorded.
    // Return on an unchanged value writes it; a changed text is written on leaving.
    void lookingAtAFieldWritesNothing()
    {
        auto *cp1 = edit("EditWeightCp1");
        auto *capacity = edit("EditLcCapacity");
        auto *coefficient = edit("EditCorrectCoef");
        const qint64 memory = WeightCal::pointMemory(0, 0);
        for (QLineEdit *next : {cp1, coefficient, capacity, cp1, coefficient}) {
            next->setFocus(Qt::MouseFocusReason);
            QTest::qWait(20);
        }
        QTest::qWait(200);
        QVERIFY2(sim.writes().isEmpty(), qPrintable(sim.writes().join('|')));
        QCOMPARE(WeightCal::pointMemory(0, 0), memory);

        const QString held = capacity->text();
        capacity->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(capacity->hasFocus());
        QTest::keyClick(capacity, Qt::Key_Return);
        QVERIFY(sim.waitForRequest(QStringLiteral("write 624 2 0 %1").arg(held)));

        sim.clearRequests();
        capacity->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(capacity->hasFocus());
        capacity->selectAll();
        QTest::keyClicks(capacity, "640");
        coefficient->setFocus(Qt::MouseFocusReason);
        QVERIFY(sim.waitForRequest("write 624 2 0 640"));
        QTest::qWait(100);
        QCOMPARE(sim.writes().size(), 1);
    }

    void divisionItemsMapToValues()
    {
        auto *division = field<QComboBox>("BoxDivisionSelect");
        command("set32 604 3"); // not a division: shown as d=1
        command("set32 604 20");
        poll();
        QCOMPARE(division->currentText(), QStringLiteral("d=20"));
        // Combos on this page commit without being armed.
        page->editArmed = false;
        division->setCurrentIndex(5);
        emit division->activated(5);
        QVERIFY(sim.waitForRequest("write 604 2 0 50"));
        poll();
        QCOMPARE(division->currentText(), QStringLiteral("d=50"));
    }

    void divisionOutsideTheListShowsFirstItem()
    {
        // The simulator refuses 3 from the link, so the value is put into the copy directly.
        linkSession().device.calibration[0].division = 3;
        page->refresh(false);
        QCOMPARE(field<QComboBox>("BoxDivisionSelect")->currentText(), QStringLiteral("d=1"));
    }

    // A zero capture asks first; declined, nothing is written. Confirmed, an
    // independent channel's capture waits for the next good poll tick (and
    // runs once), a combined platform's is written at once.
    void zeroCaptureAsksThenQueuesOrWrites_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("channel 2, declined") << 0 << false;
        QTest::newRow("channel 2, confirmed") << 0 << true;
        QTest::newRow("platform, declined") << 1 << false;
        QTest::newRow("platform, confirmed") << 1 << true;
    }
    void zeroCaptureAsksThenQueuesOrWrites()
    {
        QFETCH(int, mode);
        QFETCH(bool, confirm);
        linkSession().pendingCommand = PendingCommand();
        command(QStringLiteral("mode %1").arg(mode));
        poll();
        chooseChannel(1);
        sim.clearRequests();
        PopupAnswerer answers([confirm](const QString &) { return confirm ? 1 : 0; });
        field<QPushButton>("SetAutoCapture")->click();
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY2(answers.messages.first().contains(mode == 0 ? "channel 2" : "every corner"),
            qPrintable(answers.messages.first()));
        if (mode == 0) {
            QCOMPARE(linkSession().pendingCommand.pending, confirm);
            if (confirm) {
                QCOMPARE(linkSession().pendingCommand.group, 23);
                QCOMPARE(linkSession().pendingCommand.value, 1);
                QCOMPARE(countRequests("write"), 0);
            }
            runPendingCommand(); // the next good tick
            runPendingCommand();
        }
        if (confirm)
            QVERIFY(sim.waitForRequest(mode == 0 ? "write 708 2 0 1" : "write 646 2 0 1"));
        QCOMPARE(countRequests("write"), confirm ? 1 : 0);
        QVERIFY(!linkSession().pendingCommand.pending);
        command("mode 0");
        poll();
        // The popup took the active window: give it back for the typing tests.
        QApplication::setActiveWindow(page);
        QVERIFY(QTest::qWaitForWindowActive(page));
    }

    void combinedModeLayout()
    {
        command("set32 2056 1234568");
        command("mode 1");
        poll();
        QVERIFY(!field<QWidget>("widget_AngleCorrect")->isHidden());
        QVERIFY(!edit("EditLcMv_3")->isHidden());
        QVERIFY(edit("EditLcMv")->isHidden());
        QVERIFY(field<QComboBox>("BoxChaneelSelect")->isHidden());
        QCOMPARE(field<QLabel>("label_keyInmV")->text(), QStringLiteral("Key In mV(CH1):"));
        QCOMPARE(field<QWidget>("widget_TheoryCal")->width(), 710);
        // Rightmost seven characters of 12.34568.
        QCOMPARE(edit("EditAngleCorrectCoef_1")->text(), QStringLiteral("2.34568"));
        typeInto(edit("EditLcMv_2"), "1.5");
        QVERIFY(sim.waitForRequest("write 2042 2 0 15000"));
        command("mode 0");
        poll();
        QVERIFY(field<QWidget>("widget_AngleCorrect")->isHidden());
        QVERIFY(edit("EditLcMv_3")->isHidden());
        QCOMPARE(field<QWidget>("widget_TheoryCal")->width(), 350);
        QCOMPARE(field<QLabel>("label_keyInmV")->text(), QStringLiteral("Key In mV:"));
    }

    void samplingRepeatsUnstableCornerAndComputes()
    {
        command("mode 1");
        poll();
        const int points = linkSession().device.combined.samplePoints;
        QVERIFY(points >= 2 && points <= 4);
        // Loaded corners over the simulated device's default zero signal.
        for (int c = 0; c < 4; ++c) {
            command(QStringLiteral("set32 %1 1000").arg(610 + 100 * c));
            command(QStringLiteral("load %1 200").arg(c + 1));
        }
        linkSession().device.combinedStatus = 0; // not stable at the first corner
        PopupAnswerer answerer([](const QString &message) {
            if (message == QLatin1String("Sample not stable!")) {
                linkSession().device.combinedStatus = 1;
                return -1;
            }
            return 1;
        });
        field<QPushButton>("pushButton_AngleCorrectSample")->click();
        QStringList expected {"Empty or not?", "Press the first, and then click confirm!",
            "Sample not stable!", "Press the first, and then click confirm!"};
        const QStringList corners {"Press the second, and then click confirm!",
            "Press the third, and then click confirm!", "Press the fourth, and then click confirm!"};
        expected << corners.mid(0, points - 1) << "Sample Done!";
        QVERIFY2(answerer.messages == expected, qPrintable(sim.requests().filter("write").join('|')));
        QTRY_COMPARE(countRequests("write 2066 2 0 1"), points);
        QCOMPARE(countRequests("write 2064 2 0 1"), 1);
    }

    void cancelledCornerEndsWithoutCompute()
    {
        command("mode 1");
        poll();
        linkSession().device.combinedStatus = 1;
        {
            PopupAnswerer answerer([](const QString &message) {
                return message.startsWith(QLatin1String("Press the second")) ? 0 : 1;
            });
            field<QPushButton>("pushButton_AngleCorrectSample")->click();
            QCOMPARE(answerer.messages.size(), 3);
        }
        QTest::qWait(200);
        QCOMPARE(countRequests("write 2066"), 1);
        QCOMPARE(countRequests("write 2064"), 0);

        // Cancelling the first question samples nothing.
        sim.clearRequests();
        PopupAnswerer refuse([](const QString &) { return 0; });
        field<QPushButton>("pushButton_AngleCorrectSample")->click();
        QCOMPARE(refuse.messages, QStringList {"Empty or not?"});
        QTest::qWait(200);
        QCOMPARE(countRequests("write"), 0);
    }

    // After ten unstable tries of one point the wizard asks whether to go on:
    // Cancel ends it writing nothing more, Retry goes on with the same point.
    void unstableSamplingOffersAWayOut()
    {
        command("mode 1");
        poll();
        const QString retry = QStringLiteral("Sample still not stable. Keep trying?");
        const QString unstable = QStringLiteral("Sample not stable!");
        const QString first = QStringLiteral("Press the first, and then click confirm!");

        linkSession().device.combined.samplePoints = 6; // beyond the four prompted corners
        linkSession().device.combinedStatus = 0;
        {
            int unstableSeen = 0;
            PopupAnswerer answerer([&](const QString &message) {
                unstableSeen += message == unstable ? 1 : 0;
                // Without a question the prompts go on: end them there.
                return message == retry || (message == first && unstableSeen > 10) ? 0 : 1;
            });
            field<QPushButton>("pushButton_AngleCorrectSample")->click();
            QStringList expected {"Empty or not?"};
            for (int i = 0; i < 10; ++i)
                expected << first << unstable;
            expected << retry;
            QCOMPARE(answerer.messages, expected);
        }
        QTest::qWait(200);
        QVERIFY2(sim.writes().isEmpty(), qPrintable(sim.writes().join('|')));

        // Retry: the same point is tried again; once stable the wizard goes on
        // through every point, the unprompted fifth one included, and computes.
        linkSession().device.combined.samplePoints = 5;
        bool asked = false;
        PopupAnswerer answerer([&](const QString &message) {
            if (message == retry) {
                asked = true;
                linkSession().device.combinedStatus = 1;
            }
            return 1;
        });
        field<QPushButton>("pushButton_AngleCorrectSample")->click();
        QVERIFY(asked);
        QCOMPARE(answerer.messages.count(unstable), 10);
        QCOMPARE(answerer.messages.count(first), 11);
        QVERIFY(answerer.messages.last() == QLatin1String("Sample Done!")
            || answerer.messages.last() == QLatin1String("Angle Correct Error!"));
        QTRY_COMPARE(countRequests("write 2066 2 0 1"), 5);
        QCOMPARE(countRequests("write 2064 2 0 1"), 1);
    }

    void angleResetReportsResult()
    {
        command("mode 1");
        poll();
        {
            PopupAnswerer answerer([](const QString &) { return 1; });
            field<QPushButton>("pushButton_AngleCorrectReset")->click();
            QVERIFY(sim.waitForRequest("write 2068 2 0 1"));
            QCOMPARE(answerer.messages, (QStringList {"Reset?", "Reset Successful!"}));
        }

        command("exception 2068 4");
        sim.clearRequests();
        PopupAnswerer failing([](const QString &) { return 1; });
        field<QPushButton>("pushButton_AngleCorrectReset")->click();
        QCOMPARE(failing.messages, (QStringList {"Reset?", "Reset Failed!"}));
        QVERIFY(sim.waitForRequest("write 2068 2 0 1 exception 4"));
    }

    void panelsFitTheWindow()
    {
        for (int mode : {0, 1}) {
            command(QStringLiteral("mode %1").arg(mode));
            poll();
            page->resize(1130, 700);
            QWidget *contents = field<QScrollArea>("scrollArea")->widget();
            const auto panels = contents->findChildren<QWidget *>(QRegularExpression("^widget_[A-Za-z]+$"));
            QVERIFY(panels.size() >= 6);
            for (QWidget *panel : panels) {
                if (panel->parentWidget() != contents || panel->isHidden())
                    continue;
                QVERIFY2(panel->geometry().right() < contents->width(), qPrintable(panel->objectName()));
                QVERIFY2(panel->width() >= panel->sizeHint().width(), qPrintable(panel->objectName()));
                QVERIFY2(panel->height() >= panel->sizeHint().height(), qPrintable(panel->objectName()));
                for (QWidget *other : panels) {
                    if (other != panel && other->parentWidget() == contents && !other->isHidden())
                        QVERIFY2(!panel->geometry().intersects(other->geometry()),
                            qPrintable(panel->objectName() + " " + other->objectName()));
                }
            }
        }
    }
};

QTEST_MAIN(TestWeightCal)
#include "tst_weightcal.moc"
