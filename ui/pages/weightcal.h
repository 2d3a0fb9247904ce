#pragma once

#include "ui/pages/commitengine.h"
#include "ui/pages/parampage.h"

#include <QVector>

class QComboBox;
class QLineEdit;
class QWidget;

namespace Ui {
class WeightCal;
}

// Weight format and calibration of one channel; in combined mode also the
// per-channel theory calibration, key-in signals and the corner correction.
class WeightCal : public ParamPage
{
    Q_OBJECT

public:
    explicit WeightCal(QWidget *parent = nullptr);
    ~WeightCal() override;

    void showPage() override;
    void refresh(bool forced) override;

    // Forgets the point weights last entered for a channel (0..3, -1 = all four)
    // in the current session's device copy; called after the device's
    // parameters were reset.
    static void clearPointMemory(int channel);
    // The point weight last entered (register units) for channel 0..3, point 0..4.
    static qint64 pointMemory(int channel, int point);

public slots:
    void on_BoxChaneelSelect_activated(int index);
    void on_SetAutoCapture_clicked();
    void on_pushButton_AngleCorrectSample_clicked();
    void on_pushButton_AngleCorrectReset_clicked();

protected:
    void reflow() override;
    void applyChannelModeLayout() override;

private slots:
    void comboActivated(int index);
    void lineEditFinished();

private:
    // Values shown per channel, compared with the device copy to decide what to redraw.
    enum Shown {
        ShownUnit,
        ShownDecimals,
        ShownDivision,
        ShownLcMv,
        ShownLcCapacity,
        ShownAngle1,
        ShownAngle2,
        ShownAngle3,
        ShownAngle4,
        ShownLcMv1,
        ShownLcMv2,
        ShownLcMv3,
        ShownLcMv4,
        ShownLcCapacity1,
        ShownLcCapacity2,
        ShownLcCapacity3,
        ShownLcCapacity4,
        ShownCorrectCoef,
        ShownTCal,
        ShownOneKeyInMv,
        ShownKeyInMv,
        ShownKeyInMv2,
        ShownKeyInMv3,
        ShownKeyInMv4,
        ShownPoint1,
        ShownPoint2,
        ShownPoint3,
        ShownPoint4,
        ShownPoint5,
        ShownCount
    };

    Ui::WeightCal *ui;
    qint64 shown[4][ShownCount] = {};
    QVector<qint64> shownWeights[4];
    WeightDrawState weightDraw; // what the weight fields and unit labels were last drawn with
    int lastSwitch = -1; // coil 501 as last seen (-1: never)
    int lastMode = -1; // channelMode as last seen
};
