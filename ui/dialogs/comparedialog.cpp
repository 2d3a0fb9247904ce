#include "ui/dialogs/comparedialog.h"

#include "ui_comparedialog.h"
#include "workbook/exceltowrite.h"

#include <QHeaderView>
#include <QTableWidgetItem>

CompareDialog::CompareDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::CompareDialog)
{
    ui->setupUi(this);
    ui->tableDifferences->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->tableDifferences->horizontalHeader()->setStretchLastSection(true);
}

CompareDialog::~CompareDialog() { delete ui; }

void CompareDialog::setDifferences(const QString &path, const QVector<RowDifference> &rows, int unchanged)
{
    ui->label_compareFile->setText(path);
    ui->label_compareSummary->setText(
        tr("%1 rows differ from the device, %2 rows are the same.").arg(rows.size()).arg(unchanged));
    ui->tableDifferences->setRowCount(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const RowDifference &d = rows.at(i);
        const QString cells[5] = {QString::number(d.address), QString::number(d.count),
            d.deviceRead ? QString::number(d.device) : tr("unreadable"), QString::number(d.file), d.name};
        for (int c = 0; c < 5; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c < 4)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            ui->tableDifferences->setItem(i, c, item);
        }
    }
    // Nothing to write: only Close is offered.
    ui->Btn_CompareImport->setEnabled(!rows.isEmpty());
}

void CompareDialog::setVersion(const QString &version, const QVector<RowDifference> &rows, int unchanged)
{
    setDifferences(version, rows, unchanged);
    ui->tableDifferences->horizontalHeaderItem(3)->setText(tr("Version"));
    ui->Btn_CompareImport->setText(tr("Restore"));
    setWindowTitle(tr("Restore a Version"));
}

void CompareDialog::on_Btn_CompareImport_clicked() { accept(); }

void CompareDialog::on_Btn_CompareClose_clicked() { reject(); }
