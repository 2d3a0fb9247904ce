#pragma once

#include "params/devicecopy.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/parampage.h"

#include <QVector>

class QComboBox;
class QLineEdit;
class QWidget;

namespace Ui {
class BasicConfig;
}

// Basic weighing parameters of one channel: zero, tare, filter, stability,
// sensor input range and, in combined mode, the tilt threshold.
class BasicConfig : public ParamPage
{
    Q_OBJECT

public:
    explicit BasicConfig(QWidget *parent = nullptr);
    ~BasicConfig() override;

    void showPage() override;
    void refresh(bool forced) override;

public slots:
    void on_BoxChaneelSelect_activated(int index);

protected:
    void reflow() override;
    void applyChannelModeLayout() override;

private slots:
    void comboActivated(int index);
    void lineEditFinished();

private:
    Ui::BasicConfig *ui;
    int shownWords[4][BasicWordCount] = {};
    QVector<qint64> shownWeights[4];
    WeightDrawState weightDraw; // what the weight fields and unit labels were last drawn with
    int lastSwitch = -1; // coil 500 as last seen (-1: never)
    int lastMode = -1; // channelMode as last seen
};
