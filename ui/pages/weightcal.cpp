#include "ui/pages/weightcal.h"

#include "link/linksession.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "ui/dialogs/popups.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/panelflow.h"
#include "ui/pagestate.h"

#include "ui_weightcal.h"

#include <QCoreApplication>
#include <QDebug>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>

namespace {

// Registers the zero capture and the corner correction write.
constexpr int ZeroCaptureRegister = 646;
constexpr int AngleComputeRegister = 2064;
constexpr int AngleSampleRegister = 2066;
// Unstable tries of one sampling point before the user is asked whether to go on.
constexpr int UnstableTriesBeforeAsking = 10;

// Division register values of the items "d=1" .. "d=50".
const int divisionValues[] = {1, 2, 5, 10, 20, 50};

// Angle coefficients: five decimals, of which only the rightmost seven characters are shown.
QString angleCoefficientText(qint64 value) { return formatScaled(value, 5).right(7); }

QString weightRangeText(int decimals)
{
    static const char *const ranges[]
        = {"0 - 999999", "0 - 99999.9", "0 - 9999.99", "0 - 999.999", "0 - 99.9999"};
    return QLatin1String(ranges[qBound(0, decimals, 4)]);
}

} // namespace

WeightCal::WeightCal(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::WeightCal)
{
    ui->setupUi(this);
    reflowWithViewport(ui->scrollArea);
    logBackup = true;
    for (auto &weights : shownWeights)
        weights = QVector<qint64>(6, 0);

    const QStringList &ranges = rangeTexts(RangePage::Calibration);
    QLineEdit *const rangeFields[]
        = {ui->EditLcMv, ui->EditFullScale, ui->EditLcCapacity, ui->EditCorrectCoef, ui->EditLcMv_1,
            ui->EditLcMv_2, ui->EditLcMv_3, ui->EditLcMv_4, ui->EditLcCapacity_1, ui->EditLcCapacity_2,
            ui->EditLcCapacity_3, ui->EditLcCapacity_4, ui->EditAngleCorrectCoef_1,
            ui->EditAngleCorrectCoef_2, ui->EditAngleCorrectCoef_3, ui->EditAngleCorrectCoef_4};
    for (int i = 0; i < int(std::size(rangeFields)) && i < ranges.size(); ++i)
        rangeFields[i]->setToolTip(ranges.at(i));

    installEditFilter();
    const auto combos = ui->scrollAreaWidgetContents->findChildren<QComboBox *>();
    for (QComboBox *combo : combos)
        connect(combo, QOverload<int>::of(&QComboBox::activated), this, &WeightCal::comboActivated);
    const auto edits = ui->scrollAreaWidgetContents->findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        setParameterValidator(edit);
        connect(edit, &QLineEdit::editingFinished, this, &WeightCal::lineEditFinished);
    }
    lastMode = 0;
    applyChannelModeLayout();
    lastMode = -1;
}

WeightCal::~WeightCal() { delete ui; }

void WeightCal::clearPointMemory(int channel)
{
    for (int c = 0; c < 4; ++c) {
        if (channel >= 0 && channel != c)
            continue;
        for (int &weight : linkSession().device.pointWeights[c])
            weight = 0;
    }
}

qint64 WeightCal::pointMemory(int channel, int point)
{
    if (channel < 0 || channel > 3 || point < 0 || point > 4)
        return 0;
    return linkSession().device.pointWeights[channel][point];
}

void WeightCal::showPage()
{
    ui->BoxChaneelSelect->setCurrentIndex(qBound(0, pageState().selectedChannel, 3));
    ui->retranslateUi(this);
    refresh(true);
    // The panels take the width the texts of the language need.
    reflow();
}

void WeightCal::on_BoxChaneelSelect_activated(int index)
{
    pageState().selectedChannel = qBound(0, index, 3);
    refresh(true);
}

