// Workbook import and export against the simulator: round trips in both word
// orders, value texts, skipped rows, failures, the stopped link, the page's
// popups and links, and openpyxl as an independent reader and writer.

#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/registermap.h"
#include "support/requiredtool.h"
#include "support/simulatorprocess.h"
#include "ui/dialogs/tipsdialog.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/testmaintain.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"
#include "ui_testmaintain.h"
#include "workbook/exceltowrite.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QModbusClient>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <functional>

namespace {

QString templatePath(int language)
{
    return QStringLiteral(Q4_BINARY_DIR "/Template/") + templateFileName(language);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to)
        && QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
}

// Every register of the catalogue as the simulator holds it.
QMap<int, QString> deviceRegisters(SimulatorProcess &sim)
{
    QMap<int, QString> values;
    for (const ParameterInfo &p : parameterCatalogue()) {
        for (int i = 0; i < p.count; ++i)
            values.insert(p.address + i, sim.command(QStringLiteral("get %1").arg(p.address + i)));
    }
    return values;
}

QString python(const QString &script, const QStringList &args)
{
    if (!requireTools({QStringLiteral("openpyxl")}, __FILE__, __LINE__))
        return QString();
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList {QStringLiteral("-c"), script} + args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
}

// openpyxl's view of the parameter sheet: "A G" per row from row 1.
QStringList openpyxlColumns(const QString &path)
{
    const QString out = python(QStringLiteral("import sys,openpyxl\n"
                                              "ws=openpyxl.load_workbook(sys.argv[1])['读写类']\n"
                                              "for r in ws.iter_rows(values_only=True):\n"
                                              "  print(r[0], r[6] if len(r)>6 else None)\n"),
        {path});
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Writes a workbook with openpyxl (inline strings) from rows of Python literals.
bool openpyxlWorkbook(const QString &path, const QString &sheetName, const QString &rowsLiteral)
{
    const QString out = python(QStringLiteral("import sys,openpyxl\n"
                                              "wb=openpyxl.Workbook(); ws=wb.active; ws.title=sys.argv[2]\n"
                                              "for r in %1: ws.append(r)\n"
                                              "wb.save(sys.argv[1])")
                                   .arg(rowsLiteral),
        {path, sheetName});
    if (!out.trimmed().isEmpty())
        qWarning().noquote() << out;
    return QFileInfo(path).isFile();
}

QStringList writeLines(SimulatorProcess &sim)
{
    return sim.requests().filter(QRegularExpression(QStringLiteral("^write ")));
}

// Answers the popups and file dialogs of a page run and records what they said.
class PopupWatcher : public QObject
{
public:
    QString fileToChoose;
    QStringList seen; // "title|texts"
    QList<int> buttons; // visible buttons of each popup in seen
    QStringList nameFilters; // of the last file dialog
    std::function<void()> onPopupGone; // called when a popup is deleted
    // A save dialog is accepted as by its button, so it asks before replacing
    // a file; that question gets replaceAnswer, and after No the dialog is cancelled.
    bool acceptThroughDialog = false;
    QMessageBox::StandardButton replaceAnswer = QMessageBox::No;
    int replaceQuestions = 0;
    QString dialogFolder; // where the last file dialog started
    QString suggestedName; // the file name it suggested

    PopupWatcher()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start();
    }

private:
    void poll()
    {
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *w : widgets) {
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                if (box == lastQuestion)
                    return;
                lastQuestion = box;
                ++replaceQuestions;
                QAbstractButton *button = box->button(replaceAnswer);
                QTimer::singleShot(0, button, [button] { button->click(); });
                if (replaceAnswer == QMessageBox::No)
                    declined = qobject_cast<QFileDialog *>(box->parentWidget());
                return;
            }
        }
        if (declined && declined->isVisible()) {
            QDialog *dialog = declined;
            declined = nullptr;
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        }
        for (QWidget *w : widgets) {
            if (!w->isVisible())
                continue;
            if (auto *fd = qobject_cast<QFileDialog *>(w)) {
                if (handledDialogs.contains(fd))
                    continue;
                if (seenDialog != fd) {
                    seenDialog = fd;
                    dialogFolder = fd->directory().absolutePath();
                    if (auto *edit = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                        suggestedName = edit->text();
                }
                if (!fileToChoose.isEmpty()) {
                    // The file name field takes an absolute path at once.
                    if (auto *edit = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                        edit->setText(fileToChoose);
                    if (!fd->selectedFiles().contains(fileToChoose))
                        continue;
                }
                handledDialogs.append(fd);
                nameFilters = fd->nameFilters();
                const int answer = fileToChoose.isEmpty() ? QDialog::Rejected : QDialog::Accepted;
                QDialog *dialog = fd;
                if (answer == QDialog::Accepted && acceptThroughDialog)
                    QTimer::singleShot(0, fd, [dialog] { dialog->accept(); });
                else
                    QTimer::singleShot(0, fd, [dialog, answer] { dialog->done(answer); });
                continue;
            }
            if (auto *tips = qobject_cast<TipsDialog *>(w)) {
                if (handled.contains(tips))
                    continue;
                handled.append(tips);
                QStringList texts;
                const auto labels = tips->findChildren<QLabel *>();
                for (QLabel *l : labels) {
                    if (!l->text().isEmpty() && l->text() != tips->title())
                        texts << l->text();
                }
                seen << tips->title() + QLatin1Char('|') + texts.join(QLatin1Char(','));
                int shown = 0;
                for (const char *name : {"pushButton_ok", "pushButton_cancel"}) {
                    if (QWidget *button = tips->findChild<QWidget *>(QLatin1String(name)))
                        shown += button->isHidden() ? 0 : 1;
                }
                buttons << shown;
                QObject::connect(tips, &QObject::destroyed, [this] {
                    if (onPopupGone)
                        onPopupGone();
                });
                QTimer::singleShot(0, tips, [tips] { tips->reject(); });
            }
        }
    }
    QTimer timer;
    QList<QPointer<TipsDialog>> handled;
    QList<QPointer<QFileDialog>> handledDialogs;
    QPointer<QFileDialog> seenDialog;
    QPointer<QFileDialog> declined;
    QPointer<QMessageBox> lastQuestion;
};

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void roundTripRestoresDevice_data();
    void roundTripRestoresDevice();
    void valueTextsAndHeaders();
    void importSkipsRowsItMustNotWrite();
    void headerOnlyWorkbooks();
    void failedTransactionsAreReported();
    void stoppedLinkEndsSilently();
    void openFailures();
    void pageImportShowsErrorThenFailed();
    void pageExportCreatesFolderAndLink();
    void pageExportAsksWhereToSave();
    void oneRunAtATime();
    void libreOfficeRoundTrip();
    void signedRowLimits();
    void pageReportsPartialResults();
    void exportKeepsPreviousFileUnlessComplete();
    void pageRunKeepsEventLoopAndCancels();
    void pollStaysOffWhileCommitOrImportWaits();

