#pragma once

#include <QDialog>
#include <QRect>
#include <QString>

namespace Ui {
class TipsDialog;
}

// The common modal popup: a frameless window with its own title bar, an
// optional status icon, the message and up to two buttons.
class TipsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TipsDialog(QWidget *parent = nullptr);
    ~TipsDialog() override;

    void setTitle(const QString &text);
    void setMessage(const QString &text);
    void setIconImage(const QString &resourcePath);
    void hideIcon();
    // 0 keeps only Confirm, 1 keeps only Cancel, anything else hides both.
    void setButtonMode(int mode);
    // Text of the confirm button ("Confirm" by the form).
    void setConfirmText(const QString &text);
    // stayOpen 0: the popup closes itself one second later.
    void armAutoClose(int stayOpen);
    // Widens (and if need be heightens) the popup so that a long message is not
    // clipped; a message that fits keeps the form's size.
    void fitMessage();

    bool isConfirmed() const { return confirmed; }
    QString title() const { return titleText; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_ok_clicked();
    void on_pushButton_cancel_clicked();

private:
    Ui::TipsDialog *ui;
    bool confirmed = false;
    QString titleText;
    // Geometry this popup last saw when it re-centred itself.
    QRect lastCentredGeometry;
};