void WeightCal::refresh(bool forced)
{
    const DeviceCopy &device = linkSession().device;
    // The per-channel rows carry the channel offset: in combined mode they write channel 1's registers.
    const int channel
        = startChannelRedraw(ui->BoxChaneelSelect, SwitchCalibration, lastSwitch, lastMode, forced);

    const CalibrationRecord &cal = device.calibration[channel];
    const CombinedValues &combined = device.combined;
    qint64 *shownValues = shown[channel];
    // Redraws one value when the device copy differs from what is shown (or forced).
    auto changed = [&](Shown item, qint64 value) {
        if (!forced && shownValues[item] == value)
            return false;
        shownValues[item] = value;
        return true;
    };

    if (changed(ShownUnit, cal.unit))
        ui->BoxUnitSelect->setCurrentIndex(cal.unit);
    if (changed(ShownDecimals, cal.decimals))
        ui->BoxDecimalSelect->setCurrentIndex(cal.decimals);
    if (changed(ShownDivision, cal.division)) {
        int item = 0;
        for (int i = 1; i < int(std::size(divisionValues)); ++i) {
            if (cal.division == divisionValues[i])
                item = i;
        }
        ui->BoxDivisionSelect->setCurrentIndex(item);
    }
    if (changed(ShownLcMv, cal.lcMv))
        ui->EditLcMv->setText(formatScaled(cal.lcMv, 4));
    if (changed(ShownLcCapacity, cal.lcCapacity))
        ui->EditLcCapacity->setText(QString::number(cal.lcCapacity));

    QLineEdit *const angleFields[] = {ui->EditAngleCorrectCoef_1, ui->EditAngleCorrectCoef_2,
        ui->EditAngleCorrectCoef_3, ui->EditAngleCorrectCoef_4};
    QLineEdit *const lcMvFields[] = {ui->EditLcMv_1, ui->EditLcMv_2, ui->EditLcMv_3, ui->EditLcMv_4};
    QLineEdit *const lcCapacityFields[]
        = {ui->EditLcCapacity_1, ui->EditLcCapacity_2, ui->EditLcCapacity_3, ui->EditLcCapacity_4};
    for (int c = 0; c < 4; ++c) {
        if (changed(Shown(ShownAngle1 + c), combined.angleCoef[c]))
            angleFields[c]->setText(angleCoefficientText(combined.angleCoef[c]));
    }
    for (int c = 0; c < 4; ++c) {
        if (changed(Shown(ShownLcMv1 + c), combined.lcMv[c]))
            lcMvFields[c]->setText(formatScaled(combined.lcMv[c], 4));
        if (changed(Shown(ShownLcCapacity1 + c), combined.lcCapacity[c]))
            lcCapacityFields[c]->setText(QString::number(combined.lcCapacity[c]));
    }
    if (changed(ShownCorrectCoef, cal.correctCoef))
        ui->EditCorrectCoef->setText(formatScaled(cal.correctCoef, 5));
    if (changed(ShownTCal, cal.calType))
        ui->BoxTCal->setCurrentIndex(cal.calType);
    if (changed(ShownOneKeyInMv, combined.oneKeyInMv))
        ui->EditOneKeyInmv->setText(formatScaled(combined.oneKeyInMv, 4));
    if (changed(ShownKeyInMv, cal.keyInMv))
        ui->EditkeyInmv->setText(formatScaled(cal.keyInMv, 4));
    QLineEdit *const keyInFields[] = {ui->EditkeyInmv_2, ui->EditkeyInmv_3, ui->EditkeyInmv_4};
    for (int c = 1; c < 4; ++c) {
        const int value = device.calibration[c].keyInMv;
        if (changed(Shown(ShownKeyInMv2 + c - 1), value))
            keyInFields[c - 1]->setText(formatScaled(value, 4));
    }
    QLabel *const pointLabels[]
        = {ui->label_WCP1mV, ui->label_WCP2mV, ui->label_WCP3mV, ui->label_WCP4mV, ui->label_WCP5mV};
    for (int p = 0; p < 5; ++p) {
        if (changed(Shown(ShownPoint1 + p), cal.points[p]))
            pointLabels[p]->setText(formatScaled(cal.points[p], 4));
    }

    QVector<qint64> deviceWeights {cal.fullScale};
    for (qint64 weight : device.pointWeights[channel])
        deviceWeights.append(weight);
    const QVector<QLineEdit *> weightFields {ui->EditFullScale, ui->EditWeightCp1, ui->EditWeightCp2,
        ui->EditWeightCp3, ui->EditWeightCp4, ui->EditWeightCp5};
    const bool force
        = updateWeightFields(weightDraw, weightFields, shownWeights[channel], deviceWeights, channel, forced);
    updateUnitLabels(weightDraw,
        {ui->label_ScaleUnit, ui->label_WCP1Uint, ui->label_WCP2Uint, ui->label_WCP3Uint, ui->label_WCP4Uint,
            ui->label_WCP5Uint},
        channel, force);
    if (force) {
        const QString range = weightRangeText(device.channelScales[channel].decimals);
        for (QLineEdit *field : weightFields)
            field->setToolTip(range);
    }
}