private:
    QTemporaryDir dir;
};

void TestWorkbook::initTestCase()
{
    initQ4Resources();
    QVERIFY2(QFileInfo(templatePath(0)).isFile(), "build the q4workbooktemplates target first");
    QVERIFY(QFileInfo(templatePath(1)).isFile());
}

void TestWorkbook::cleanup()
{
    disconnectTestClient();
    linkSession().linkSuspended = false;
}

void TestWorkbook::roundTripRestoresDevice_data()
{
    QTest::addColumn<int>("order");
    QTest::newRow("AB-CD") << 0;
    QTest::newRow("CD-AB") << 1;
}

void TestWorkbook::roundTripRestoresDevice()
{
    QFETCH(int, order);
    SimulatorProcess sim(
        order ? QStringList {QStringLiteral("--word-order"), QStringLiteral("cd-ab")} : QStringList {});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim, wordOrderFromIndex(order)));
    // Some values away from the defaults, a negative one among them.
    QVERIFY(sim.command(QStringLiteral("set32 1064 -123456")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("set32 1066 654321")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("set32 214 7")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("set 8000 17")).startsWith(QLatin1String("ok")));
    const QMap<int, QString> before = deviceRegisters(sim);

    const QString file = dir.filePath(QStringLiteral("roundtrip%1.xlsx").arg(order));
    QVERIFY(copyFile(templatePath(0), file));
    ExelToWrite worker;
    QSignalSpy rowsSpy(&worker, &ExelToWrite::ShowMaxnRowssignal);
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::Done));
    const int rows = parameterCatalogue().size() + 1;
    QCOMPARE(rowsSpy.size(), 1);
    QCOMPARE(rowsSpy.at(0).at(0).toInt(), rows);
    QCOMPARE(worker.transferredRows(), rows - 1);
    QVERIFY(!linkSession().held());

    // What the file holds, seen by our reader and by openpyxl.
    XlsxWorkbook wb;
    QVERIFY(wb.open(file));
    XlsxSheet *sheet = wb.sheet(ParameterSheetName);
    QVERIFY(sheet);
    QCOMPARE(sheet->cellText(1, ColumnValue), QStringLiteral("Export Value"));
    QCOMPARE(sheet->cellText(2, ColumnAddress), QString::number(parameterCatalogue().first().address));
    QMap<int, QString> exported;
    for (int r = 2; r <= rows; ++r)
        exported.insert(sheet->cellText(r, ColumnAddress).toInt(), sheet->cellText(r, ColumnValue));
    wb.close();
    QCOMPARE(exported.value(1064), QString::number(quint32(-123456)));
    QCOMPARE(exported.value(1066), QStringLiteral("654321"));
    QCOMPARE(exported.value(214), QStringLiteral("7"));
    QCOMPARE(exported.value(8000), QStringLiteral("17"));
    for (const ParameterInfo &p : parameterCatalogue()) {
        const QString want = p.count == 2
            ? QString::number(
                quint32(sim.command(QStringLiteral("get32 %1").arg(p.address)).section(' ', 1, 1).toInt()))
            : sim.command(QStringLiteral("get %1").arg(p.address)).section(' ', 1, 1);
        QVERIFY2(exported.value(p.address) == want,
            qPrintable(QStringLiteral("%1: %2 != %3").arg(p.address).arg(exported.value(p.address), want)));
    }
    const QStringList seen = openpyxlColumns(file);
    QCOMPARE(seen.size(), rows);
    QCOMPARE(seen.first(), QStringLiteral("Address Export Value"));
    for (int r = 2; r <= rows; ++r) {
        const QStringList parts = seen.at(r - 1).split(QLatin1Char(' '));
        QCOMPARE(parts.value(1), exported.value(parts.value(0).toInt()));
    }

    // Change the device, import the file: it is back where it started.
    QVERIFY(sim.command(QStringLiteral("set32 1064 5")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("set32 1066 -9")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("set32 214 1")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("set 8000 3")).startsWith(QLatin1String("ok")));
    sim.clearRequests();
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Done));
    QVERIFY(!linkSession().held());
    QVERIFY(worker.transferredRows() > 0);
    const QMap<int, QString> after = deviceRegisters(sim);
    for (auto it = before.constBegin(); it != before.constEnd(); ++it)
        QVERIFY2(
            after.value(it.key()) == it.value(), qPrintable(QStringLiteral("register %1").arg(it.key())));
    // The negative value went back as one 32-bit write in the device's word order.
    const quint32 pattern = quint32(-123456);
    const QString words = order == 0 ? QStringLiteral("%1 %2").arg(pattern >> 16).arg(pattern & 0xFFFF)
                                     : QStringLiteral("%1 %2").arg(pattern & 0xFFFF).arg(pattern >> 16);
    QVERIFY(writeLines(sim).contains(QStringLiteral("write 1064 2 ") + words));
}

