#include "link/deviceaccess.h"
#include "link/linkchange.h"
#include "link/transactions.h"
#include "pagetesthelpers.h"
#include "params/devicecopy.h"
#include "support/simulatorprocess.h"
#include "ui/pages/datatrans.h"
#include "ui/pagestate.h"
#include "ui/window/startup.h"
#include "ui_datatrans.h"

#include <QValidator>
#include <QtTest>
#include <algorithm>

class DataTransPage : public QObject
{
    Q_OBJECT

private:
    SimulatorProcess sim;
    DataTrans *page = nullptr;

    bool set(const QString &line) { return sim.command(line).startsWith(QLatin1String("ok")); }
    bool readPageGroups()
    {
        for (int group = 52; group <= 57; ++group) {
            if (readGroup(group) != Ok)
                return false;
        }
        return true;
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void portValidator_data();
    void portValidator();
    void interfaceWordsAndWordOrder();
    void ethernetSlotSelection();
    void combinedAnalogEditsOutputOne();
    void ownLinkChange_data();
    void ownLinkChange();
};

void DataTransPage::initTestCase()
{
    initQ4Resources();
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    page = new DataTrans;
    page->pageState().currentPage = PageDataTrans;
    page->resize(1000, 700);
    page->show();
}

void DataTransPage::cleanupTestCase()
{
    delete page;
    disconnectTestClient();
    sim.stop();
}

void DataTransPage::init()
{
    page->pageState().currentPage = PageDataTrans;
    sim.clearRequests();
}

void DataTransPage::portValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    // Every whole number from 1 to 65535, and nothing else.
    for (const char *text :
        {"502", "6", "6000", "65535", "60000", "12345", "80", "1000", "5020", "8080", "1", "10", "65530"})
        QTest::newRow(text) << QString::fromLatin1(text) << true;
    for (const char *text : {"65536", "0", "70000", "-1", "080", "100000", "66000", "1.5"})
        QTest::newRow(text) << QString::fromLatin1(text) << false;
}

void DataTransPage::portValidator()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    const QValidator *validator = page->form()->lineEditPortNum->validator();
    QVERIFY(validator);
    int pos = 0;
    QCOMPARE(validator->validate(text, pos) == QValidator::Acceptable, accepted);
}

void DataTransPage::interfaceWordsAndWordOrder()
{
    const Ui::DataTrans *ui = page->form();
    QVERIFY(set(QStringLiteral("set 8000 17")));
    QVERIFY(set(QStringLiteral("set 8001 5")));
    QVERIFY(set(QStringLiteral("set 8023 4")));
    QVERIFY(set(QStringLiteral("set 8044 900")));
    QVERIFY(set(QStringLiteral("set 8100 192")));
    QVERIFY(set(QStringLiteral("set 8111 254")));
    QVERIFY(readPageGroups());
    page->showPage();
    QCOMPARE(ui->lineEditCOMID1->text(), QStringLiteral("17"));
    QCOMPARE(ui->BoxBaudrate1->currentText(), QStringLiteral("115200"));
    QCOMPARE(ui->BoxDataFormat1_2->currentText(), QStringLiteral("7-O-1"));
    QCOMPARE(ui->lineEditReportGap->text(), QStringLiteral("900"));
    QCOMPARE(ui->lineEditIP1->text(), QStringLiteral("192"));
    QCOMPARE(ui->lineEditGateway4->text(), QStringLiteral("254"));
    QCOMPARE(ui->lineEditIP1->toolTip(), QStringLiteral("0-255"));
    QCOMPARE(ui->lineEditCANID->toolTip(), QStringLiteral("1-99"));

    // The device's COM-1 word order is its own; the program's link keeps its order.
    const WordOrder before = linkSession().wordOrder;
    QVERIFY(armEdit(page, ui->BoxDwordFormat1));
    activateItem(ui->BoxDwordFormat1, 1);
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 8004 1 1")});
    QCOMPARE(linkSession().wordOrder, before);

    // A plain field writes the integer part of what was typed.
    sim.clearRequests();
    QVERIFY(armEdit(page, ui->lineEditSendGap1_2));
    finishEdit(ui->lineEditSendGap1_2, QStringLiteral("120.7"));
    QCOMPARE(sim.writes(), QStringList {QStringLiteral("write 8025 1 120")});
}

