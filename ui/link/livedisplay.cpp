#include "ui/link/livedisplay.h"

#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/registermap.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QSpacerItem>
#include <QWidget>

int readLiveGroups()
{
    if (linkSession().linkSuspended)
        return 0;
    static const int holdingGroups[] = {3, 1, 2, 12, 13, 14, 15, 4, 5, 6, 7};
    for (int group : holdingGroups) {
        const TransactionResult result = readGroup(group);
        if (result != Ok)
            return result;
    }
    TransactionResult result = readCoilGroup(RemoteSwitchGroup);
    if (result != Ok)
        return result;
    result = readGroup(0);
    return result;
}

namespace {

QString translated(const char *text) { return QCoreApplication::translate("MainWindow", text); }

const QString stableImage = QStringLiteral("border-image: url(:/images/Stable.png);");
const QString zeroImage = QStringLiteral("border-image: url(:/images/Zero1.png);");
const QString noImage = QStringLiteral("border-image: None;");

void setStyle(QLabel *label, const QString &style)
{
    if (label && label->styleSheet() != style)
        label->setStyleSheet(style);
}

void setText(QLabel *label, const QString &text)
{
    if (label && label->text() != text)
        label->setText(text);
}

void setShown(QWidget *widget, bool shown)
{
    if (widget)
        widget->setVisible(shown);
}

// The first spacer in a layout tree.
QSpacerItem *findSpacer(QLayout *layout)
{
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (QSpacerItem *spacer = item->spacerItem())
            return spacer;
        if (QSpacerItem *inner = findSpacer(item->layout()))
            return inner;
    }
    return nullptr;
}

QString scaledWithUnit(qint64 raw, const ChannelScale &scale)
{
    return formatScaled(raw, scale.decimals) + QLatin1Char(' ') + unitName(scale.unit);
}

} // namespace

LiveDisplay::LiveDisplay(QWidget *root)
{
    auto label = [root](const QString &name) { return root ? root->findChild<QLabel *>(name) : nullptr; };
    for (int c = 0; c < 4; ++c) {
        const QString n = QString::number(c + 1);
        // The status images of channel 1 carry no suffix; channels 2..4 are _2.._4.
        const QString image = c == 0 ? QString() : QStringLiteral("_") + QString::number(c + 1);
        channel[c].weight = label(QStringLiteral("labelweight_") + n);
        channel[c].milliVolt = label(QStringLiteral("label_Mv_") + n);
        channel[c].error = label(QStringLiteral("label_ErrorMessage_") + n);
        channel[c].pressure = label(QStringLiteral("label_SensorPressure_") + n);
        channel[c].stable = label(QStringLiteral("label_Stable") + image);
        channel[c].zero = label(QStringLiteral("label_Zero") + image);
        channel[c].net = label(QStringLiteral("label_Net") + image);
    }
    combinedTitle = label(QStringLiteral("label_combinedWeight"));
    combinedWeightLabel = label(QStringLiteral("label_combinedWeight_1"));
    combinedStable = label(QStringLiteral("label_Stable_5"));
    combinedZero = label(QStringLiteral("label_Zero_5"));
    combinedNet = label(QStringLiteral("label_Net_5"));
    pressureTitle = label(QStringLiteral("label_SensorPressure"));
    weightDisplay = root ? root->findChild<QWidget *>(QStringLiteral("WeightDisplay")) : nullptr;
    if (weightDisplay)
        spacer = findSpacer(weightDisplay->layout());
}