void TestWorkbook::valueTextsAndHeaders()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    QVERIFY(sim.command(QStringLiteral("set32 1068 -1")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("set 9310 65535")).startsWith(QLatin1String("ok")));
    ExelToWrite worker;
    for (int language : {0, 1}) {
        const QString file = dir.filePath(exportFileName(language));
        QVERIFY(copyFile(templatePath(language), file));
        QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, language), int(ExelToWrite::Done));
        XlsxWorkbook wb;
        QVERIFY(wb.open(file));
        XlsxSheet *s = wb.sheet(ParameterSheetName);
        QVERIFY(s);
        QCOMPARE(s->cellText(1, ColumnValue),
            language == 1 ? QStringLiteral("导出数据") : QStringLiteral("Export Value"));
        QCOMPARE(s->cellText(1, ColumnAddress),
            language == 1 ? QStringLiteral("地址") : QStringLiteral("Address"));
        QCOMPARE(s->cellText(2, ColumnName),
            language == 1 ? parameterCatalogue().first().nameChinese
                          : parameterCatalogue().first().nameEnglish);
        for (int r = 2; r <= s->rowCount(); ++r) {
            if (s->cellText(r, ColumnAddress) == QLatin1String("1068"))
                QCOMPARE(s->cellText(r, ColumnValue), QStringLiteral("4294967295"));
            if (s->cellText(r, ColumnAddress) == QLatin1String("9310"))
                QCOMPARE(s->cellText(r, ColumnValue), QStringLiteral("65535"));
        }
        const QStringList seen = openpyxlColumns(file);
        QVERIFY(seen.contains(QStringLiteral("1068 4294967295")));
        QVERIFY(seen.contains(QStringLiteral("9310 65535")));
    }
    // A second export replaces the first file.
    const QString file = dir.filePath(exportFileName(0));
    QVERIFY(sim.command(QStringLiteral("set 9310 240")).startsWith(QLatin1String("ok")));
    QVERIFY(copyFile(templatePath(0), file));
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::Done));
    QVERIFY(openpyxlColumns(file).contains(QStringLiteral("9310 240")));
}

void TestWorkbook::importSkipsRowsItMustNotWrite()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    const QString file = dir.filePath(QStringLiteral("skips.xlsx"));
    // openpyxl writes inline strings; numbers as numbers or text.
    QVERIFY(openpyxlWorkbook(file, QStringLiteral("读写类"),
        QStringLiteral("[['Address','Name','Count','Max','Min',None,'Value'],"
                       "[1064,'in range',2,999999,0,None,1234],"
                       "[1066,'above max',2,999999,0,None,1500000],"
                       "[1068,'negative text',2,999999,0,None,'-5'],"
                       "[1070,'fraction',2,999999,0,None,1.5],"
                       "[1072,'letters',2,999999,0,None,'abc'],"
                       "[1074,'empty',2,999999,0,None,None],"
                       "[1076,'count 12',12,999999,0,None,3],"
                       "[1078,'count 3',3,999999,0,None,3],"
                       "['x','bad address',1,999999,0,None,3],"
                       "[None,'no address',1,999999,0,None,3],"
                       "[8000,'one register',1,247,1,None,'42'],"
                       "[1080,'signed range',2,999999,4293967297,None,4294967291],"
                       "[1082,'below wrapped min',2,999999,4293967297,None,4293967296],"
                       "[9310,'too wide for one register',1,4294967295,0,None,70000]]")));
    const QMap<int, QString> before = deviceRegisters(sim);
    sim.clearRequests();
    ExelToWrite worker;
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Done));
    QCOMPARE(writeLines(sim),
        (QStringList {QStringLiteral("write 1064 2 0 1234"), QStringLiteral("write 8000 1 42"),
            QStringLiteral("write 1080 2 65535 65531")}));
    QCOMPARE(worker.transferredRows(), 3);
    QCOMPARE(sim.command(QStringLiteral("get32 1080")), QStringLiteral("ok -5"));
    // Everything else is as it was.
    const QMap<int, QString> after = deviceRegisters(sim);
    for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
        if (it.key() == 1064 || it.key() == 1065 || it.key() == 8000 || it.key() == 1080 || it.key() == 1081)
            continue;
        QVERIFY2(after.value(it.key()) == it.value(), qPrintable(QString::number(it.key())));
    }
}

void TestWorkbook::headerOnlyWorkbooks()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    const QString file = dir.filePath(QStringLiteral("header.xlsx"));
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName,
        {{QStringLiteral("Address"), QStringLiteral("Name"), QStringLiteral("Count")}}));
    sim.clearRequests();
    ExelToWrite worker;
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Done));
    QVERIFY(sim.requests().isEmpty());
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::Done));
    QVERIFY(sim.requests().isEmpty());
    XlsxWorkbook wb;
    QVERIFY(wb.open(file));
    QCOMPARE(wb.sheet(ParameterSheetName)->cellText(1, ColumnValue), QStringLiteral("Export Value"));
    QCOMPARE(wb.sheet(ParameterSheetName)->rowCount(), 1);

    // A sheet without any cell has no used row.
    const QString empty = dir.filePath(QStringLiteral("empty.xlsx"));
    QVERIFY(XlsxWorkbook::create(empty, ParameterSheetName, {}));
    QCOMPARE(worker.importWorkbook(empty, linkSession().modbusClient), int(ExelToWrite::NoRows));
    QCOMPARE(worker.lastError(), QStringLiteral("error5"));
}

