// Settings file of the connection page and the language switch of the main window.

#include "cli/headlessrun.h"
#include "params/appstate.h"
#include "ui/link/modbussetting.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *dataDir = nullptr;

    QString iniPath() const { return dataDir->path() + QStringLiteral("/Setting/setting.ini"); }
    void writeIni(const QMap<QString, QVariant> &values)
    {
        QDir().mkpath(dataDir->path() + QStringLiteral("/Setting"));
        QSettings settings(iniPath(), QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
    }
    QVariant iniValue(const QString &key) const
    {
        QSettings settings(iniPath(), QSettings::IniFormat);
        return settings.value(key);
    }

private slots:
    void init()
    {
        delete dataDir;
        dataDir = new QTemporaryDir;
        QVERIFY(dataDir->isValid());
        setDataDirectory(dataDir->path());
        programContext.language = 0;
    }
    void cleanupTestCase() { delete dataDir; }

    // Saving creates the missing Setting folder and writes every key of group Q4;
    // the delay is saved without its " ms" suffix and restored as a number.
    void saveCreatesFolderAndRoundTrips()
    {
        QVERIFY(!QFile::exists(iniPath()));
        {
            ModbusSetting page;
            page.findChild<QSpinBox *>(QStringLiteral("timeoutSpinner"))->setValue(300);
            page.findChild<QSpinBox *>(QStringLiteral("spinboxSlaveId"))->setValue(17);
            page.findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->setText(QStringLiteral("10.0.0.7"));
            page.findChild<QLineEdit *>(QStringLiteral("EditPort"))->setText(QStringLiteral("1502"));
            page.findChild<QComboBox *>(QStringLiteral("baudCombo"))->setCurrentIndex(5);
            page.findChild<QComboBox *>(QStringLiteral("parityCombo"))->setCurrentIndex(2);
            page.findChild<QComboBox *>(QStringLiteral("DwordFormat"))->setCurrentIndex(1);
            page.findChild<QComboBox *>(QStringLiteral("connectType"))->setCurrentIndex(1);
            QVERIFY(page.saveSettings());
        }
        QVERIFY(QFile::exists(iniPath()));
        QCOMPARE(iniValue(QStringLiteral("Q4/timeoutSpinner")).toString(), QStringLiteral("300"));
        QCOMPARE(iniValue(QStringLiteral("Q4/spinboxSlaveId")).toString(), QStringLiteral("17"));
        QCOMPARE(iniValue(QStringLiteral("Q4/baudCombo")).toInt(), 5);
        QCOMPARE(iniValue(QStringLiteral("Q4/Language")).toInt(), 0);

        ModbusSetting page;
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("timeoutSpinner"))->value(), 1000);
        page.loadSettings();
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("timeoutSpinner"))->value(), 300);
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("spinboxSlaveId"))->value(), 17);
        QCOMPARE(
            page.findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->text(), QStringLiteral("10.0.0.7"));
        QCOMPARE(page.findChild<QLineEdit *>(QStringLiteral("EditPort"))->text(), QStringLiteral("1502"));
        QCOMPARE(page.findChild<QComboBox *>(QStringLiteral("baudCombo"))->currentText(),
            QStringLiteral("115200"));
        QCOMPARE(
            page.findChild<QComboBox *>(QStringLiteral("parityCombo"))->currentText(), QStringLiteral("ODD"));
        QCOMPARE(page.findChild<QComboBox *>(QStringLiteral("DwordFormat"))->currentIndex(), 1);
        QCOMPARE(page.findChild<QComboBox *>(QStringLiteral("connectType"))->currentIndex(), 1);
        // The protocol switch ran with the loaded type.
        QVERIFY(!page.findChild<QComboBox *>(QStringLiteral("baudCombo"))->isVisibleTo(&page));
        QVERIFY(page.findChild<QLineEdit *>(QStringLiteral("EditPort"))->isVisibleTo(&page));
        const LinkParameters link = page.settingsFromForm();
        QCOMPARE(link.responseTime, 300);
        QCOMPARE(link.baud, 115200);
        QCOMPARE(link.parity, Parity::Odd);
        QCOMPARE(link.connectType, ConnectionType::Tcp);
        QCOMPARE(link.numberOfRetries, 0);
    }

    // Missing integer keys take their start values (38400 baud, even parity);
    // missing text keys leave the widgets alone; a port that is not present
    // leaves the first entry.
    void missingKeysAndAbsentPort()
    {
        writeIni({{QStringLiteral("Q4/EditPort"), QString()},
            {QStringLiteral("Q4/serialnumcomboBox"), QStringLiteral("Nowhere(ttyNOTHERE9)")}});
        ModbusSetting page;
        page.loadSettings();
        auto *baud = page.findChild<QComboBox *>(QStringLiteral("baudCombo"));
        QCOMPARE(baud->currentText(), QStringLiteral("38400"));
        QCOMPARE(page.findChild<QComboBox *>(QStringLiteral("parityCombo"))->currentText(),
            QStringLiteral("EVEN"));
        QCOMPARE(page.findChild<QLineEdit *>(QStringLiteral("EditPort"))->text(), QStringLiteral("502"));
        QCOMPARE(page.findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->text(),
            QStringLiteral("192.168.101.1"));
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("timeoutSpinner"))->value(), 1000);
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("spinboxSlaveId"))->value(), 1);
        auto *serial = page.findChild<QComboBox *>(QStringLiteral("serialnumcomboBox"));
        QCOMPARE(serial->currentIndex(), serial->count() > 0 ? 0 : -1);
        QVERIFY(serial->currentText() != QStringLiteral("Nowhere(ttyNOTHERE9)"));
        // Loading marks the first run as done.
        QCOMPARE(iniValue(QStringLiteral("Config/Startup")).toInt(), 0);
    }

    // Values out of range take the start value of their key and are written
    // back; valid values next to them are kept as they are.
    void outOfRangeValuesTakeTheirDefaults()
    {
        writeIni({{QStringLiteral("Q4/baudCombo"), 9}, {QStringLiteral("Q4/parityCombo"), -1},
            {QStringLiteral("Q4/dataBitsCombo"), QStringLiteral("x")}, {QStringLiteral("Q4/DwordFormat"), 1},
            {QStringLiteral("Q4/stopBitsCombo"), 3}, {QStringLiteral("Q4/connectType"), 3},
            {QStringLiteral("Q4/EditPort"), QStringLiteral("70000")},
            {QStringLiteral("Q4/EditHostIP"), QStringLiteral("300.1.1.1")},
            {QStringLiteral("Q4/timeoutSpinner"), QStringLiteral("5000")},
            {QStringLiteral("Q4/spinboxSlaveId"), QStringLiteral("0")}, {QStringLiteral("Q4/Language"), 5}});
        programContext.language = 3;
        ModbusSetting page;
        page.loadSettings();
        auto combo = [&](const char *name) { return page.findChild<QComboBox *>(QLatin1String(name)); };
        QCOMPARE(combo("baudCombo")->currentText(), QStringLiteral("38400"));
        QCOMPARE(combo("parityCombo")->currentText(), QStringLiteral("EVEN"));
        QCOMPARE(combo("dataBitsCombo")->currentText(), QStringLiteral("8"));
        QCOMPARE(combo("stopBitsCombo")->currentText(), QStringLiteral("1"));
        QCOMPARE(combo("connectType")->currentIndex(), 0);
        QCOMPARE(combo("DwordFormat")->currentIndex(), 1); // valid: kept
        QCOMPARE(page.findChild<QLineEdit *>(QStringLiteral("EditPort"))->text(), QStringLiteral("502"));
        QCOMPARE(page.findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->text(),
            QStringLiteral("192.168.101.1"));
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("timeoutSpinner"))->value(), 1000);
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("spinboxSlaveId"))->value(), 1);
        QCOMPARE(programContext.language, 0);

        // The file holds valid values now, and the widgets save them unchanged.
        QCOMPARE(iniValue(QStringLiteral("Q4/baudCombo")).toInt(), 3);
        QCOMPARE(iniValue(QStringLiteral("Q4/parityCombo")).toInt(), 1);
        QCOMPARE(iniValue(QStringLiteral("Q4/dataBitsCombo")).toInt(), 1);
        QCOMPARE(iniValue(QStringLiteral("Q4/stopBitsCombo")).toInt(), 0);
        QCOMPARE(iniValue(QStringLiteral("Q4/connectType")).toInt(), 0);
        QCOMPARE(iniValue(QStringLiteral("Q4/DwordFormat")).toInt(), 1);
        QCOMPARE(iniValue(QStringLiteral("Q4/EditPort")).toString(), QStringLiteral("502"));
        QCOMPARE(iniValue(QStringLiteral("Q4/EditHostIP")).toString(), QStringLiteral("192.168.101.1"));
        QCOMPARE(iniValue(QStringLiteral("Q4/timeoutSpinner")).toInt(), 1000);
        QCOMPARE(iniValue(QStringLiteral("Q4/spinboxSlaveId")).toInt(), 1);
        QCOMPARE(iniValue(QStringLiteral("Q4/Language")).toInt(), 0);
        QVERIFY(page.saveSettings());
        QCOMPARE(iniValue(QStringLiteral("Q4/baudCombo")).toInt(), 3);

        // A first run's language out of range is English, not an alternation
        // of two invalid values under the language button.
        writeIni({{QStringLiteral("Config/Startup"), 1}, {QStringLiteral("Config/Language"), -1}});
        MainWindow window(linkSession());
        QCOMPARE(window.languageInUse(), 0);
        QCOMPARE(iniValue(QStringLiteral("Config/Language")).toInt(), 0);
        window.findChild<QPushButton *>(QStringLiteral("Btn_ChangeLanguage"))->click();
        QCOMPARE(window.languageInUse(), 1);
    }

    // An empty or cut-off file gives the connection page and a command-line run
    // the same serial settings as a repaired one: the start values of a link
    // record (38400 baud, 8 data bits, even parity, 1 stop bit).
    void emptyOrCutFileGivesTheStartValues_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("group only") << QByteArray("[Q4]\n");
        QTest::newRow("cut off") << QByteArray("[Q4]\nEditPort=502\nEditHostIP=10.0.0.1\nbaudCo");
        QTest::newRow("cut in a value") << QByteArray("[Q4]\nDwordFormat=0\nbaudCombo=");
    }
    void emptyOrCutFileGivesTheStartValues()
    {
        QFETCH(QByteArray, content);
        QVERIFY(QDir().mkpath(dataDir->path() + QStringLiteral("/Setting")));
        {
            QFile file(iniPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const LinkParameters start;
        const LinkParameters headless = savedLink();
        ModbusSetting page;
        page.loadSettings();
        const LinkParameters shown = page.settingsFromForm();
        for (const LinkParameters &link : {shown, headless}) {
            QCOMPARE(link.baud, start.baud);
            QCOMPARE(link.dataBits, start.dataBits);
            QCOMPARE(link.parity, start.parity);
            QCOMPARE(link.stopBits, start.stopBits);
        }
        QCOMPARE(start.baud, 38400);
        QCOMPARE(start.parity, Parity::Even);
    }

    // A missing file changes nothing: the widgets keep their values.
    void missingFileKeepsWidgets()
    {
        ModbusSetting page;
        page.findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->setText(QStringLiteral("1.2.3.4"));
        page.loadSettings();
        QCOMPARE(
            page.findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->text(), QStringLiteral("1.2.3.4"));
        QVERIFY(!QFile::exists(iniPath()));
    }

    // A folder that cannot be made fails the save instead of being passed over.
    void unwritableFolderIsReported()
    {
        const QString blocker = dataDir->path() + QStringLiteral("/plainfile");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        setDataDirectory(blocker);
        ModbusSetting page;
        QVERIFY(!page.saveSettings());
    }

    // First run: group Config with Startup=1 chooses Chinese; the file then holds
    // Startup=0 and group Q4 with the page's values and Language=1.
    void firstRunTakesConfigLanguage()
    {
        writeIni({{QStringLiteral("Config/Startup"), 1}, {QStringLiteral("Config/Language"), 1}});
        MainWindow window(linkSession());
        QCOMPARE(programContext.language, 1);
        QCOMPARE(window.languageInUse(), 1);
        QCOMPARE(iniValue(QStringLiteral("Config/Startup")).toInt(), 0);
        QCOMPARE(iniValue(QStringLiteral("Q4/Language")).toInt(), 1);
        QCOMPARE(iniValue(QStringLiteral("Q4/EditHostIP")).toString(), QStringLiteral("192.168.101.1"));
        // Group Q4 was absent: its integer keys take their start values, which are saved.
        QCOMPARE(iniValue(QStringLiteral("Q4/baudCombo")).toInt(), 3);
        const QString chinese = QCoreApplication::translate("MainWindow", "Communication-Normal");
        if (chinese == QStringLiteral("Communication-Normal"))
            QSKIP("the Chinese catalogue has no entries yet");
        QCOMPARE(chinese, QStringLiteral("通讯正常"));
    }

    // Without Startup the language of group Q4 wins over group Config.
    void laterRunTakesQ4Language()
    {
        writeIni({{QStringLiteral("Config/Startup"), 0}, {QStringLiteral("Config/Language"), 0},
            {QStringLiteral("Q4/Language"), 1}});
        MainWindow window(linkSession());
        QCOMPARE(window.languageInUse(), 1);
        QCOMPARE(iniValue(QStringLiteral("Q4/Language")).toInt(), 1);
    }

    // Each press of the language button flips the language and saves the file:
    // twice returns to the first language.
    void languageButtonTwiceSavesTwice()
    {
        MainWindow window(linkSession());
        QCOMPARE(window.languageInUse(), 0);
        auto *button = window.findChild<QPushButton *>(QStringLiteral("Btn_ChangeLanguage"));
        QVERIFY(button);
        QVERIFY(QFile::remove(iniPath()));
        button->click();
        QVERIFY(QFile::exists(iniPath()));
        QCOMPARE(iniValue(QStringLiteral("Q4/Language")).toInt(), 1);
        QCOMPARE(window.languageInUse(), 1);
        QVERIFY(QFile::remove(iniPath()));
        button->click();
        QVERIFY(QFile::exists(iniPath()));
        QCOMPARE(iniValue(QStringLiteral("Q4/Language")).toInt(), 0);
        QCOMPARE(window.languageInUse(), 0);
        QCOMPARE(programContext.language, 0);
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initQ4Resources();
    TestSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings.moc"