void LiveDisplay::applyLayout()
{
    const DeviceCopy &device = linkSession().device;
    const bool combined = device.channelMode == 1;
    for (QWidget *w : {static_cast<QWidget *>(combinedTitle), static_cast<QWidget *>(combinedWeightLabel),
             static_cast<QWidget *>(combinedStable), static_cast<QWidget *>(combinedZero),
             static_cast<QWidget *>(combinedNet), static_cast<QWidget *>(pressureTitle)})
        setShown(w, combined);
    for (ChannelLabels &labels : channel) {
        setShown(labels.pressure, combined);
        for (QLabel *l : {labels.weight, labels.milliVolt, labels.error, labels.pressure})
            if (l)
                l->setWordWrap(combined);
    }
    if (spacer) {
        if (combined)
            spacer->changeSize(40, 20, QSizePolicy::Expanding, QSizePolicy::Expanding);
        else
            spacer->changeSize(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
        if (weightDisplay && weightDisplay->layout())
            weightDisplay->layout()->invalidate();
    }
    if (weightDisplay)
        weightDisplay->setStyleSheet(
            combined ? QStringLiteral("font-size: 20px;") : QStringLiteral("font-size: 25px;"));
}

QList<QLabel *> LiveDisplay::valueLabels() const
{
    QList<QLabel *> labels {combinedWeightLabel};
    for (const ChannelLabels &c : channel)
        labels << c.weight << c.milliVolt << c.error << c.pressure;
    labels.removeAll(nullptr);
    return labels;
}

void LiveDisplay::setStale(bool stale)
{
    if (stale == staleShown)
        return;
    staleShown = stale;
    applyStale();
}

void LiveDisplay::applyStale()
{
    const QString style = staleShown ? QStringLiteral("color: rgb(150, 150, 150);") : QString();
    const QString tip = staleShown ? QCoreApplication::translate(
                            "MainWindow", "No answer from the device: these are the last values read.")
                                   : QString();
    for (QLabel *label : valueLabels()) {
        setStyle(label, style);
        label->setToolTip(tip);
    }
}

void LiveDisplay::drawCombinedStatus()
{
    const DeviceCopy &device = linkSession().device;
    const int status = device.combinedStatus;
    bool anyError = false;
    for (int bit = 0; bit < 16; ++bit) {
        const bool set = (status >> bit) & 1;
        switch (bit) {
        case 0:
            setStyle(combinedStable, set ? stableImage : noImage);
            break;
        case 1:
            setStyle(combinedZero, set ? zeroImage : noImage);
            break;
        case 4:
        case 5:
        case 6:
        case 7:
            if (set) {
                // The highest set bit of 4..7 wins.
                combinedTextShown = translated(statusBitText(bit));
                anyError = true;
            }
            break;
        case 9:
            setText(combinedNet, set ? QCoreApplication::translate("MainWindow", "N") : QString());
            break;
        case 13:
            tiltFlag = set;
            break;
        default:
            break;
        }
    }
    combinedError = anyError;
}

void LiveDisplay::drawChannelStatus(int c)
{
    const DeviceCopy &device = linkSession().device;
    const int status = device.liveChannels[c].status;
    ChannelLabels &labels = channel[c];
    bool anyError = false;
    bool sensorError = false;
    for (int bit = 0; bit < 16; ++bit) {
        const bool set = (status >> bit) & 1;
        switch (bit) {
        case 0:
            setStyle(labels.stable, set ? stableImage : noImage);
            break;
        case 1:
            setStyle(labels.zero, set ? zeroImage : noImage);
            break;
        case 4:
        case 5:
        case 6:
        case 7:
            if (set) {
                channelWeightText[c] = translated(statusBitText(bit));
                anyError = true;
                if (bit >= 6) {
                    channelPressureText[c] = channelWeightText[c];
                    sensorError = true;
                }
            }
            break;
        case 9:
            setText(labels.net, set ? QCoreApplication::translate("MainWindow", "N") : QString());
            break;
        default:
            break;
        }
    }
    channelError[c] = anyError;
    if (!sensorError)
        channelPressureText[c].clear();
}

void LiveDisplay::refreshLiveDisplay(bool force)
{
    const DeviceCopy &device = linkSession().device;
    const bool combined = device.channelMode == 1;

    // 1. Layout by channel mode; a change forces the status drawing.
    if (device.channelMode != lastMode || device.channelEnable != lastEnable || force) {
        lastMode = device.channelMode;
        lastEnable = device.channelEnable;
        applyLayout();
        force = true;
    }
    if (force && staleShown)
        applyStale(); // the tool tip in the language now in use

    // 2. Combined status.
    if (device.combinedStatus != lastCombinedStatus || force) {
        lastCombinedStatus = device.combinedStatus;
        drawCombinedStatus();
    }

    // 3. Channel status.
    for (int c = 0; c < 4; ++c) {
        if (device.liveChannels[c].status != lastStatus[c] || force) {
            lastStatus[c] = device.liveChannels[c].status;
            drawChannelStatus(c);
        }
    }

    // 4. Channel values, every time.
    const QString loadcellOver = QCoreApplication::translate("MainWindow", "Loadcell Over");
    const QString loadcellUnder = QCoreApplication::translate("MainWindow", "Loadcell Under");
    const QString channelClose = QCoreApplication::translate("MainWindow", "Channel Close");
    bool closed[4] = {false, false, false, false};
    for (int c = 0; c < 4; ++c) {
        const LiveChannel &live = device.liveChannels[c];
        const ChannelScale &scale = combined ? device.channelScales[0] : device.channelScales[c];
        if (!channelError[c])
            channelWeightText[c] = scaledWithUnit(live.displayWeight, scale);
        if (channelPressureText[c] != loadcellOver && channelPressureText[c] != loadcellUnder)
            channelPressureText[c] = scaledWithUnit(live.pressure, device.channelScales[0]);
        if (combined) {
            enableValue[c] = (device.channelEnable >> (4 * c)) & 15;
            if (enableValue[c] != 15) {
                channelWeightText[c] = channelClose;
                channelPressureText[c] = channelClose;
                closed[c] = true;
            }
        }
        setText(channel[c].weight, channelWeightText[c]);
        setText(channel[c].pressure, channelPressureText[c]);
    }

    // 5. Combined text.
    QList<int> faulty;
    for (int c = 0; c < 4; ++c)
        if (enableValue[c] == 15 && (device.liveChannels[c].status & (1 << 3)))
            faulty << c + 1;
    if (faulty.size() == 1 || faulty.size() == 2) {
        QString numbers;
        for (int n : faulty)
            numbers += QCoreApplication::translate("MainWindow", "%1#").arg(n);
        combinedTextShown = QCoreApplication::translate("MainWindow", "%1Channel Error").arg(numbers);
    } else if (faulty.size() > 2) {
        combinedTextShown = QCoreApplication::translate("MainWindow", "Multi-Channel Error");
    } else if (tiltFlag) {
        combinedTextShown = QCoreApplication::translate("MainWindow", "Tank Tilt");
    } else if (combinedError) {
        for (int bit = 7; bit >= 4; --bit)
            if ((device.combinedStatus >> bit) & 1) {
                combinedTextShown = translated(statusBitText(bit));
                break;
            }
    } else {
        combinedTextShown = scaledWithUnit(device.combinedWeight, device.channelScales[0]);
    }
    setText(combinedWeightLabel, combinedTextShown);

    // 6. Millivolts.
    for (int c = 0; c < 4; ++c) {
        const QString text = closed[c]
            ? channelClose
            : formatScaled(device.liveChannels[c].sensorVoltage, 4) + QStringLiteral(" mV");
        setText(channel[c].milliVolt, text);
    }

    // 7. Error message: the lowest set bit of the channel's error word.
    for (int c = 0; c < 4; ++c) {
        const quint32 word = device.liveChannels[c].errorWord;
        QString text;
        if (word == 0) {
            text = programContext.language == 1 ? QString::fromUtf8("无") : QStringLiteral("None");
        } else {
            int bit = 0;
            while (!((word >> bit) & 1u))
                ++bit;
            text = errorText(bit, programContext.language);
        }
        setText(channel[c].error, text);
    }
}