void TestWorkbook::failedTransactionsAreReported()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    QVERIFY(sim.command(QStringLiteral("exception 204 4")).startsWith(QLatin1String("ok")));
    const QString file = dir.filePath(QStringLiteral("failed.xlsx"));
    QVERIFY(copyFile(templatePath(0), file));
    ExelToWrite worker;
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::RowsFailed));
    QCOMPARE(worker.failedRows(), 1);
    QVERIFY(!linkSession().held());
    // The file is saved, with the failure marker in that row only.
    const QStringList seen = openpyxlColumns(file);
    QVERIFY(seen.contains(QStringLiteral("204 88020200")));
    QCOMPARE(seen.filter(QStringLiteral(" 88020200")).size(), 1);

    // Import: a rejected write is counted, the other rows are still written
    // (206 made to differ from the file, so the import writes it).
    QVERIFY(sim.command(QStringLiteral("set32 206 0")).startsWith(QLatin1String("ok")));
    sim.clearRequests();
    const QString small = dir.filePath(QStringLiteral("failedimport.xlsx"));
    QVERIFY(XlsxWorkbook::create(small, ParameterSheetName,
        {{QStringLiteral("h")},
            {qint64(204), QStringLiteral("x"), qint64(2), qint64(99), qint64(0), QString(),
                QStringLiteral("5")},
            {qint64(206), QStringLiteral("y"), qint64(2), qint64(1), qint64(0), QString(),
                QStringLiteral("1")}}));
    QCOMPARE(worker.importWorkbook(small, linkSession().modbusClient), int(ExelToWrite::RowsFailed));
    QCOMPARE(worker.failedRows(), 1);
    QCOMPARE(worker.transferredRows(), 1);
    QVERIFY(sim.requests().contains(QStringLiteral("write 206 2 0 1")));
}

void TestWorkbook::stoppedLinkEndsSilently()
{
    SimulatorProcess sim({QStringLiteral("--latency"), QStringLiteral("2")});
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    const QString file = dir.filePath(QStringLiteral("stopped.xlsx"));
    QVERIFY(copyFile(templatePath(0), file));
    const QByteArray original = fileBytes(file);
    ExelToWrite worker;
    QObject::connect(&worker, &ExelToWrite::rowProcessed, [](int row, int) {
        if (row == 40)
            linkSession().linkSuspended = true;
    });
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::Stopped));
    QCOMPARE(fileBytes(file), original);
    QVERIFY(worker.lastError().isEmpty());

    // Import stops the same way: no write after the stop.
    linkSession().linkSuspended = false;
    QVERIFY(copyFile(templatePath(0), file));
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName,
        {{QStringLiteral("h")},
            {qint64(8000), QStringLiteral("a"), qint64(1), qint64(247), qint64(1), QString(),
                QStringLiteral("5")},
            {qint64(8020), QStringLiteral("b"), qint64(1), qint64(247), qint64(1), QString(),
                QStringLiteral("6")},
            {qint64(8040), QStringLiteral("c"), qint64(1), qint64(127), qint64(1), QString(),
                QStringLiteral("7")}}));
    sim.clearRequests();
    QObject::disconnect(&worker, &ExelToWrite::rowProcessed, nullptr, nullptr);
    QObject::connect(&worker, &ExelToWrite::rowProcessed, [](int row, int) {
        if (row == 3)
            linkSession().linkSuspended = true;
    });
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Stopped));
    QCOMPARE(writeLines(sim), QStringList {QStringLiteral("write 8000 1 5")});

    // The client deleted while a row waits (the link taken down): the run ends, nothing touches it.
    linkSession().linkSuspended = false;
    QVERIFY(copyFile(templatePath(0), file));
    QObject::disconnect(&worker, &ExelToWrite::rowProcessed, nullptr, nullptr);
    QObject::connect(&worker, &ExelToWrite::rowProcessed, [](int row, int) {
        if (row == 20)
            QTimer::singleShot(0, [] {
                delete linkSession().modbusClient;
                linkSession().modbusClient = nullptr;
            });
    });
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::Stopped));
    QCOMPARE(fileBytes(file), original);
}

void TestWorkbook::openFailures()
{
    ExelToWrite worker;
    QCOMPARE(worker.importWorkbook(dir.filePath(QStringLiteral("nothere.xlsx")), nullptr),
        int(ExelToWrite::OpenFailed));
    QCOMPARE(worker.lastError(), QStringLiteral("error1"));
    const QString xls = dir.filePath(QStringLiteral("old.xls"));
    {
        QFile f(xls);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(2048, '\0'));
    }
    QCOMPARE(worker.importWorkbook(xls, nullptr), int(ExelToWrite::OpenFailed));
    QCOMPARE(worker.lastError(), QStringLiteral("error2"));
    QCOMPARE(worker.lastErrorDetail(), QStringLiteral("not an .xlsx workbook: save it as .xlsx"));
    QCOMPARE(worker.exportWorkbook(xls, nullptr, 0), int(ExelToWrite::OpenFailed));
    QCOMPARE(worker.lastError(), QStringLiteral("error2"));
    // An old workbook renamed to .xlsx is known by its content.
    const QString renamed = dir.filePath(QStringLiteral("renamed.xlsx"));
    QVERIFY(QFile::copy(xls, renamed));
    QCOMPARE(worker.importWorkbook(renamed, nullptr), int(ExelToWrite::OpenFailed));
    QCOMPARE(worker.lastErrorDetail(), QStringLiteral("not an .xlsx workbook: save it as .xlsx"));
    const QString other = dir.filePath(QStringLiteral("other.xlsx"));
    QVERIFY(XlsxWorkbook::create(other, QStringLiteral("Sheet1"), {{QStringLiteral("x")}}));
    QCOMPARE(worker.importWorkbook(other, nullptr), int(ExelToWrite::NoParameterSheet));
    QCOMPARE(worker.lastError(), QStringLiteral("error4"));
    QCOMPARE(worker.exportWorkbook(other, nullptr, 0), int(ExelToWrite::NoParameterSheet));
    QVERIFY(!linkSession().held());
}

