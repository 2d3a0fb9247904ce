#include "ui/pages/commitengine.h"

#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "link/trafficlog.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/logcategories.h"
#include "params/registermap.h"
#include "ui/pagestate.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

int commitWidgetValue(PageState &state, QWidget *widget, const QString &text, const QString &backup)
{
    // The popup list of a combo box is never a parameter.
    if (!widget || qstrcmp(widget->metaObject()->className(), "QComboBoxListView") == 0)
        return CommitNotWritten;

    const QString name = widget->objectName();
    const RegisterBinding *binding = findBinding(state.currentPage, state.applicationSubTable, name);
    if (!binding)
        return CommitNotWritten;

    // Pages without a channel selector of their own reset the shared one to channel 1.
    if (state.currentPage == PageApplication || state.currentPage == PageDataTrans
        || state.currentPage == PageTestMaintain)
        state.selectedChannel = 0;
    const int address
        = resolveAddress(state.currentPage, *binding, state.selectedChannel, state.ethernetSlot);
    const int count = binding->count;

    // The widget may go away while the transactions wait with events processed.
    QPointer<QWidget> guard(widget);
    // No poll tick between the read, the writes and their answers; the writes
    // are page edits, with the value read before them.
    LinkSession &session = linkSession();
    const LinkHold hold(session);
    WriteSourceScope source(session, WriteSource::PageEdit);
    const int readVal = readSingleValue(address, count);
    if (readVal != FailureMarker)
        source.setOldValue(readVal);
    const int sendVal = registerTextToInt(text);

    bool retried = false;
    TransactionResult result = writeSingleValue(address, count, sendVal);
    if (result == TimedOut) {
        retried = true;
        result = writeSingleValue(address, count, sendVal);
        if (result != Ok)
            result = writeSingleValue(address, count, sendVal);
    }
    qCDebug(lcCommit).noquote() << QStringLiteral("%1 at %2 count %3: %4 -> %5, %6%7")
                                       .arg(name)
                                       .arg(address)
                                       .arg(count)
                                       .arg(readVal)
                                       .arg(sendVal)
                                       .arg(trafficResultText(result, 0),
                                           retried ? QStringLiteral(" (retried)") : QString());

    if (!guard)
        return result;
    if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        if (result != Ok || retried)
            combo->setCurrentIndex(backup.toInt());
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        // A value equal to the device's is put back too: the next refresh shows
        // the device's own text again.
        if (result != Ok || retried || readVal == sendVal)
            edit->setText(backup);
    }
    // A push button has nothing to put back.
    return result;
}

QString weightToRegisterText(const QLineEdit *edit, int channel)
{
    if (!edit)
        return QString();
    // The tilt threshold is always kept in channel 1's weight format.
    if (edit->objectName() == QLatin1String("EditTiltThreshold"))
        channel = 0;
    // A channel outside 1..4 has no decimals.
    const bool known = channel >= 0 && channel <= 3;
    return weightTextToRegisterText(
        edit->text(), known ? linkSession().device.channelScales[channel] : ChannelScale());
}

QString registerTextForBinding(const QLineEdit *edit, int page, int subTable, int channel)
{
    const RegisterBinding *binding = findBinding(page, subTable, edit->objectName());
    switch (binding ? binding->scale : BindingScale::AsTyped) {
    case BindingScale::Weight:
        return weightToRegisterText(edit, channel);
    case BindingScale::WeightCh1:
        return weightToRegisterText(edit, 0);
    case BindingScale::MilliVolt:
        return scaledToRegisterText(edit->text(), 10000);
    case BindingScale::Coefficient:
        return scaledToRegisterText(edit->text(), 100000);
    default:
        return edit->text();
    }
}

bool weightDecimalsChanged(WeightDrawState &state, int channel, bool force)
{
    const DeviceCopy &device = linkSession().device;
    const int decimals = device.channelScales[qBound(0, channel, 3)].decimals;
    if (decimals != state.weightDecimals) {
        state.weightDecimals = decimals;
        force = true;
    }
    return force;
}

bool updateWeightFields(WeightDrawState &state, const QVector<QLineEdit *> &fields,
    QVector<qint64> &displayed, const QVector<qint64> &deviceValues, int channel, bool force)
{
    const DeviceCopy &device = linkSession().device;
    force = weightDecimalsChanged(state, channel, force);
    const int decimals = device.channelScales[qBound(0, channel, 3)].decimals;
    // The tilt threshold is drawn with channel 1's decimals; a change of those
    // redraws it even while another channel is selected.
    const bool tiltForce = force || device.channelScales[0].decimals != state.tiltDecimals;
    if (displayed.size() < fields.size())
        displayed.resize(fields.size());
    for (int i = 0; i < fields.size() && i < deviceValues.size(); ++i) {
        QLineEdit *field = fields[i];
        const bool tilt = field && field->objectName() == QLatin1String("EditTiltThreshold");
        if (tilt)
            state.tiltDecimals = device.channelScales[0].decimals;
        if (deviceValues[i] == displayed[i] && !(tilt ? tiltForce : force))
            continue;
        displayed[i] = deviceValues[i];
        if (!field)
            continue;
        const int d = tilt ? device.channelScales[0].decimals : decimals;
        // Weight registers are signed 32-bit: -1 shows as -0.01, not 42949672.95.
        field->setText(formatScaled(qint32(quint32(deviceValues[i])), d));
    }
    return force;
}

void updateUnitLabels(WeightDrawState &state, const QVector<QLabel *> &labels, int channel, bool force)
{
    const DeviceCopy &device = linkSession().device;
    const int unit = device.channelScales[qBound(0, channel, 3)].unit;
    if (unit == state.unitIndex && !force)
        return;
    state.unitIndex = unit;
    const QString name = unitName(unit);
    for (QLabel *label : labels)
        if (label)
            label->setText(name);
}