void DataTransPage::ethernetSlotSelection()
{
    const Ui::DataTrans *ui = page->form();
    QVERIFY(set(QStringLiteral("set 8120 6000")));
    QVERIFY(set(QStringLiteral("set 8121 1")));
    QVERIFY(set(QStringLiteral("set 8122 1")));
    QVERIFY(set(QStringLiteral("set 8123 250")));
    QVERIFY(set(QStringLiteral("set 8112 502")));
    QVERIFY(readPageGroups());
    page->refresh(false);

    ui->Btu_Connect3->click();
    QCOMPARE(page->pageState().ethernetSlot, 2);
    QCOMPARE(ui->lineEditPortNum->text(), QStringLiteral("6000"));
    QCOMPARE(ui->BoxProtocol3->currentText(), QStringLiteral("KT-Cont"));
    QCOMPARE(ui->BoxDwordFormat3->currentText(), QStringLiteral("CD AB"));
    QCOMPARE(ui->lineEditSendGap1_3->text(), QStringLiteral("250"));
    QCOMPARE(ui->Btu_Connect3->styleSheet(), QString::fromLatin1(DataTrans::selectedSlotStyle()));
    QCOMPARE(ui->Btu_Connect1->styleSheet(), QString::fromLatin1(DataTrans::plainSlotStyle()));

    // No slot has the test link's port: a slot port may be the link's, so the
    // page asks first (and keeps the link, which still answers).
    PopupAnswerer answers;
    QVERIFY(armEdit(page, ui->lineEditPortNum));
    finishEdit(ui->lineEditPortNum, QStringLiteral("502"));
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY(armEdit(page, ui->BoxProtocol3));
    activateItem(ui->BoxProtocol3, 0);
    QVERIFY(armEdit(page, ui->BoxDwordFormat3));
    activateItem(ui->BoxDwordFormat3, 0);
    QVERIFY(armEdit(page, ui->lineEditSendGap1_3));
    finishEdit(ui->lineEditSendGap1_3, QStringLiteral("10"));
    QCOMPARE(sim.writes(),
        (QStringList {QStringLiteral("write 8120 1 502"), QStringLiteral("write 8121 1 0"),
            QStringLiteral("write 8122 1 0"), QStringLiteral("write 8123 1 10")}));

    // Showing the page again keeps the chosen slot.
    page->showPage();
    QCOMPARE(page->pageState().ethernetSlot, 2);
    QCOMPARE(ui->lineEditPortNum->text(), QStringLiteral("6000")); // device copy not read again yet
    ui->Btu_Connect1->click();
    QCOMPARE(page->pageState().ethernetSlot, 0);
    QCOMPARE(ui->lineEditPortNum->text(), QStringLiteral("502"));
}

void DataTransPage::combinedAnalogEditsOutputOne()
{
    const Ui::DataTrans *ui = page->form();
    QVERIFY(set(QStringLiteral("set 8400 3")));
    QVERIFY(set(QStringLiteral("set 8405 2")));
    QVERIFY(set(QStringLiteral("set 8705 1")));
    QVERIFY(set(QStringLiteral("set 9309 0")));
    QCOMPARE(readGroup(0), Ok);
    QVERIFY(readPageGroups());
    page->refresh(false);
    QVERIFY(!ui->widget_independentAnalog->isHidden());
    QVERIFY(ui->widget_combinedAnalog->isHidden());
    QCOMPARE(ui->BoxCH1_AnalogType->currentText(), QStringLiteral("0-20mA"));
    QCOMPARE(ui->BoxCH4_Link->currentText(), QStringLiteral("Net"));

    QVERIFY(set(QStringLiteral("set 9309 1")));
    QCOMPARE(readGroup(0), Ok);
    page->refresh(false);
    QVERIFY(ui->widget_independentAnalog->isHidden());
    QVERIFY(!ui->widget_combinedAnalog->isHidden());
    QCOMPARE(ui->Box_combinedAnalogType->currentText(), QStringLiteral("0-20mA"));
    QCOMPARE(ui->Box_combinedLinkData->currentText(), QStringLiteral("Gross"));

    QVERIFY(armEdit(page, ui->Box_combinedAnalogType));
    activateItem(ui->Box_combinedAnalogType, 6);
    QVERIFY(armEdit(page, ui->Box_combinedLinkData));
    activateItem(ui->Box_combinedLinkData, 0);
    QCOMPARE(
        sim.writes(), (QStringList {QStringLiteral("write 8400 1 6"), QStringLiteral("write 8405 1 0")}));
    QVERIFY(set(QStringLiteral("set 9309 0")));
    QCOMPARE(readGroup(0), Ok);
}