void TestWorkbook::pageImportShowsErrorThenFailed()
{
    const QString other = dir.filePath(QStringLiteral("nosheet.xlsx"));
    QVERIFY(XlsxWorkbook::create(other, QStringLiteral("Sheet1"), {{QStringLiteral("x")}}));
    TestMaintain page;
    PopupWatcher watcher;
    watcher.fileToChoose = other;
    QMetaObject::invokeMethod(&page, "on_But_Import_clicked");
    QCOMPARE(watcher.seen.size(), 3);
    QVERIFY(watcher.seen.at(0).contains(QStringLiteral("Start Importing!")));
    QVERIFY(watcher.seen.at(1).startsWith(QStringLiteral("error|")));
    // The popup says what is wrong with which file, not a code.
    QVERIFY2(watcher.seen.at(1).contains(QStringLiteral("%1 has no worksheet").arg(other)),
        qPrintable(watcher.seen.at(1)));
    QVERIFY(!watcher.seen.at(1).contains(QStringLiteral("error4")));
    QVERIFY(watcher.seen.at(2).contains(QStringLiteral("Import Failed!")));
    QVERIFY(page.form()->label_importPath->text().isEmpty());
    QVERIFY(page.form()->Import_progressBar->isHidden());
    QVERIFY(page.importIdle);

    // Cancelling the file dialog: no popup, nothing changes.
    watcher.seen.clear();
    watcher.fileToChoose.clear();
    QMetaObject::invokeMethod(&page, "on_But_Import_clicked");
    QVERIFY(watcher.seen.isEmpty());
    QVERIFY(page.importIdle);

    // A good import shows the folder link.
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    const QString good = dir.filePath(QStringLiteral("good.xlsx"));
    QVERIFY(XlsxWorkbook::create(good, ParameterSheetName,
        {{QStringLiteral("h")},
            {qint64(8000), QStringLiteral("a"), qint64(1), qint64(247), qint64(1), QString(),
                QStringLiteral("9")}}));
    watcher.fileToChoose = good;
    QMetaObject::invokeMethod(&page, "on_But_Import_clicked");
    QCOMPARE(watcher.seen.size(), 2);
    QVERIFY(watcher.seen.at(1).contains(QStringLiteral("Import Successful!")));
    QCOMPARE(page.form()->label_importPath->text(),
        QStringLiteral("<a href=\"%1\">Import Path>>>%2</a>").arg(dir.path(), good));
    QCOMPARE(sim.command(QStringLiteral("get 8000")), QStringLiteral("ok 9"));
}

void TestWorkbook::pageExportCreatesFolderAndLink()
{
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Template"))));
    for (int language : {0, 1})
        QVERIFY(QFile::copy(
            templatePath(language), root.filePath(QStringLiteral("Template/")) + templateFileName(language)));
    setDataDirectory(root.path());
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    TestMaintain page;
    const QString exported = root.filePath(QStringLiteral("Export/KTT-Q4_导出文件.xlsx"));
    page.askExportPath = [&exported](const QString &) { return exported; };
    PopupWatcher watcher;
    programContext.language = 1;
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    programContext.language = 0;
    QVERIFY(QFileInfo(exported).isFile());
    QCOMPARE(watcher.seen.size(), 2);
    QVERIFY(watcher.seen.at(0).contains(QStringLiteral("Start Exporting!")));
    QVERIFY(watcher.seen.at(1).contains(QStringLiteral("Export Successful!")));
    QCOMPARE(page.form()->Ex_Path_label->text(),
        QStringLiteral("<a href=\"%1\">Export Path>>>%2</a>")
            .arg(root.filePath(QStringLiteral("Export")), exported));
    QVERIFY(openpyxlColumns(exported).first().endsWith(QStringLiteral("导出数据")));
    QVERIFY(page.exportIdle);
    setDataDirectory(QString());
}

// The export asks where to save: the suggested name carries the device's
// serial number and the time, in the folder of the last workbook (the first
// time the data folder's Export/). Cancel writes nothing; an existing file is
// replaced only when the dialog's question is answered Yes.
void TestWorkbook::pageExportAsksWhereToSave()
{
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Template"))));
    QVERIFY(QFile::copy(templatePath(0), root.filePath(QStringLiteral("Template/")) + templateFileName(0)));
    setDataDirectory(root.path());
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    QCOMPARE(readGroup(59), Ok); // the identity the page shows
    TestMaintain page;
    PopupWatcher watcher;
    watcher.acceptThroughDialog = true;

    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QCOMPARE(watcher.dialogFolder, root.filePath(QStringLiteral("Export")));
    QVERIFY2(QRegularExpression(QStringLiteral("^KTT-Q4_2026120700042-000000001234_\\d{8}-\\d{4}\\.xlsx$"))
                 .match(watcher.suggestedName)
                 .hasMatch(),
        qPrintable(watcher.suggestedName));
    QVERIFY(watcher.seen.isEmpty());
    QVERIFY(QDir(root.filePath(QStringLiteral("Export"))).isEmpty());
    QVERIFY(page.exportIdle);

    // Saved elsewhere: the next dialog starts there.
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("backups"))));
    const QString target = root.filePath(QStringLiteral("backups/first.xlsx"));
    watcher.fileToChoose = target;
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QCOMPARE(watcher.replaceQuestions, 0);
    QVERIFY(watcher.seen.last().contains(QStringLiteral("Export Successful!")));
    const QByteArray first = fileBytes(target);
    QVERIFY(!first.isEmpty());

    const int popups = watcher.seen.size();
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QCOMPARE(watcher.dialogFolder, root.filePath(QStringLiteral("backups")));
    QCOMPARE(watcher.replaceQuestions, 1);
    QCOMPARE(watcher.seen.size(), popups);
    QCOMPARE(fileBytes(target), first);
    QVERIFY(page.exportIdle);

    QVERIFY(sim.command(QStringLiteral("set 8000 33")).startsWith(QLatin1String("ok")));
    watcher.replaceAnswer = QMessageBox::Yes;
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QCOMPARE(watcher.replaceQuestions, 2);
    QVERIFY(watcher.seen.last().contains(QStringLiteral("Export Successful!")));
    QVERIFY(fileBytes(target) != first);
    setDataDirectory(QString());
}