void WeightCal::applyChannelModeLayout()
{
    const bool combined = lastMode == 1;
    QWidget *const perChannel[] = {ui->label_oneKeyInmV, ui->EditOneKeyInmv, ui->label_oneKeyInmVUnit,
        ui->label_keyInmV_2, ui->EditkeyInmv_2, ui->label_keyInmVUnit_2, ui->label_keyInmV_3,
        ui->EditkeyInmv_3, ui->label_keyInmVUnit_3, ui->label_keyInmV_4, ui->EditkeyInmv_4,
        ui->label_keyInmVUnit_4, ui->label_LcCapacityTitle, ui->label_LcMv_1, ui->EditLcMv_1,
        ui->label_LcCapacity_1, ui->EditLcCapacity_1, ui->label_LcMv_2, ui->EditLcMv_2,
        ui->label_LcCapacity_2, ui->EditLcCapacity_2, ui->label_LcMv_3, ui->EditLcMv_3,
        ui->label_LcCapacity_3, ui->EditLcCapacity_3, ui->label_LcMv_4, ui->EditLcMv_4,
        ui->label_LcCapacity_4, ui->EditLcCapacity_4};
    for (QWidget *widget : perChannel)
        widget->setVisible(combined);
    ui->EditLcMv->setVisible(!combined);
    ui->EditLcCapacity->setVisible(!combined);
    ui->label_LcCapacity->setVisible(!combined);
    ui->widget_AngleCorrect->setVisible(combined);
    // Two columns wide in combined mode (the four channels' rows).
    setPanelWidth(ui->widget_TheoryCal, combined ? 710 : 350);
    ui->gridLayout->setVerticalSpacing(combined ? 10 : 22);
    ui->label_keyInmV->setText(combined ? tr("Key In mV(CH1):") : tr("Key In mV:"));
    ui->label_channelSelect->setVisible(!combined);
    ui->BoxChaneelSelect->setVisible(!combined);
    ui->BoxChaneelSelect->setEnabled(!combined);
    ui->widget_top->setVisible(!combined || lastSwitch == 0);
    reflow();
}

void WeightCal::comboActivated(int index)
{
    // Combos on this page commit at once, armed or not.
    editArmed = false;
    auto *combo = qobject_cast<QComboBox *>(sender());
    QWidget *target = combo ? combo : editedWidget;
    int value = index;
    if (combo == ui->BoxDivisionSelect && index >= 0 && index < int(std::size(divisionValues)))
        value = divisionValues[index];
    commitWidgetValue(pageState(), target, QString::number(value), editBackup);
}

