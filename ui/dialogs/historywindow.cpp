#include "ui/dialogs/historywindow.h"

#include "ui/dialogs/inputguard.h"
#include "ui_historywindow.h"
#include "workbook/historyrecorder.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableWidgetItem>

namespace {

QString timeText(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QTableWidgetItem *cell(const QString &text, bool number = false)
{
    auto *item = new QTableWidgetItem(text);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

void fitColumns(QHeaderView *header)
{
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
}

} // namespace

HistoryWindow::HistoryWindow(const QString &folder, bool fixed, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::HistoryWindow)
    , storeFolder(folder)
    , folderFixed(fixed)
{
    ui->setupUi(this);
    installInputGuard(this);
    auditModel = new QStandardItemModel(this);
    auditFilter = new QSortFilterProxyModel(this);
    auditFilter->setSourceModel(auditModel);
    // The filter looks at every column.
    auditFilter->setFilterKeyColumn(-1);
    auditFilter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    ui->tableAudit->setModel(auditFilter);
    fitColumns(ui->tableHistory->horizontalHeader());
    fitColumns(ui->tableHistoryChanges->horizontalHeader());
    fitColumns(ui->tableAudit->horizontalHeader());
    // Return on a button presses it; elsewhere (the lists, the filter) it
    // reads the store again, which changes nothing.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(true);
    ui->Btn_HistoryRefresh->setDefault(true);
    ui->Btn_HistoryFolder->setEnabled(!fixed);
    ui->Btn_HistoryFolderDefault->setEnabled(!fixed);
    if (fixed)
        ui->lineEditHistoryFolder->setToolTip(tr("Given with --history-dir"));
    connect(ui->tableHistory, &QTableWidget::itemSelectionChanged, this, [this] {
        showChanges();
        ui->Btn_HistoryRestore->setEnabled(chosenRows().size() == 1);
    });
    ui->lineEditHistoryFolder->setText(QDir::toNativeSeparators(storeFolder));
    ui->Btn_HistoryRestore->setEnabled(false);
    ui->tableHistory->setFocus();
}

HistoryWindow::~HistoryWindow() { delete ui; }

void HistoryWindow::showDevice(const QString &serial, const QString &problem)
{
    deviceSerial = serial;
    deviceProblem = problem;
    ui->label_historySerial->setText(serial.isEmpty() ? tr("no device") : serial);
    reload();
}

void HistoryWindow::reload()
{
    ui->lineEditHistoryFolder->setText(QDir::toNativeSeparators(storeFolder));
    ui->label_historyStatus->setText(deviceProblem);
    showVersions();
    showAudit();
    showChanges();
}

void HistoryWindow::showVersions()
{
    shownVersions.clear();
    ui->tableHistory->setRowCount(0);
    if (deviceSerial.isEmpty())
        return;
    const HistoryStore store(storeFolder);
    QString error;
    QString stored;
    if (!store.findDevice(deviceSerial, &stored, &error) || !store.versions(stored, &shownVersions, &error)) {
        shownVersions.clear();
        ui->label_historyStatus->setText(tr("No versions of this device yet (%1).").arg(error));
        return;
    }
    deviceSerial = stored;
    ui->tableHistory->setRowCount(shownVersions.size());
    for (int i = 0; i < shownVersions.size(); ++i) {
        const HistoryVersion &v = shownVersions.at(i);
        ui->tableHistory->setItem(i, 0, cell(v.shortId()));
        ui->tableHistory->setItem(i, 1, cell(timeText(v.time)));
        ui->tableHistory->setItem(i, 2, cell(v.author));
        ui->tableHistory->setItem(i, 3, cell(v.message));
    }
    if (!shownVersions.isEmpty())
        ui->tableHistory->selectRow(0);
}

void HistoryWindow::showAudit()
{
    auditModel->clear();
    auditModel->setHorizontalHeaderLabels({tr("Time"), tr("User"), tr("Source"), tr("Address"),
        tr("Parameter"), tr("Old"), tr("New"), tr("Result")});
    QVector<HistoryAuditEntry> entries;
    QString error;
    if (deviceSerial.isEmpty() || !HistoryStore(storeFolder).auditEntries(deviceSerial, &entries, &error))
        return;
    // Newest first, as the versions.
    for (int i = entries.size() - 1; i >= 0; --i) {
        const HistoryAuditEntry &e = entries.at(i);
        QList<QStandardItem *> row;
        for (const QString &text : {timeText(e.time), e.user, e.source, QString::number(e.address), e.name,
                 e.oldValue, e.newValue, e.result})
            row << new QStandardItem(text);
        auditModel->appendRow(row);
    }
}

QVector<int> HistoryWindow::chosenRows() const
{
    QVector<int> rows;
    for (const QModelIndex &index : ui->tableHistory->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void HistoryWindow::showChanges()
{
    ui->tableHistoryChanges->setRowCount(0);
    const QVector<int> rows = chosenRows();
    if (rows.isEmpty() || shownVersions.isEmpty()) {
        ui->label_historyChanges->setText(
            tr("Choose a version to see what it changed, or two to compare them."));
        return;
    }
    // One version: what it changed against the one before it; two: from the older to the newer.
    const HistoryVersion &newer = shownVersions.at(rows.first());
    const int olderRow = rows.size() > 1 ? rows.last() : rows.first() + 1;
    const HistoryStore store(storeFolder);
    QVector<HistoryChange> changes;
    QString error;
    bool ok = false;
    if (olderRow < shownVersions.size()) {
        const HistoryVersion &older = shownVersions.at(olderRow);
        ok = store.diff(deviceSerial, older.id, newer.id, &changes, &error);
        ui->label_historyChanges->setText(tr("Rows changed from version %1 to version %2: %3")
                                              .arg(older.shortId(), newer.shortId())
                                              .arg(changes.size()));
    } else {
        QVector<HistoryRow> first;
        ok = store.parametersAt(deviceSerial, newer.id, &first, &error);
        changes = HistoryCsv::compare({}, first);
        ui->label_historyChanges->setText(
            tr("The first version %1 of this device: %2 rows").arg(newer.shortId()).arg(changes.size()));
    }
    if (!ok) {
        ui->label_historyChanges->setText(error);
        return;
    }
    ui->tableHistoryChanges->setRowCount(changes.size());
    for (int i = 0; i < changes.size(); ++i) {
        const HistoryChange &c = changes.at(i);
        const QString none = QStringLiteral("-");
        ui->tableHistoryChanges->setItem(i, 0, cell(QString::number(c.address), true));
        ui->tableHistoryChanges->setItem(i, 1, cell(c.name));
        ui->tableHistoryChanges->setItem(
            i, 2, cell(c.kind == HistoryChange::Added ? none : c.oldValue, true));
        ui->tableHistoryChanges->setItem(
            i, 3, cell(c.kind == HistoryChange::Removed ? none : c.newValue, true));
    }
}

void HistoryWindow::setFolder(const QString &folder)
{
    storeFolder = folder;
    reload();
}

void HistoryWindow::on_Btn_HistoryRestore_clicked()
{
    const QVector<int> rows = chosenRows();
    if (rows.size() == 1 && !deviceSerial.isEmpty())
        emit restoreRequested(deviceSerial, shownVersions.at(rows.first()).id);
}

void HistoryWindow::on_Btn_HistoryRefresh_clicked() { reload(); }

void HistoryWindow::on_Btn_HistoryClose_clicked() { accept(); }

void HistoryWindow::on_Btn_HistoryFolder_clicked()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("History Folder"), storeFolder);
    if (chosen.isEmpty())
        return;
    if (!saveHistoryFolder(chosen)) {
        ui->label_historyStatus->setText(tr("The history folder could not be saved in the settings."));
        return;
    }
    setFolder(historyFolderFor(QString()));
}

void HistoryWindow::on_Btn_HistoryFolderDefault_clicked()
{
    if (!saveHistoryFolder(QString())) {
        ui->label_historyStatus->setText(tr("The history folder could not be saved in the settings."));
        return;
    }
    setFolder(historyFolderFor(QString()));
}

void HistoryWindow::on_lineEditAuditFilter_textChanged(const QString &text)
{
    auditFilter->setFilterFixedString(text);
}

void HistoryWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        reload();
    }
    QDialog::changeEvent(event);
}
