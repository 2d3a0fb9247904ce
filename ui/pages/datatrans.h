#pragma once

#include "link/linkparameters.h"
#include "ui/pages/parampage.h"

#include <QVector>

class QComboBox;
class QLineEdit;

namespace Ui {
class DataTrans;
}

// The two RS-485 ports, CANopen, the Ethernet interface with its six
// connection slots and the analog outputs. Every value is a device-wide
// 16-bit register.
class DataTrans : public ParamPage
{
    Q_OBJECT

public:
    explicit DataTrans(QWidget *parent = nullptr);
    ~DataTrans() override;

    void showPage() override;
    void refresh(bool forced) override;

    Ui::DataTrans *form() const { return ui; }
    int selectedSlot() const { return slot; }

    static const char *selectedSlotStyle();
    static const char *plainSlotStyle();

signals:
    // A setting of the port or interface the link runs through was written:
    // the link is to be made again with these parameters.
    void ownLinkChanged(const LinkParameters &link);

protected:
    void reflow() override;
    // A write of the link's own port or interface asks first (link/linkchange.h).
    int commitValue(QWidget *widget, const QString &text) override;

private slots:
    void on_Btu_Connect1_clicked();
    void on_Btu_Connect2_clicked();
    void on_Btu_Connect3_clicked();
    void on_Btu_Connect4_clicked();
    void on_Btu_Connect5_clicked();
    void on_Btu_Connect6_clicked();

private:
    void selectSlot(int index);
    void drawSlot(bool force);
    void comboActivated(QComboBox *combo, int index);
    void editFinished(QLineEdit *edit);

    Ui::DataTrans *ui;

    QVector<QWidget *> interfaceWidgets; // 30 words from 8000; nullptr where no widget
    QVector<QComboBox *> analogWidgets; // type, link data of outputs 1..4
    int shownInterface[30];
    int shownAnalog[8];
    int shownCombined[2];
    int shownSlot[4];
    int slot = 0;
    int lastRemote = -1;
    int lastMode = -1;
    int flowColumnCount = 0;
};
