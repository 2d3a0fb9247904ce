#include "cli/headlessrun.h"
#include "cli/historyrun.h"
#include "link/linksession.h"
#include "link/trafficlog.h"
#include "params/appstate.h"
#include "params/logcategories.h"
#include "q4version.h"
#include "ui/link/modbussetting.h"
#include "ui/pages/testmaintain.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    // Quiet from the start; --verbose is known once the command line is parsed.
    configureLogging(false);
    // A run without a window needs no display: no GUI application at all
    // (nor a platform plugin with its messages) unless Qt's GUI options are given.
    const bool windowless = prepareWorkbookCommandLine(argc, argv);
    prepareHighDpi();
    const std::unique_ptr<QCoreApplication> app(
        windowless ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("q4config"));
    // Wayland finds the window's icon and name through the desktop file.
    QGuiApplication::setDesktopFileName(QStringLiteral(Q4_APP_ID));
    QCoreApplication::setApplicationVersion(QStringLiteral(Q4_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lumo Q4 Config System"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDirOption(QStringLiteral("data-dir"),
        QStringLiteral("Folder holding Setting/, Template/ and Export/."), QStringLiteral("DIR"));
    const QCommandLineOption connectOption(QStringLiteral("connect"),
        QStringLiteral("Press \"Connect\" once at start-up with the saved settings."));
    const QCommandLineOption logTrafficOption(QStringLiteral("log-traffic"),
        QStringLiteral("Append every Modbus transaction to FILE as CSV "
                       "(time_ms,function,address,count,values,result,round_trip_ms)."),
        QStringLiteral("FILE"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
        QStringLiteral("Print the program's log lines (categories q4.*) on standard error."));
    parser.addOption(dataDirOption);
    parser.addOption(connectOption);
    parser.addOption(logTrafficOption);
    parser.addOption(verboseOption);
    addWorkbookOptions(parser);
    parser.process(*app);
    if (parser.isSet(verboseOption))
        configureLogging(true);

    if (parser.isSet(dataDirOption))
        setDataDirectory(parser.value(dataDirOption));
    initQ4Resources();

    // The program's link: the command-line run's or the window's.
    LinkSession session;
    if (parser.isSet(logTrafficOption)) {
        QString error;
        const QString path = parser.value(logTrafficOption);
        if (!session.traffic.setFile(path, &error)) {
            std::fprintf(stderr, "q4config: cannot write --log-traffic %s: %s\n",
                path.toLocal8Bit().constData(), error.toLocal8Bit().constData());
            return 2;
        }
    }

    const int workbookStatus = runWorkbookCommandLine(parser, session);
    if (workbookStatus >= 0)
        return workbookStatus;
    auto *gui = qobject_cast<QApplication *>(app.get());
    if (!gui) {
        // A run name given as the value of another option: nothing to run.
        std::fprintf(stderr, "q4config: no --export, --import, --diff, --clone or --scan to run\n");
        return 2;
    }

    QFile styleFile(QStringLiteral(":/Qss/SheetStyle.qss"));
    if (styleFile.open(QIODevice::ReadOnly)) {
        QByteArray bytes = styleFile.readAll();
        const int end = bytes.indexOf('\0');
        if (end >= 0)
            bytes.truncate(end);
        // The style sheet may hold non-ASCII text: it is UTF-8.
        gui->setStyleSheet(QString::fromUtf8(bytes));
        styleFile.close();
    }

    MainWindow window(session);
    window.setWindowIcon(QIcon(QStringLiteral(":/images/KTIcon.ico")));
    window.testMaintainPage()->setHistoryFolderArgument(historyDirArgument(parser));
    window.showPlaced();
    if (parser.isSet(connectOption))
        QTimer::singleShot(0, window.connectionPage(), &ModbusSetting::on_connectButton_clicked);
    return gui->exec();
}
