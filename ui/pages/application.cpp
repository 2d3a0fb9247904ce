#include "ui/pages/application.h"

#include "link/linksession.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/groupflow.h"
#include "ui/pagestate.h"
#include "ui_application.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>

#include <climits>

namespace {

// Full function lists: the item index is the device's function code.
const char *const inputFunctions[] = {
    QT_TRANSLATE_NOOP("Application", "None"),
    QT_TRANSLATE_NOOP("Application", "CH-1 Zero "),
    QT_TRANSLATE_NOOP("Application", "CH-2 Zero "),
    QT_TRANSLATE_NOOP("Application", "CH-3 Zero "),
    QT_TRANSLATE_NOOP("Application", "CH-4 Zero "),
    QT_TRANSLATE_NOOP("Application", "CH-1 CAL-Zero"),
    QT_TRANSLATE_NOOP("Application", "CH-2 CAL-Zero"),
    QT_TRANSLATE_NOOP("Application", "CH-3 CAL-Zero"),
    QT_TRANSLATE_NOOP("Application", "CH-4 CAL-Zero"),
    QT_TRANSLATE_NOOP("Application", "CH-1 Tare"),
    QT_TRANSLATE_NOOP("Application", "CH-2 Tare"),
    QT_TRANSLATE_NOOP("Application", "CH-3 Tare"),
    QT_TRANSLATE_NOOP("Application", "CH-4 Tare"),
    QT_TRANSLATE_NOOP("Application", "CH-1 Clear Tare"),
    QT_TRANSLATE_NOOP("Application", "CH-2 Clear Tare"),
    QT_TRANSLATE_NOOP("Application", "CH-3 Clear Tare"),
    QT_TRANSLATE_NOOP("Application", "CH-4 Clear Tare"),
    QT_TRANSLATE_NOOP("Application", "CH-1 Gross/Net"),
    QT_TRANSLATE_NOOP("Application", "CH-2 Gross/Net"),
    QT_TRANSLATE_NOOP("Application", "CH-3 Gross/Net"),
    QT_TRANSLATE_NOOP("Application", "CH-4 Gross/Net"),
    QT_TRANSLATE_NOOP("Application", "COMP-ON"),
};

const char *const outputFunctions[] = {
    QT_TRANSLATE_NOOP("Application", "None"),
    QT_TRANSLATE_NOOP("Application", "COMP1"),
    QT_TRANSLATE_NOOP("Application", "COMP2"),
    QT_TRANSLATE_NOOP("Application", "COMP3"),
    QT_TRANSLATE_NOOP("Application", "COMP4"),
    QT_TRANSLATE_NOOP("Application", "COMP5"),
    QT_TRANSLATE_NOOP("Application", "COMP6"),
    QT_TRANSLATE_NOOP("Application", "COMP7"),
    QT_TRANSLATE_NOOP("Application", "COMP8"),
    QT_TRANSLATE_NOOP("Application", "CH-1 Stable"),
    QT_TRANSLATE_NOOP("Application", "CH-2 Stable"),
    QT_TRANSLATE_NOOP("Application", "CH-3 Stable"),
    QT_TRANSLATE_NOOP("Application", "CH-4 Stable"),
    QT_TRANSLATE_NOOP("Application", "CH-1 Zero"),
    QT_TRANSLATE_NOOP("Application", "CH-2 Zero"),
    QT_TRANSLATE_NOOP("Application", "CH-3 Zero"),
    QT_TRANSLATE_NOOP("Application", "CH-4 Zero"),
    QT_TRANSLATE_NOOP("Application", "CH-1 Net"),
    QT_TRANSLATE_NOOP("Application", "CH-2 Net"),
    QT_TRANSLATE_NOOP("Application", "CH-3 Net"),
    QT_TRANSLATE_NOOP("Application", "CH-4 Net"),
    QT_TRANSLATE_NOOP("Application", "CH-1 -SIGN"),
    QT_TRANSLATE_NOOP("Application", "CH-2 -SIGN"),
    QT_TRANSLATE_NOOP("Application", "CH-3 -SIGN"),
    QT_TRANSLATE_NOOP("Application", "CH-4 -SIGN"),
};

// Channel-free lists of channel mode 1: item index -> device function code.
struct FunctionItem
{
    int code;
    const char *text;
};

const FunctionItem combinedInputFunctions[] = {
    {0, QT_TRANSLATE_NOOP("Application", "None")},
    {1, QT_TRANSLATE_NOOP("Application", "Zero ")},
    {5, QT_TRANSLATE_NOOP("Application", "CAL-Zero")},
    {9, QT_TRANSLATE_NOOP("Application", "Tare")},
    {13, QT_TRANSLATE_NOOP("Application", "Clear Tare")},
    {17, QT_TRANSLATE_NOOP("Application", "Gross/Net")},
    {21, QT_TRANSLATE_NOOP("Application", "COMP-ON")},
};

const FunctionItem combinedOutputFunctions[] = {
    {0, QT_TRANSLATE_NOOP("Application", "None")},
    {1, QT_TRANSLATE_NOOP("Application", "COMP1")},
    {2, QT_TRANSLATE_NOOP("Application", "COMP2")},
    {3, QT_TRANSLATE_NOOP("Application", "COMP3")},
    {4, QT_TRANSLATE_NOOP("Application", "COMP4")},
    {5, QT_TRANSLATE_NOOP("Application", "COMP5")},
    {6, QT_TRANSLATE_NOOP("Application", "COMP6")},
    {7, QT_TRANSLATE_NOOP("Application", "COMP7")},
    {8, QT_TRANSLATE_NOOP("Application", "COMP8")},
    {9, QT_TRANSLATE_NOOP("Application", "Stable ")},
    {13, QT_TRANSLATE_NOOP("Application", "Zero")},
    {17, QT_TRANSLATE_NOOP("Application", "Net")},
    {21, QT_TRANSLATE_NOOP("Application", "-SIGN")},
};

// Tooltip of a comparison value by the weight decimals of its channel.
const char *const comparisonRanges[] = {
    "-999999 - 999999 ",
    "-99999.9 - 99999.9",
    "-9999.99 - 9999.99",
    "-999.999 - 999.999",
    "-99.9999 - 99.9999",
};

template <size_t N> int indexForCode(const FunctionItem (&list)[N], int code)
{
    for (size_t i = 0; i < N; ++i) {
        if (list[i].code == code)
            return int(i);
    }
    return code; // outside the short list: the item of that index, if any
}

template <size_t N> int codeForIndex(const FunctionItem (&list)[N], int index)
{
    if (index >= 0 && size_t(index) < N)
        return list[index].code;
    return index;
}

enum CompWord {
    CompChannel,
    CompMode,
    CompValue1,
    CompValue2,
    CompOnCond,
    CompTrueTime,
    CompOffCond,
    CompFalseTime
};

} // namespace