void TestWorkbook::oneRunAtATime()
{
    QTemporaryDir root;
    setDataDirectory(root.path());
    TestMaintain page;
    PopupWatcher watcher;
    watcher.fileToChoose = dir.filePath(QStringLiteral("whatever.xlsx"));
    page.importIdle = false; // an import is running
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QVERIFY(watcher.seen.isEmpty());
    QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("Export"))));
    QVERIFY(page.exportIdle);
    page.importIdle = true;
    page.exportIdle = false; // an export is running
    QMetaObject::invokeMethod(&page, "on_But_Import_clicked");
    QTest::qWait(100);
    QVERIFY(watcher.seen.isEmpty());
    QVERIFY(page.importIdle);
    page.exportIdle = true;
    setDataDirectory(QString());
}

// LibreOffice as an independent producer (shared strings) and consumer of workbooks.
void TestWorkbook::libreOfficeRoundTrip()
{
    Q4_REQUIRE_TOOL("libreoffice");
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    QVERIFY(sim.command(QStringLiteral("set32 1064 -42")).startsWith(QLatin1String("ok")));
    const QString file = dir.filePath(QStringLiteral("forlo.xlsx"));
    QVERIFY(copyFile(templatePath(0), file));
    ExelToWrite worker;
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::Done));

    auto convert = [&](const QString &filter, const QString &input, const QString &outDir) {
        QProcess p;
        p.start(office,
            {QStringLiteral("--headless"),
                QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("lo-profile")),
                QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), outDir, input});
        return p.waitForFinished(180000) && p.exitCode() == 0;
    };
    // LibreOffice reads our file and writes it again with shared strings.
    const QString loDir = dir.filePath(QStringLiteral("lo"));
    QVERIFY(convert(QStringLiteral("xlsx"), file, loDir));
    const QString loFile = loDir + QStringLiteral("/forlo.xlsx");
    QVERIFY(QFileInfo(loFile).isFile());

    QVERIFY(sim.command(QStringLiteral("set32 1064 9")).startsWith(QLatin1String("ok")));
    QCOMPARE(worker.importWorkbook(loFile, linkSession().modbusClient), int(ExelToWrite::Done));
    QCOMPARE(sim.command(QStringLiteral("get32 1064")), QStringLiteral("ok -42"));

    // An export into LibreOffice's file, read back by LibreOffice.
    QVERIFY(sim.command(QStringLiteral("set 8000 33")).startsWith(QLatin1String("ok")));
    QCOMPARE(worker.exportWorkbook(loFile, linkSession().modbusClient, 1), int(ExelToWrite::Done));
    const QString csvDir = dir.filePath(QStringLiteral("csv"));
    QVERIFY(convert(
        QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1"),
        loFile, csvDir));
    QFile csv(csvDir + QStringLiteral("/forlo-") + ParameterSheetName + QStringLiteral(".csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines.first().endsWith(QStringLiteral(",导出数据")));
    QVERIFY(!lines.filter(QRegularExpression(QStringLiteral("^8000,.*,33\\r?$"))).isEmpty());
    QVERIFY(!lines.filter(QRegularExpression(QStringLiteral("^1064,.*,4294967254\\r?$"))).isEmpty());
}

// A row whose minimum or maximum pattern is at or above 2^31 is a signed range;
// any row whose minimum lies above its maximum is not imported at all.
void TestWorkbook::signedRowLimits()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    const QString file = dir.filePath(QStringLiteral("signed.xlsx"));
    QVERIFY(openpyxlWorkbook(file, QStringLiteral("读写类"),
        QStringLiteral("[['Address','Name','Count','Max','Min',None,'Value'],"
                       "[1064,'min above max',2,0,200,None,500],"
                       "[1066,'signed text',2,999999,4293967297,None,'-100'],"
                       "[1080,'exported pattern',2,999999,4293967297,None,4294967196],"
                       "[1082,'below signed min',2,999999,4293967297,None,'-1000001'],"
                       "[1096,'limits as signed text',2,'999999','-999999',None,'-5'],"
                       "[1098,'signed decimal',2,999999,4293967297,None,'-1.5'],"
                       "[8000,'negative one-register',1,99,0,None,'-1']]")));
    sim.clearRequests();
    ExelToWrite worker;
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Done));
    QCOMPARE(writeLines(sim),
        (QStringList {QStringLiteral("write 1066 2 65535 65436"), QStringLiteral("write 1080 2 65535 65436"),
            QStringLiteral("write 1096 2 65535 65531")}));
    QCOMPARE(worker.transferredRows(), 3);
    QCOMPARE(worker.skippedRows(), 4);
    QCOMPARE(sim.command(QStringLiteral("get32 1066")), QStringLiteral("ok -100"));
}

