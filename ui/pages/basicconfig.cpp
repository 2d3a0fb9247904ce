#include "ui/pages/basicconfig.h"

#include "link/linksession.h"
#include "params/appstate.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/panelflow.h"
#include "ui/pagestate.h"

#include "ui_basicconfig.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>

namespace {

// The plain fields of the basic block in the order they are redrawn.
struct BasicField
{
    const char *objectName;
    BasicWord word;
};
const BasicField redrawOrder[] = {
    {"NetSignCorBox", BasicNetSignCorrection},
    {"RemoteTareBox", BasicRemoteTare},
    {"SampleRateBox", BasicSampleRate},
    {"RemotoZeroBox", BasicRemoteZero},
    {"TareRecordBox", BasicTareRecord},
    {"EditAdv_Filter", BasicAdvancedFilter},
    {"EditDigit_Filter", BasicDigitalFilter},
    {"EditSTABRange", BasicStabilityRange},
    {"EditSTABTimer", BasicStabilityTimer},
    {"EditTrZeroRange", BasicZeroTrackRange},
    {"EditTrZeroTimer", BasicZeroTrackTimer},
    {"EditPWROnzero", BasicPowerOnZero},
    {"EditZeroRange", BasicZeroRange},
    {"comboBox_InputRange", BasicInputRange},
};

} // namespace

BasicConfig::BasicConfig(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::BasicConfig)
{
    ui->setupUi(this);
    reflowWithViewport(ui->scrollArea);
    logBackup = true;
    for (auto &shown : shownWeights)
        shown = QVector<qint64>(2, 0);

    // Fixed range tooltips, in the order of the page's range list.
    const QStringList &ranges = rangeTexts(RangePage::Basic);
    QLineEdit *const rangeFields[]
        = {ui->EditPresetTare, ui->EditAdv_Filter, ui->EditDigit_Filter, ui->EditSTABRange, ui->EditSTABTimer,
            ui->EditTrZeroRange, ui->EditTrZeroTimer, ui->EditPWROnzero, ui->EditZeroRange};
    for (int i = 0; i < int(std::size(rangeFields)) && i < ranges.size(); ++i)
        rangeFields[i]->setToolTip(ranges.at(i));

    installEditFilter();
    const auto combos = ui->scrollAreaWidgetContents->findChildren<QComboBox *>();
    for (QComboBox *combo : combos)
        connect(combo, QOverload<int>::of(&QComboBox::activated), this, &BasicConfig::comboActivated);
    const auto edits = ui->scrollAreaWidgetContents->findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        setParameterValidator(edit);
        connect(edit, &QLineEdit::editingFinished, this, &BasicConfig::lineEditFinished);
    }
    ui->widget_other->hide();
    reflow();
}

BasicConfig::~BasicConfig() { delete ui; }

void BasicConfig::showPage()
{
    ui->BoxChaneelSelect->setCurrentIndex(qBound(0, pageState().selectedChannel, 3));
    ui->retranslateUi(this);
    refresh(true);
    // The panels take the width the texts of the language need.
    reflow();
}

void BasicConfig::on_BoxChaneelSelect_activated(int index)
{
    pageState().selectedChannel = qBound(0, index, 3);
    refresh(true);
}

void BasicConfig::refresh(bool forced)
{
    const DeviceCopy &device = linkSession().device;
    const int channel = startChannelRedraw(ui->BoxChaneelSelect, SwitchBasic, lastSwitch, lastMode, forced);

    const BasicRecord &record = device.basic[channel];
    for (const BasicField &field : redrawOrder) {
        const int value = record.words[field.word];
        if (!forced && shownWords[channel][field.word] == value)
            continue;
        shownWords[channel][field.word] = value;
        QWidget *widget = findChild<QWidget *>(QLatin1String(field.objectName));
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            combo->setCurrentIndex(value);
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            edit->setText(QString::number(value));
    }

    const QVector<qint64> deviceWeights {record.words[BasicPresetTare], record.tiltThreshold};
    const bool force = updateWeightFields(weightDraw, {ui->EditPresetTare, ui->EditTiltThreshold},
        shownWeights[channel], deviceWeights, channel, forced);
    if (force) {
        const int decimals = device.channelScales[channel].decimals;
        ui->EditPresetTare->setToolTip(
            QStringLiteral("0 - ") + formatScaled(device.calibration[channel].fullScale, decimals));
        ui->EditTiltThreshold->setToolTip(QStringLiteral("0 - ") + formatScaled(999999, decimals));
    }
    updateUnitLabels(weightDraw, {ui->label_PresetTareUnit, ui->label_TiltThresholdUnit}, channel, force);
}

void BasicConfig::applyChannelModeLayout()
{
    const bool combined = lastMode == 1;
    ui->label_channelSelect->setVisible(!combined);
    ui->BoxChaneelSelect->setVisible(!combined);
    ui->BoxChaneelSelect->setEnabled(!combined);
    ui->widget_other->setVisible(combined);
    ui->widget_top->setVisible(!combined || lastSwitch == 0);
    reflow();
}

void BasicConfig::comboActivated(int index)
{
    if (!editArmed)
        return;
    editArmed = false;
    // The combo that sent the signal is the one written, whatever had the focus last.
    auto *combo = qobject_cast<QComboBox *>(sender());
    commitWidgetValue(pageState(), combo ? combo : editedWidget, QString::number(index), editBackup);
}

void BasicConfig::lineEditFinished()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit || restoreEmptyField(edit))
        return;
    commitLineEdit(edit, registerTextForBinding(edit, PageBasic, 0, currentChannel(ui->BoxChaneelSelect)));
}

void BasicConfig::reflow()
{
    const int width = ui->scrollArea->viewport()->width();
    flowPanels(ui->scrollAreaWidgetContents,
        {ui->widget_Zero, ui->widget_Tare, ui->widget_Sample_Filter, ui->widget_Stab_TrZero,
            ui->widget_InputRange, ui->widget_other},
        width);
}