int Application::inputIndexForCode(int code, int mode)
{
    return mode == 1 ? indexForCode(combinedInputFunctions, code) : code;
}

int Application::inputCodeForIndex(int index, int mode)
{
    return mode == 1 ? codeForIndex(combinedInputFunctions, index) : index;
}

int Application::outputIndexForCode(int code, int mode)
{
    return mode == 1 ? indexForCode(combinedOutputFunctions, code) : code;
}

int Application::outputCodeForIndex(int index, int mode)
{
    return mode == 1 ? codeForIndex(combinedOutputFunctions, index) : index;
}

Application::Application(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::Application)
{
    ui->setupUi(this);
    ui->label_channelSelect->hide();
    ui->BoxChaneelSelect->hide();
    // Where the focus goes after Return in a field; not a Tab stop.
    ui->label_RemoteTip->setFocusPolicy(Qt::ClickFocus);

    inputBoxes = {ui->BoxInput1, ui->BoxInput2, ui->BoxInput3, ui->BoxInput4};
    inputDelays = {ui->lineEditInput1, ui->lineEditInput2, ui->lineEditInput3, ui->lineEditInput4};
    outputBoxes = {ui->BoxOutput1, ui->BoxOutput2, ui->BoxOutput3, ui->BoxOutput4, ui->BoxOutput5,
        ui->BoxOutput6, ui->BoxOutput7, ui->BoxOutput8};
    static const char *const compNames[8]
        = {"BoxChannel_%1", "BoxCOMPMode_%1", "lineEditCOMPValue1_%1", "lineEditCOMPValue2_%1",
            "BoxONCOND_%1", "lineEditTRUEJudgeT_%1", "BoxOFFCOND_%1", "lineEditFALSEHoldT_%1"};
    for (int k = 1; k <= 8; ++k) {
        QVector<QWidget *> words;
        for (const char *name : compNames)
            words.append(findChild<QWidget *>(QString::fromLatin1(name).arg(k)));
        compWidgets.append(words);
        compUnit1.append(findChild<QLabel *>(QStringLiteral("label_compValue1Uint_%1").arg(k)));
        compUnit2.append(findChild<QLabel *>(QStringLiteral("label_compValue2Uint_%1").arg(k)));
    }

    const QStringList &ranges = rangeTexts(RangePage::Application);
    for (int i = 0; i < 4; ++i)
        inputDelays[i]->setToolTip(ranges.value(i));
    for (const QVector<QWidget *> &words : qAsConst(compWidgets)) {
        words[CompValue1]->setToolTip(ranges.value(4));
        words[CompValue2]->setToolTip(ranges.value(4));
        words[CompTrueTime]->setToolTip(ranges.value(5));
        words[CompFalseTime]->setToolTip(ranges.value(5));
    }

    installEditFilter();
    const auto combos = findChildren<QComboBox *>();
    for (QComboBox *combo : combos) {
        if (combo == ui->BoxChaneelSelect)
            continue;
        connect(combo, QOverload<int>::of(&QComboBox::activated), this,
            [this, combo](int index) { comboActivated(combo, index); });
    }
    const auto edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        setParameterValidator(edit);
        connect(edit, &QLineEdit::editingFinished, this, [this, edit]() { editFinished(edit); });
    }

    for (int &v : shownInputs)
        v = INT_MIN;
    for (int &v : shownOutputs)
        v = INT_MIN;
    for (auto &record : shownComps) {
        for (int &v : record)
            v = INT_MIN;
    }
    for (int k = 0; k < 8; ++k) {
        compDecimals[k] = -1;
        compUnits[k] = -1;
    }
    rebuildFunctionLists(0);
    ui->tabWidget->setCurrentIndex(0);
    reflow();
}

