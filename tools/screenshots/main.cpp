// Renders the connection page, the main window connected to a device (each of
// the six pages), the traffic log window, the Help window, the link dialog, a success popup, a
// question popup, the password prompt and the device scan to PNG files. Run
// offscreen (QT_QPA_PLATFORM=offscreen) by scripts/screenshots.sh against a
// running simulator.
#include "params/appstate.h"
#include "ui/dialogs/helpdialog.h"
#include "ui/dialogs/popups.h"
#include "ui/link/modbussetting.h"
#include "ui/link/trafficlogwindow.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextStream>
#include <QTimer>

namespace {

QString outputDir;
int failures = 0;

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void save(QWidget *widget, const QString &name)
{
    const QString path = outputDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget || !widget->grab().save(path)) {
        QTextStream(stderr) << "cannot save " << path << "\n";
        ++failures;
        return;
    }
    QTextStream(stdout) << path << "\n";
}

// Grabs the next modal dialog once it has been shown for a moment, then lets
// `close` end it.
void grabNextModal(const QString &name, std::function<void(QWidget *)> close)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, name, close] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        QTimer::singleShot(300, dialog, [dialog, name, close] {
            save(dialog, name);
            close(dialog);
        });
    });
    timer->start();
}

void applyStyleSheet(QApplication &app)
{
    QFile styleFile(QStringLiteral(":/Qss/SheetStyle.qss"));
    if (styleFile.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(styleFile.readAll()));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders Q4 Config's windows to PNG files."));
    parser.addHelpOption();
    const QCommandLineOption outOption(
        QStringLiteral("out"), QStringLiteral("Output folder."), QStringLiteral("DIR"));
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Simulator TCP port."), QStringLiteral("PORT"));
    const QCommandLineOption languageOption(QStringLiteral("language"),
        QStringLiteral("0 English, 1 Chinese."), QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption dataOption(
        QStringLiteral("data-dir"), QStringLiteral("Scratch installation folder."), QStringLiteral("DIR"));
    parser.addOptions({outOption, portOption, languageOption, dataOption});
    parser.process(app);
    if (!parser.isSet(outOption) || !parser.isSet(portOption) || !parser.isSet(dataOption)) {
        QTextStream(stderr) << "need --out, --port and --data-dir\n";
        return 2;
    }
    outputDir = parser.value(outOption);
    QDir().mkpath(outputDir);

    // A settings file that selects TCP to the simulator and the language.
    setDataDirectory(parser.value(dataOption));
    QDir().mkpath(QFileInfo(settingsFilePath()).path());
    {
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        settings.clear();
        settings.beginGroup(QStringLiteral("Q4"));
        settings.setValue(QStringLiteral("EditPort"), parser.value(portOption));
        settings.setValue(QStringLiteral("spinboxSlaveId"), QStringLiteral("1"));
        settings.setValue(QStringLiteral("EditHostIP"), QStringLiteral("127.0.0.1"));
        settings.setValue(QStringLiteral("DwordFormat"), 0);
        settings.setValue(QStringLiteral("baudCombo"), 3);
        settings.setValue(QStringLiteral("dataBitsCombo"), 1);
        settings.setValue(QStringLiteral("parityCombo"), 1);
        settings.setValue(QStringLiteral("stopBitsCombo"), 0);
        settings.setValue(QStringLiteral("connectType"), 1);
        settings.setValue(QStringLiteral("timeoutSpinner"), QStringLiteral("1000"));
        settings.setValue(QStringLiteral("Language"), parser.value(languageOption).toInt());
        settings.endGroup();
        settings.setValue(QStringLiteral("Config/Startup"), 0);
    }

    initQ4Resources();
    applyStyleSheet(app);

    MainWindow window;
    window.resize(1150, 800);
    window.show();
    settle(500);
    save(&window, QStringLiteral("connection"));

    window.connectionPage()->on_connectButton_clicked();
    settle(2500);
    if (window.pageState().currentPage != PageMonitoring) {
        QTextStream(stderr) << "not connected to the simulator\n";
        return 1;
    }
    const char *const pageNames[] = {"page0-monitoring", "page1-basic", "page2-calibration",
        "page3-application", "page4-datatrans", "page5-testmaintain"};
    for (int k = 0; k <= 5; ++k) {
        window.showPage(k);
        settle(2000);
        save(&window, QString::fromLatin1(pageNames[k]));
    }
    // Sub-tables behind the tabs of two pages.
    struct TabShot
    {
        int page;
        int tab;
        const char *name;
    };
    for (const TabShot &shot : {TabShot {3, 1, "page3-application-outputs"},
             TabShot {3, 2, "page3-application-comparators"}, TabShot {5, 1, "page5-testmaintain-reset"}}) {
        window.showPage(shot.page);
        auto *tabs = window.page(shot.page)->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        if (!tabs) {
            QTextStream(stderr) << "no tabWidget on page " << shot.page << "\n";
            ++failures;
            continue;
        }
        tabs->setCurrentIndex(shot.tab);
        settle(2000);
        save(&window, QString::fromLatin1(shot.name));
        tabs->setCurrentIndex(0);
    }
    window.showPage(0);
    settle(500);

    // The traffic log window after a few seconds of polling.
    if (auto *traffic = window.findChild<QPushButton *>(QStringLiteral("Btn_TrafficLog"))) {
        traffic->click();
        settle(3000);
        save(window.trafficWindow(), QStringLiteral("traffic-log"));
        window.trafficWindow()->close();
    } else {
        QTextStream(stderr) << "no Btn_TrafficLog\n";
        ++failures;
    }

    // The Help and About window.
    if (auto *help = window.findChild<QPushButton *>(QStringLiteral("Btn_Help"))) {
        help->click();
        settle(300);
        save(window.helpWindow(), QStringLiteral("help"));
        window.helpWindow()->close();
    } else {
        QTextStream(stderr) << "no Btn_Help\n";
        ++failures;
    }

    grabNextModal(QStringLiteral("link-dialog"), [](QWidget *dialog) { dialog->close(); });
    window.on_Btn_SlaveIdSet_clicked();
    settle(300);

    grabNextModal(QStringLiteral("popup-success"), [](QWidget *dialog) { dialog->close(); });
    showTipsDialog(QCoreApplication::translate("TestMaintain", "Tip"),
        QCoreApplication::translate("QObject", "Reset Successful!"), 1, &window);

    grabNextModal(QStringLiteral("popup-failure"), [](QWidget *dialog) { dialog->close(); });
    showTipsDialog(QCoreApplication::translate("TestMaintain", "Tip"),
        QCoreApplication::translate("QObject", "Operation Failed,Please try again!"), 1, &window);

    grabNextModal(QStringLiteral("popup-question"), [](QWidget *dialog) { dialog->close(); });
    showTipsDialog(QCoreApplication::translate("TestMaintain", "Tip"),
        QCoreApplication::translate("TestMaintain", "Confirm? Reset may result in communication loss!"), 1,
        &window);

    grabNextModal(QStringLiteral("password"), [](QWidget *dialog) { dialog->close(); });
    // Something typed, so the entry shows text in the picture.
    auto *filler = new QTimer;
    filler->setInterval(5);
    QObject::connect(filler, &QTimer::timeout, [filler] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit_textStr")))
            edit->setText(QStringLiteral("123456"));
        filler->stop();
        filler->deleteLater();
    });
    filler->start();
    inputPassword(&window);

    window.on_ButtonDisconnect_clicked();
    settle(2500);

    // The device scan from the connection page, over the first addresses of
    // the simulator (several devices on its link), once the scan is done.
    auto *scanner = new QTimer;
    scanner->setInterval(20);
    QObject::connect(scanner, &QTimer::timeout, [scanner] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible() || !dialog->inherits("ScanDialog"))
            return;
        scanner->stop();
        scanner->deleteLater();
        dialog->findChild<QSpinBox *>(QStringLiteral("spinScanLast"))->setValue(10);
        dialog->findChild<QSpinBox *>(QStringLiteral("spinProbeTimeout"))->setValue(100);
        dialog->findChild<QPushButton *>(QStringLiteral("Btn_ScanStart"))->click(); // returns when done
        if (auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tableScanResults")))
            table->selectRow(1);
        settle(300);
        save(dialog, QStringLiteral("scan-dialog"));
        dialog->close();
    });
    scanner->start();
    window.connectionPage()->on_Btn_Scan_clicked();
    return failures == 0 ? 0 : 1;
}
