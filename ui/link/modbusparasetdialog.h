#pragma once

#include "link/linkparameters.h"

#include <QDialog>

namespace Ui {
class ModbusParaSetDialog;
}

// The link parameter dialog of the main window's "Setting" button: changes the
// link parameters and reconnects without going back to the connection page.
class ModbusParaSetDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ModbusParaSetDialog(QWidget *parent = nullptr);
    ~ModbusParaSetDialog() override;

    void setParameters(const LinkParameters &parameters);
    LinkParameters parameters() const { return link; }
    // True once the dialog was closed with OK.
    bool accepted() const { return isAccepted; }

public slots:
    void on_comboBox_Protocol_textActivated(const QString &protocol);
    void on_pushButton_OK_clicked();
    void on_pushButton_close_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lineEditFinished();

    Ui::ModbusParaSetDialog *ui;
    // Text of the last focused line edit or spin box, taken when it gains
    // focus; an edit left empty gets it back.
    QString focusBackup;
    LinkParameters link;
    bool isAccepted = false;
    QWidget *focusedWidget = nullptr;
};