Application::~Application() { delete ui; }

void Application::showPage()
{
    ui->retranslateUi(this);
    pageState().applicationSubTable = 16 + ui->tabWidget->currentIndex();
    refresh(true);
}

void Application::on_tabWidget_currentChanged(int index) { pageState().applicationSubTable = 16 + index; }

void Application::rebuildFunctionLists(int mode)
{
    for (QComboBox *box : qAsConst(inputBoxes)) {
        box->clear();
        if (mode == 1) {
            for (const FunctionItem &item : combinedInputFunctions)
                box->addItem(tr(item.text));
        } else {
            for (const char *text : inputFunctions)
                box->addItem(tr(text));
        }
    }
    for (QComboBox *box : qAsConst(outputBoxes)) {
        box->clear();
        if (mode == 1) {
            for (const FunctionItem &item : combinedOutputFunctions)
                box->addItem(tr(item.text));
        } else {
            for (const char *text : outputFunctions)
                box->addItem(tr(text));
        }
    }
    // The rebuilt lists no longer show the device's codes: draw them again.
    for (int &v : shownInputs)
        v = INT_MIN;
    for (int &v : shownOutputs)
        v = INT_MIN;

    for (int k = 0; k < 8; ++k) {
        const bool combined = mode == 1;
        compWidgets[k][CompChannel]->setVisible(!combined);
        if (auto *label = findChild<QLabel *>(QStringLiteral("label_compCH_%1").arg(k + 1)))
            label->setVisible(!combined);
        if (auto *grid = findChild<QGridLayout *>(QStringLiteral("gridLayout_comp_%1").arg(k + 1)))
            grid->setVerticalSpacing(combined ? 16 : 10);
    }
}

void Application::refresh(bool forced)
{
    const DeviceCopy &device = linkSession().device;
    const int remote = device.switches[SwitchApplication];
    if (showRemoteSwitch(SwitchApplication, lastRemote, forced))
        ui->widget_top->setVisible(remote == 0);

    if (forced || device.channelMode != lastMode) {
        lastMode = device.channelMode;
        rebuildFunctionLists(device.channelMode);
    }

    const int tab = ui->tabWidget->currentIndex();
    bool force = forced || tab != lastTab;
    lastTab = tab;
    switch (tab) {
    case 0:
        drawInputs(force);
        break;
    case 1:
        drawOutputs(force);
        break;
    case 2:
        drawComparators(force);
        break;
    default:
        break;
    }
}

void Application::drawInputs(bool force)
{
    const DeviceCopy &device = linkSession().device;
    for (int i = 0; i < 8; ++i) {
        const int value = device.inputs[i];
        const int input = i / 2;
        if (i % 2 == 0) {
            const int index = inputIndexForCode(value, device.channelMode);
            if (force || index != shownInputs[i]) {
                shownInputs[i] = index;
                inputBoxes[input]->setCurrentIndex(index);
            }
        } else if (force || value != shownInputs[i]) {
            shownInputs[i] = value;
            inputDelays[input]->setText(QString::number(value));
        }
    }
}

