#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class InputDialog;
}

// The small modal text prompt (the reset password). The entry is not masked.
class InputDialog : public QDialog
{
    Q_OBJECT

public:
    explicit InputDialog(QWidget *parent = nullptr);
    ~InputDialog() override;

    void setTitle(const QString &text);
    bool isAccepted() const { return accepted; }
    // Null until confirmed; then the entry's text as it was at that moment.
    QString text() const { return enteredText; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_ok_clicked();
    void on_pushButton_cancel_clicked();

private:
    void confirm();

    Ui::InputDialog *ui;
    bool accepted = false;
    QString enteredText;
};
