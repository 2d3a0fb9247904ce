// Workbook import and export of the test and maintenance page.

#include "pages/testmaintain.h"

#include "app/appstate.h"
#include "dialogs/popups.h"
#include "link/linkstate.h"
#include "ui_testmaintain.h"
#include "workbook/exceltowrite.h"
#include "workbook/parameterworkbook.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProgressBar>

namespace {

void prepareBar(QProgressBar *bar)
{
    bar->setFormat(QStringLiteral("%p%"));
    bar->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    bar->setStyleSheet(QStringLiteral("QProgressBar{ color: orange;}"));
}

// The lines the log has always shown when a run starts its workbook handling.
void logWorkbookStart()
{
    qDebug().noquote() << "启动excel... ";
    qDebug().noquote() << "设置界面不可见...";
    qDebug().noquote() << "设置不报警...";
    qDebug().noquote() << "正在获取工作簿...";
    qDebug().noquote() << "获取工作簿完成...";
    qDebug().noquote() << "Succ GET-----------";
}

QString folderLink(const QString &path, const QString &caption)
{
    const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')));
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(folder, caption + path);
}

QString popupText(const char *text) { return QCoreApplication::translate("QObject", text); }

} // namespace

void TestMaintain::on_But_Import_clicked()
{
    if (!importIdle)
        return;
    if (!exportIdle) {
        // One workbook run at a time: the export's row loop is still going.
        qDebug().noquote() << "export running, import refused";
        return;
    }
    importIdle = false;
    if (!excelWorker)
        excelWorker = new ExelToWrite(this);

    const QString path = QFileDialog::getOpenFileName(nullptr, tr("Select File"), QString(),
        tr("Excel Files (*.xlsx *.xls)") + QStringLiteral(";;") + tr("All Files (*)"));
    if (path.isEmpty()) {
        qDebug().noquote() << "未选择文件";
        importIdle = true;
        return;
    }
    qDebug().noquote() << "选中的文件路径：" << path;

    prepareBar(ui->Import_progressBar);
    ui->Import_label->show();
    ui->Import_progressBar->show();
    excelWorker->importBar = ui->Import_progressBar;
    ui->label_importPath->clear();

    logWorkbookStart();
    showTipsDialog(tr("Tip"), popupText("Start Importing!"), 0);
    const int result = excelWorker->importWorkbook(path, modbusClient);

    if (result < 0) {
        showTipsDialog(tr("Tip"), popupText("Import Failed!"), 1);
    } else if (result != ExelToWrite::Stopped) {
        ui->label_importPath->setText(folderLink(path, tr("Import Path>>>")));
        showTipsDialog(tr("Tip"), popupText("Import Successful!"), 1);
    }
    ui->Import_label->hide();
    ui->Import_progressBar->hide();
    importIdle = true;
}

void TestMaintain::on_Btu_Export_clicked()
{
    if (!exportIdle)
        return;
    if (!importIdle) {
        qDebug().noquote() << "import running, export refused";
        return;
    }
    exportIdle = false;
    if (!excelWorker)
        excelWorker = new ExelToWrite(this);

    const int exportLanguage = interfaceLanguage;
    const QString fileName = templateDirectory() + QLatin1Char('/') + templateFileName(exportLanguage);
    const QString newFileName = exportDirectory() + QLatin1Char('/') + exportFileName(exportLanguage);
    qDebug().noquote() << "filename------" << fileName;
    qDebug().noquote() << "NewFileName------" << newFileName;

    // The export folder may not exist yet on a fresh installation.
    QDir().mkpath(exportDirectory());
    if (QFile::exists(newFileName)) {
        QFile::remove(newFileName);
        QFile::copy(fileName, newFileName);
    } else {
        const bool copied = QFile::copy(fileName, newFileName);
        qDebug().noquote() << "结果：" << (copied ? "true" : "false");
    }
    // A copy keeps the template's read-only flag on some systems; the export writes it.
    QFile::setPermissions(newFileName, QFile::permissions(newFileName) | QFileDevice::WriteOwner);

    prepareBar(ui->Export_progressBar);
    ui->Export_label->show();
    ui->Export_progressBar->show();
    excelWorker->exportBar = ui->Export_progressBar;
    ui->Ex_Path_label->clear();

    logWorkbookStart();
    showTipsDialog(tr("Tip"), popupText("Start Exporting!"), 0);
    const int result = excelWorker->exportWorkbook(newFileName, modbusClient, exportLanguage);

    if (result == ExelToWrite::RowsFailed) {
        // The file was written, with the failure marker in the rows the device did not answer.
        ui->Ex_Path_label->setText(folderLink(newFileName, tr("Export Path>>>")));
        showTipsDialog(tr("Tip"), popupText("Export Failed!"), 1);
    } else if (result < 0) {
        showTipsDialog(tr("Tip"), popupText("Export Failed!"), 1);
    } else if (result != ExelToWrite::Stopped) {
        ui->Ex_Path_label->setText(folderLink(newFileName, tr("Export Path>>>")));
        showTipsDialog(tr("Tip"), popupText("Export Successful!"), 1);
    }
    ui->Export_label->hide();
    ui->Export_progressBar->hide();
    exportIdle = true;
}