// Refused rows: the popup gives the counts and the failed addresses with one
// button and shows the folder link; in Chinese as well.
void TestWorkbook::pageReportsPartialResults()
{
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Template"))));
    QVERIFY(QFile::copy(templatePath(0), root.filePath(QStringLiteral("Template/")) + templateFileName(0)));
    setDataDirectory(root.path());
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    QVERIFY(sim.command(QStringLiteral("exception 204 4")).startsWith(QLatin1String("ok")));
    // 206 differs from the file, so the import writes it.
    QVERIFY(sim.command(QStringLiteral("set32 206 0")).startsWith(QLatin1String("ok")));
    const QString small = dir.filePath(QStringLiteral("partial.xlsx"));
    QVERIFY(XlsxWorkbook::create(small, ParameterSheetName,
        {{QStringLiteral("h")},
            {qint64(204), QStringLiteral("x"), qint64(2), qint64(99), qint64(0), QString(),
                QStringLiteral("5")},
            {qint64(206), QStringLiteral("y"), qint64(2), qint64(1), qint64(0), QString(),
                QStringLiteral("1")}}));
    TestMaintain page;
    const QString exported = root.filePath(QStringLiteral("Export/")) + exportFileName(0);
    page.askExportPath = [&exported](const QString &) { return exported; };
    PopupWatcher watcher;
    watcher.fileToChoose = small;
    QMetaObject::invokeMethod(&page, "on_But_Import_clicked");
    // Only workbooks that can be read are offered.
    QCOMPARE(watcher.nameFilters,
        (QStringList {QStringLiteral("Excel Files (*.xlsx)"), QStringLiteral("All Files (*)")}));
    QCOMPARE(watcher.seen.size(), 2);
    QVERIFY2(watcher.seen.at(1).contains(QStringLiteral(
                 "Import finished. Rows written: 1, failed: 1 (first failed addresses: 204).")),
        qPrintable(watcher.seen.at(1)));
    QCOMPARE(watcher.buttons.at(1), 1);
    QCOMPARE(page.form()->label_importPath->text(),
        QStringLiteral("<a href=\"%1\">Import Path>>>%2</a>").arg(dir.path(), small));

    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QCOMPARE(watcher.seen.size(), 4);
    QVERIFY2(watcher.seen.at(3).contains(QStringLiteral(
                 "Export finished. Rows that could not be read: 1 (marked 88020200 in the file).")),
        qPrintable(watcher.seen.at(3)));
    QCOMPARE(watcher.buttons.at(3), 1);
    QVERIFY(page.form()->Ex_Path_label->text().contains(exported));
    QVERIFY(openpyxlColumns(exported).contains(QStringLiteral("204 88020200")));

    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/Translate/Language_CN.qm")));
    QVERIFY(sim.command(QStringLiteral("set32 206 0")).startsWith(QLatin1String("ok")));
    QCoreApplication::installTranslator(&chinese);
    QMetaObject::invokeMethod(&page, "on_But_Import_clicked");
    QCoreApplication::removeTranslator(&chinese);
    QCOMPARE(watcher.seen.size(), 6);
    QVERIFY2(watcher.seen.at(5).contains(
                 QStringLiteral("导入完成。已写入行数：1，失败：1（首批失败地址：204）。")),
        qPrintable(watcher.seen.at(5)));
    setDataDirectory(QString());
}

// The previous export file stays byte for byte unless a complete new one replaces it,
// and no temporary file is left beside it.
void TestWorkbook::exportKeepsPreviousFileUnlessComplete()
{
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Template"))));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Export"))));
    QVERIFY(QFile::copy(templatePath(0), root.filePath(QStringLiteral("Template/")) + templateFileName(0)));
    setDataDirectory(root.path());
    const QString target = root.filePath(QStringLiteral("Export/")) + exportFileName(0);
    const QByteArray previous("the previous backup");
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(previous);
    }
    auto exportFolder = [&] {
        return QDir(root.filePath(QStringLiteral("Export")))
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    TestMaintain page;
    page.askExportPath = [&target](const QString &) { return target; };
    page.excelWorker = new ExelToWrite(&page);
    PopupWatcher watcher;

    // No link at all.
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QVERIFY(watcher.seen.last().contains(QStringLiteral("Export Failed!")));
    QCOMPARE(fileBytes(target), previous);
    QCOMPARE(exportFolder(), QStringList {exportFileName(0)});

    // The link goes away during the run.
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    QObject::connect(page.excelWorker, &ExelToWrite::rowProcessed, [&sim](int row, int) {
        if (row == 40)
            sim.command(QStringLiteral("drop"));
    });
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QVERIFY(watcher.seen.last().contains(QStringLiteral("Export Failed!")));
    QVERIFY(page.form()->Ex_Path_label->text().isEmpty());
    QCOMPARE(fileBytes(target), previous);
    QCOMPARE(exportFolder(), QStringList {exportFileName(0)});

    // A complete run replaces it.
    QObject::disconnect(page.excelWorker, &ExelToWrite::rowProcessed, nullptr, nullptr);
    disconnectTestClient();
    QVERIFY(connectTestClient(sim));
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QVERIFY(watcher.seen.last().contains(QStringLiteral("Export Successful!")));
    QCOMPARE(openpyxlColumns(target).value(0), QStringLiteral("Address Export Value"));
    QCOMPARE(exportFolder(), QStringList {exportFileName(0)});
    setDataDirectory(QString());
}

