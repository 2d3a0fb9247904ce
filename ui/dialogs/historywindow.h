#pragma once

#include <QDialog>
#include <QString>
#include <QVector>

#include "workbook/historystore.h"

class QSortFilterProxyModel;
class QStandardItemModel;

namespace Ui {
class HistoryWindow;
}

// The configuration history of one device (historystore.h): its versions,
// newest first; the rows changed by one chosen version, or between two chosen
// versions, by name; the writes made to it (its audit lines, newest first)
// with a text filter over every column; Restore of the chosen version (the
// page compares it with the device first: restoreRequested); and the folder of
// the history (the saved setting; fixed while --history-dir names one).
class HistoryWindow : public QDialog
{
    Q_OBJECT

public:
    // folder: the store; fixed: it comes from the command line and cannot be changed here.
    HistoryWindow(const QString &folder, bool fixed, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    Ui::HistoryWindow *form() const { return ui; }
    QString folder() const { return storeFolder; }
    QString serial() const { return deviceSerial; }

    // Shows the device's history (an empty serial: no device; problem says why).
    void showDevice(const QString &serial, const QString &problem = QString());
    // Reads the store again.
    void reload();
    // The versions shown, newest first.
    const QVector<HistoryVersion> &versions() const { return shownVersions; }

signals:
    // Restore of a version of the device was asked for (full commit id).
    void restoreRequested(const QString &serial, const QString &versionId);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_Btn_HistoryRestore_clicked();
    void on_Btn_HistoryRefresh_clicked();
    void on_Btn_HistoryClose_clicked();
    void on_Btn_HistoryFolder_clicked();
    void on_Btn_HistoryFolderDefault_clicked();
    void on_lineEditAuditFilter_textChanged(const QString &text);

private:
    void showVersions();
    void showAudit();
    void showChanges();
    void setFolder(const QString &folder);
    // The chosen versions' rows in the list, ascending.
    QVector<int> chosenRows() const;

    Ui::HistoryWindow *ui;
    QStandardItemModel *auditModel = nullptr;
    QSortFilterProxyModel *auditFilter = nullptr;
    QString storeFolder;
    bool folderFixed = false;
    QString deviceSerial;
    QString deviceProblem;
    QVector<HistoryVersion> shownVersions;
};