void WeightCal::lineEditFinished()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit)
        return;
    if (restoreEmptyField(edit))
        return;
    const int channel = currentChannel(ui->BoxChaneelSelect);
    const QString text = registerTextForBinding(edit, PageCalibration, 0, channel);
    if (commitLineEdit(edit, text) == 0) {
        QLineEdit *const points[]
            = {ui->EditWeightCp1, ui->EditWeightCp2, ui->EditWeightCp3, ui->EditWeightCp4, ui->EditWeightCp5};
        const int value = registerTextToInt(text);
        int *weights = linkSession().device.pointWeights[channel];
        if (edit == points[0]) {
            weights[0] = value;
            for (int p = 1; p < 5; ++p)
                weights[p] = 0;
        }
        for (int p = 1; p < 5; ++p) {
            if (edit == points[p])
                weights[p] = value;
        }
    }
}

void WeightCal::on_SetAutoCapture_clicked()
{
    const DeviceCopy &device = linkSession().device;
    const int channel = currentChannel(ui->BoxChaneelSelect);
    // A zero capture replaces the calibrated zero: nothing is written unless the user confirms.
    const QString question = device.channelMode == 0
        ? tr("Capture the present signal of channel %1 as its new zero? The scale must be empty and stable.")
              .arg(channel + 1)
        : tr("Capture the present signals of every corner in use as their new zero? The platform must be "
             "empty and stable.");
    if (!showTipsDialog(tr("Zero Capture"), question, 1, this))
        return;
    if (device.channelMode == 0) {
        queueCommandWrite(22 + channel, 1);
    } else {
        const WriteSourceScope source(linkSession(), WriteSource::Calibration);
        writeSingleValue(ZeroCaptureRegister, 2, 1);
    }
}

void WeightCal::on_pushButton_AngleCorrectSample_clicked()
{
    const DeviceCopy &device = linkSession().device;
    const QString title = tr("Angle Correct");
    if (!showTipsDialog(title, tr("Empty or not?"), 1, this))
        return;
    const QString prompts[]
        = {tr("Press the first, and then click confirm!"), tr("Press the second, and then click confirm!"),
            tr("Press the third, and then click confirm!"), tr("Press the fourth, and then click confirm!")};
    // The number of points and the stable flag are the values of the latest poll;
    // polling goes on while the popups are open.
    const int points = device.combined.samplePoints;
    int unstableTries = 0;
    for (int point = 1; point <= points;) {
        if (point <= 4 && !showTipsDialog(title, prompts[point - 1], 1, this))
            return;
        if (device.combinedStatus & 1) {
            const WriteSourceScope source(linkSession(), WriteSource::Calibration);
            writeSingleValue(AngleSampleRegister, 2, 1);
            ++point;
            unstableTries = 0;
        } else {
            showTipsDialog(title, tr("Sample not stable!"), 0, this);
            // Points beyond the fourth are not prompted: on a platform that never
            // settles the tries would go on for ever without this way out.
            if (++unstableTries >= UnstableTriesBeforeAsking) {
                if (!showRetryQuestion(title, tr("Sample still not stable. Keep trying?"), this))
                    return;
                unstableTries = 0;
            }
        }
    }
    if (points <= 0)
        return;
    const WriteSourceScope source(linkSession(), WriteSource::Calibration);
    if (writeSingleValue(AngleComputeRegister, 2, 1) == Ok)
        showTipsDialog(title, tr("Sample Done!"), 0, this);
    else
        showTipsDialog(title, tr("Angle Correct Error!"), 0, this);
}

void WeightCal::on_pushButton_AngleCorrectReset_clicked()
{
    const QString title = tr("Angle Correct");
    if (!showTipsDialog(title, tr("Reset?"), 1, this))
        return;
    if (commitWidgetValue(pageState(), ui->pushButton_AngleCorrectReset, QStringLiteral("1"), editBackup)
        == 0)
        showTipsDialog(title, tr("Reset Successful!"), 0, this);
    else
        showTipsDialog(title, tr("Reset Failed!"), 0, this);
}

void WeightCal::reflow()
{
    const int width = ui->scrollArea->viewport()->width();
    flowPanels(ui->scrollAreaWidgetContents,
        {ui->widget_Format, ui->widget_CALWeight, ui->widget_CalZero, ui->widget_TheoryCal,
            ui->widget_CalCorrect, ui->widget_AngleCorrect},
        width);
}