// The window keeps its event loop while a big workbook is read, and Cancel ends
// a run between rows: an import says how much it wrote, an export leaves the
// previous file alone.
void TestWorkbook::pageRunKeepsEventLoopAndCancels()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    const QString big = dir.filePath(QStringLiteral("big.xlsx"));
    {
        QVector<QVector<QVariant>> rows;
        rows.reserve(100000);
        rows.append({QStringLiteral("Address"), QStringLiteral("Name"), QStringLiteral("Count"),
            QStringLiteral("Max"), QStringLiteral("Min"), QString(), QStringLiteral("Value")});
        while (rows.size() < 100000)
            rows.append({qint64(8000), QStringLiteral("COM1 ID"), qint64(1), qint64(99), qint64(0), QString(),
                QStringLiteral("7")});
        QVERIFY(XlsxWorkbook::create(big, ParameterSheetName, rows));
    }
    TestMaintain page;
    page.excelWorker = new ExelToWrite(&page);
    PopupWatcher watcher;
    watcher.fileToChoose = big;
    int ticks = 0;
    int ticksWhileOpening = -1;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start();
    // The run opens the workbook as soon as the "Start Importing!" note is gone.
    watcher.onPopupGone = [&] {
        if (watcher.seen.size() == 1)
            ticks = 0;
    };
    QObject::connect(
        page.excelWorker, &ExelToWrite::ShowMaxnRowssignal, [&](int) { ticksWhileOpening = ticks; });
    bool cancelShown = false;
    QPushButton *importCancel = page.form()->Btn_ImportCancel;
    QObject::connect(page.excelWorker, &ExelToWrite::rowProcessed, [&](int row, int) {
        if (row == 60) {
            cancelShown = !importCancel->isHidden();
            QTimer::singleShot(0, importCancel, &QPushButton::click);
        }
    });
    sim.clearRequests();
    QMetaObject::invokeMethod(&page, "on_But_Import_clicked");
    watcher.onPopupGone = nullptr;
    qDebug() << "timer ticks while the workbook was read:" << ticksWhileOpening;
    QVERIFY2(ticksWhileOpening >= 3, qPrintable(QString::number(ticksWhileOpening)));
    QVERIFY(cancelShown);
    QVERIFY(importCancel->isHidden());
    const int written = writeLines(sim).size();
    QVERIFY2(written >= 58 && written < 1000, qPrintable(QString::number(written)));
    QCOMPARE(watcher.seen.size(), 2);
    QVERIFY2(watcher.seen.last().contains(
                 QStringLiteral("Import cancelled. Rows written before it stopped: %1.").arg(written)),
        qPrintable(watcher.seen.last()));
    QCOMPARE(watcher.buttons.last(), 1);
    QVERIFY(page.importIdle && !linkSession().held());

    // Export: cancelled at row 40, the previous file is untouched.
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Template"))));
    QVERIFY(QFile::copy(templatePath(0), root.filePath(QStringLiteral("Template/")) + templateFileName(0)));
    setDataDirectory(root.path());
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Export"))));
    const QString target = root.filePath(QStringLiteral("Export/")) + exportFileName(0);
    QVERIFY(copyFile(big, target));
    const QByteArray previous = fileBytes(target);
    page.askExportPath = [&target](const QString &) { return target; };
    QPushButton *exportCancel = page.form()->Btn_ExportCancel;
    QObject::disconnect(page.excelWorker, &ExelToWrite::rowProcessed, nullptr, nullptr);
    QObject::connect(page.excelWorker, &ExelToWrite::rowProcessed, [&](int row, int) {
        if (row == 40) {
            cancelShown = !exportCancel->isHidden();
            QTimer::singleShot(0, exportCancel, &QPushButton::click);
        }
    });
    cancelShown = false;
    QMetaObject::invokeMethod(&page, "on_Btu_Export_clicked");
    QVERIFY(cancelShown);
    QVERIFY(exportCancel->isHidden());
    QVERIFY2(
        watcher.seen.last().contains(QStringLiteral("Export cancelled. The export file was left as it was.")),
        qPrintable(watcher.seen.last()));
    QCOMPARE(fileBytes(target), previous);
    QCOMPARE(QDir(root.filePath(QStringLiteral("Export"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QVERIFY(page.exportIdle && !linkSession().held());
    setDataDirectory(QString());
}

// A slow device and the window's poll timer firing every few ms: no poll
// request comes between a commit's read and its write, nor anywhere in an
// import, which writes back every row it must; the poll goes on after both.
void TestWorkbook::pollStaysOffWhileCommitOrImportWaits()
{
    QTemporaryDir dataDir;
    setDataDirectory(dataDir.path());
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    MainWindow window(linkSession());
    // The first request of a tick marks the poll in the request log.
    sim.clearRequests();
    window.pollTick();
    QVERIFY(!sim.requests().isEmpty());
    const QString pollMark = sim.requests().first();

    const QString file = dir.filePath(QStringLiteral("heldpoll.xlsx"));
    QVERIFY(copyFile(templatePath(0), file));
    ExelToWrite worker;
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::Done));
    const QString exported214 = sim.command(QStringLiteral("get32 214"));
    QVERIFY(sim.command(QStringLiteral("set32 214 3")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("set 8000 5")).startsWith(QLatin1String("ok")));

    QVERIFY(sim.command(QStringLiteral("latency 20")).startsWith(QLatin1String("ok")));
    window.pollTimerObject()->start(5);
    QTRY_VERIFY(sim.requests().contains(pollMark));

    PageState &pages = window.pageState();
    pages.currentPage = PageBasic;
    pages.applicationSubTable = 16;
    pages.selectedChannel = 0;
    pages.ethernetSlot = 0;
    QLineEdit edit;
    edit.setObjectName(QStringLiteral("EditSTABRange"));
    edit.setText(QStringLiteral("9"));
    const QString editBackup = QStringLiteral("0");
    sim.clearRequests();
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), editBackup), 0);
    QStringList log = sim.requests();
    const int read = log.indexOf(QStringLiteral("read-hr 214 2"));
    QVERIFY2(
        read >= 0 && log.value(read + 1) == QStringLiteral("write 214 2 0 9"), qPrintable(log.join('|')));
    QTRY_VERIFY(sim.requests().contains(pollMark));

    sim.clearRequests();
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Done));
    log = sim.requests();
    QVERIFY2(!log.contains(pollMark), qPrintable(log.join('|')));
    QVERIFY(worker.transferredRows() >= 2);
    QCOMPARE(sim.command(QStringLiteral("get32 214")), exported214);
    QVERIFY(!linkSession().held());
    QTRY_VERIFY(sim.requests().contains(pollMark));
    window.pollTimerObject()->stop();
}

QTEST_MAIN(TestWorkbook)
#include "tst_workbook.moc"