// Which writes take away the link this program runs through, and the link
// that is made again afterwards. The device: COM-1 ID 1 38400 8-E-1, COM-2 ID 2
// 9600 8-N-1, IP 192.168.101.1, slot 1 port 502, slot 2 port 503.
void DataTransPage::ownLinkChange_data()
{
    QTest::addColumn<QString>("link"); // "rtu ADDRESS", "HOST:PORT" or "rtutcp ADDRESS" (a converter)
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("change"); // "none", or certain|maybe + reconnect|lost, then the new link
    QTest::newRow("COM-1 baud") << "rtu 1" << 8001 << 5 << "certain reconnect rtu 1 115200 8 2";
    QTest::newRow("COM-1 ID") << "rtu 1" << 8000 << 7 << "certain reconnect rtu 7 38400 8 2";
    QTest::newRow("COM-1 ID 0, the broadcast") << "rtu 1" << 8000 << 0 << "certain lost";
    QTest::newRow("COM-1 7-O-1") << "rtu 1" << 8003 << 4 << "certain reconnect rtu 1 38400 7 3";
    QTest::newRow("COM-1 own protocol") << "rtu 1" << 8002 << 1 << "certain lost";
    QTest::newRow("COM-1 same baud") << "rtu 1" << 8001 << 3 << "none";
    QTest::newRow("COM-1 send gap") << "rtu 1" << 8005 << 10 << "none";
    QTest::newRow("COM-2 baud") << "rtu 1" << 8021 << 5 << "none";
    QTest::newRow("no port matches, COM-2 baud")
        << "rtu 9" << 8021 << 5 << "maybe reconnect rtu 9 115200 8 2";
    QTest::newRow("IP") << "192.168.101.1:502" << 8103 << 7 << "certain reconnect 192.168.101.7:502";
    QTest::newRow("slot 1 port") << "192.168.101.1:502" << 8112 << 1502
                                 << "certain reconnect 192.168.101.1:1502";
    QTest::newRow("slot 1 own protocol") << "192.168.101.1:502" << 8113 << 1 << "certain lost";
    QTest::newRow("slot 2 port") << "192.168.101.1:502" << 8116 << 1503 << "none";
    QTest::newRow("mask") << "192.168.101.1:502" << 8104 << 0 << "none";
    QTest::newRow("forwarded, IP") << "10.0.0.9:40502" << 8100 << 10 << "maybe lost";
    QTest::newRow("forwarded, slot 2 port")
        << "10.0.0.9:40502" << 8116 << 1503 << "maybe reconnect 10.0.0.9:1503";
    QTest::newRow("converter, COM-1 ID") << "rtutcp 1" << 8000 << 7 << "certain reconnect rtutcp 7";
    QTest::newRow("converter, COM-1 baud") << "rtutcp 1" << 8001 << 5 << "certain lost";
    QTest::newRow("converter, COM-2 baud") << "rtutcp 1" << 8021 << 5 << "none";
    QTest::newRow("converter, IP") << "rtutcp 1" << 8103 << 7 << "none";
    QTest::newRow("converter, no port with the ID, COM-2 ID")
        << "rtutcp 9" << 8020 << 3 << "maybe reconnect rtutcp 3";
}

void DataTransPage::ownLinkChange()
{
    QFETCH(QString, link);
    QFETCH(int, address);
    QFETCH(int, value);
    QFETCH(QString, change);
    DeviceCopy device;
    const int com1[6] = {1, 3, 0, 1, 0, 0};
    const int com2[6] = {2, 1, 0, 0, 0, 0};
    std::copy(com1, com1 + 6, device.serial1);
    std::copy(com2, com2 + 6, device.serial2);
    const int ethernet[12] = {192, 168, 101, 1, 255, 255, 255, 0, 192, 168, 101, 254};
    std::copy(ethernet, ethernet + 12, device.ethernet);
    for (int k = 0; k < 6; ++k)
        device.ethernetSlots[k][0] = 502 + k;
    LinkParameters current;
    if (link.startsWith(QLatin1String("rtu "))) {
        current.connectType = ConnectionType::Rtu;
        current.serverAddress = link.mid(4).toInt();
    } else if (link.startsWith(QLatin1String("rtutcp "))) {
        current.connectType = ConnectionType::RtuOverTcp;
        current.serverAddress = link.mid(7).toInt();
        current.hostAddress = QStringLiteral("10.0.0.5");
        current.networkPort = QStringLiteral("4001");
    } else {
        current.connectType = ConnectionType::Tcp;
        current.hostAddress = link.section(QLatin1Char(':'), 0, 0);
        current.networkPort = link.section(QLatin1Char(':'), 1);
    }
    const OwnLinkChange result = ::ownLinkChange(current, device, address, value);
    QString seen = QStringLiteral("none");
    if (result.touchesLink) {
        const LinkParameters &n = result.newLink;
        seen = QLatin1String(result.certain ? "certain " : "maybe ")
            + QLatin1String(result.canReconnect ? "reconnect" : "lost");
        if (result.canReconnect && n.connectType == ConnectionType::RtuOverTcp)
            seen += QStringLiteral(" rtutcp %1").arg(n.serverAddress);
        else if (result.canReconnect)
            seen += n.connectType == ConnectionType::Rtu
                ? QStringLiteral(" rtu %1 %2 %3 %4")
                      .arg(n.serverAddress)
                      .arg(n.baud)
                      .arg(n.dataBits)
                      .arg(int(n.parity))
                : QStringLiteral(" %1:%2").arg(n.hostAddress, n.networkPort);
    }
    QCOMPARE(seen, change);
}

QTEST_MAIN(DataTransPage)
#include "tst_datatrans.moc"