void Application::drawOutputs(bool force)
{
    const DeviceCopy &device = linkSession().device;
    for (int i = 0; i < 8; ++i) {
        const int index = outputIndexForCode(device.outputs[i], device.channelMode);
        if (force || index != shownOutputs[i]) {
            shownOutputs[i] = index;
            outputBoxes[i]->setCurrentIndex(index);
        }
    }
}

int Application::comparatorChannel(int comparator) const
{
    const int channel = static_cast<QComboBox *>(compWidgets[comparator][CompChannel])->currentIndex();
    return qBound(0, channel, 3);
}

void Application::drawComparatorValue(int comparator, int word, int value)
{
    const DeviceCopy &device = linkSession().device;
    const ChannelScale &scale = device.channelScales[comparatorChannel(comparator)];
    const int decimals = qBound(0, scale.decimals, 4);
    auto *edit = static_cast<QLineEdit *>(compWidgets[comparator][word]);
    edit->setText(formatScaled(value, decimals));
    edit->setToolTip(QString::fromLatin1(comparisonRanges[decimals]));
    QLabel *unit = word == CompValue1 ? compUnit1[comparator] : compUnit2[comparator];
    unit->setText(unitName(scale.unit));
}

void Application::drawComparators(bool force)
{
    const DeviceCopy &device = linkSession().device;
    bool chained = force;
    for (int k = 0; k < 8; ++k) {
        bool forceRest = chained;
        for (int w = 0; w < 8; ++w) {
            if (w == CompValue1) {
                const ChannelScale &scale = device.channelScales[comparatorChannel(k)];
                if (scale.decimals != compDecimals[k] || scale.unit != compUnits[k]) {
                    compDecimals[k] = scale.decimals;
                    compUnits[k] = scale.unit;
                    forceRest = true;
                }
            }
            const int value = device.comparators[k][w];
            if (!forceRest && value == shownComps[k][w])
                continue;
            shownComps[k][w] = value;
            QWidget *widget = compWidgets[k][w];
            if (w == CompValue1 || w == CompValue2) {
                drawComparatorValue(k, w, value);
            } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
                combo->setCurrentIndex(value);
            } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
                edit->setText(QString::number(value));
            }
            if (w == CompChannel) {
                // A new channel changes how every following word is drawn.
                forceRest = true;
                chained = true;
            }
        }
    }
}

void Application::comboActivated(QComboBox *combo, int index)
{
    const DeviceCopy &device = linkSession().device;
    int value = index;
    if (inputBoxes.contains(combo))
        value = inputCodeForIndex(index, device.channelMode);
    else if (outputBoxes.contains(combo))
        value = outputCodeForIndex(index, device.channelMode);
    if (!editArmed)
        return;
    editArmed = false;
    commitWidgetValue(pageState(), editedWidget, QString::number(value), editBackup);
}

void Application::editFinished(QLineEdit *edit)
{
    if (restoreEmptyField(edit))
        return;
    // The comparison values are weights of the comparator's own channel.
    int channel = 0;
    for (int k = 0; k < 8; ++k) {
        if (edit == compWidgets[k][CompValue1] || edit == compWidgets[k][CompValue2])
            channel = comparatorChannel(k);
    }
    commitLineEdit(
        edit, registerTextForBinding(edit, PageApplication, pageState().applicationSubTable, channel));
}

void Application::reflow()
{
    const int columns = flowColumns(width(), 4);
    if (columns == flowColumnCount)
        return;
    flowColumnCount = columns;
    QVector<FlowGroup> inputs, outputs, comps;
    for (int k = 1; k <= 4; ++k)
        inputs.append({findChild<QWidget *>(QStringLiteral("widget_Input_%1").arg(k)), 1});
    for (int k = 1; k <= 8; ++k) {
        outputs.append({findChild<QWidget *>(QStringLiteral("widget_Output%1").arg(k)), 1});
        comps.append({findChild<QWidget *>(QStringLiteral("widget_COMP_%1").arg(k)), 1});
    }
    flowGroups(ui->gridLayout_inputs, inputs, columns);
    flowGroups(ui->gridLayout_outputs, outputs, columns);
    flowGroups(ui->gridLayout_comps, comps, columns);
}
