// A window's import whose rows change the settings of the link it runs through.

#include "link/linksession.h"
#include "pagetesthelpers.h"
#include "params/appstate.h"
#include "support/simulatorprocess.h"
#include "ui/link/modbussetting.h"
#include "ui/pages/testmaintain.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"
#include "ui_testmaintain.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QTemporaryDir>
#include <QtTest>

class OwnLinkImport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dataDir;
    SimulatorProcess device; // the device the window is connected to
    SimulatorProcess moved; // where the device answers after its port changed

    bool set(const QString &line) { return device.command(line).startsWith(QLatin1String("ok")); }

private slots:
    void initTestCase();
    void importThatMovesTheLink_data();
    void importThatMovesTheLink();
};

void OwnLinkImport::initTestCase()
{
    initQ4Resources();
    QVERIFY(dataDir.isValid());
    setDataDirectory(dataDir.path());
    QVERIFY2(device.start(), qPrintable(device.errorText()));
    QVERIFY2(moved.start(), qPrintable(moved.errorText()));
}

// The device's slot 1 is the port the window is connected to. An import that
// changes it asks first: Cancel writes nothing; the confirm button writes the
// other rows (read back as usual), then the port, and the window reconnects on
// the new port. An import that changes no link setting asks nothing.
void OwnLinkImport::importThatMovesTheLink_data()
{
    QTest::addColumn<bool>("portRow"); // the workbook sets slot 1's port to the other simulator's
    QTest::addColumn<QString>("answer"); // to the question, when one comes
    QTest::addColumn<QStringList>("writes"); // the device's writes; %1 the new port
    QTest::addColumn<QString>("counts"); // the page's result line; empty when none
    QTest::addColumn<bool>("reconnected");
    QTest::newRow("port changed, answered Cancel") << true << "cancel" << QStringList() << QString() << false;
    QTest::newRow("port changed, confirmed")
        << true << "ok" << QStringList {"write 8005 1 7", "write 8112 1 %1"}
        << "Written: 2, unchanged: 0, failed: 0, invalid: 0; verified: 1, mismatched: 0." << true;
    QTest::newRow("no link setting changed")
        << false << "" << QStringList {"write 8005 1 7"}
        << "Written: 1, unchanged: 0, failed: 0, invalid: 0; verified: 1, mismatched: 0." << false;
}

void OwnLinkImport::importThatMovesTheLink()
{
    QFETCH(bool, portRow);
    QFETCH(QString, answer);
    QFETCH(QStringList, writes);
    QFETCH(QString, counts);
    QFETCH(bool, reconnected);
    const QString oldPort = QString::number(device.port());
    const QString newPort = QString::number(moved.port());
    QVERIFY(set(QStringLiteral("set 8112 ") + oldPort));
    QVERIFY(set(QStringLiteral("set 8005 0")));

    const QString path = dataDir.filePath(QStringLiteral("link.xlsx"));
    // The port row comes first in the workbook, and is written last.
    QVector<QVector<QVariant>> rows = {{QStringLiteral("h")}};
    if (portRow)
        rows.append(
            {qint64(8112), QStringLiteral("port"), qint64(1), qint64(65535), qint64(1), QString(), newPort});
    rows.append(
        {qint64(8005), QStringLiteral("gap"), qint64(1), qint64(5000), qint64(0), QString(), QStringLiteral("7")});
    QVERIFY(XlsxWorkbook::create(path, ParameterSheetName, rows));

    QVERIFY(connectTestClient(device));
    auto *window = new MainWindow(linkSession());
    emit window->connectionPage()->ConnectSuccessfulSignal(); // the poll starts
    TestMaintain *page = window->testMaintainPage();
    page->askImportPath = [path] { return path; };
    device.clearRequests();
    moved.clearRequests();
    PopupAnswerer popups;
    popups.script = QStringList {QStringLiteral("ok"), answer};
    QMetaObject::invokeMethod(page, "on_But_Import_clicked");

    const QStringList question = popups.seen.filter(QStringLiteral("connected through"));
    QCOMPARE(question.size(), portRow ? 1 : 0);
    if (portRow) {
        QVERIFY2(question.first().contains(QStringLiteral("port %1 → %2").arg(oldPort, newPort)),
            qPrintable(question.first()));
    }
    QStringList expected;
    for (const QString &line : writes)
        expected << (line.contains(QLatin1String("%1")) ? line.arg(newPort) : line);
    QCOMPARE(device.writes(), expected);
    QCOMPARE(page->form()->label_importResult->text(), counts);
    if (reconnected) {
        QVERIFY(moved.waitForRequest(QStringLiteral("read-hr"), 5000));
        QCOMPARE(linkSession().appliedLink.networkPort, newPort);
    } else {
        QCOMPARE(linkSession().appliedLink.networkPort, oldPort);
    }
    delete window;
    disconnectTestClient();
}

QTEST_MAIN(OwnLinkImport)
#include "tst_ownlinkimport.moc"
