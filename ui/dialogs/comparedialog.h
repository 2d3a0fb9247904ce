#pragma once

#include <QDialog>
#include <QString>
#include <QVector>

struct RowDifference;

namespace Ui {
class CompareDialog;
}

// The rows of a workbook whose value differs from the device, before anything
// is written: address, count, device value, file value and parameter name.
// "Import" accepts the dialog (the caller then imports the workbook), "Close"
// rejects it. A version of the configuration history is shown the same way.
class CompareDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CompareDialog(QWidget *parent = nullptr);
    ~CompareDialog() override;

    // Fills the table; unchanged is the count of valid rows the device already holds.
    void setDifferences(const QString &path, const QVector<RowDifference> &rows, int unchanged);
    // The same for a version of the configuration history (named version):
    // its column is "Version" and "Restore" accepts the dialog.
    void setVersion(const QString &version, const QVector<RowDifference> &rows, int unchanged);

    Ui::CompareDialog *form() const { return ui; }

private slots:
    void on_Btn_CompareImport_clicked();
    void on_Btn_CompareClose_clicked();

private:
    Ui::CompareDialog *ui;
};
