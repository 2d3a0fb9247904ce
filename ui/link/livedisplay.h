#pragma once

#include <QList>
#include <QString>

class QLabel;
class QSpacerItem;
class QWidget;

// Reads the live groups of one poll tick in their fixed order: 3, 1, 2, 12,
// 13, 14, 15, 4, 5, 6, 7, then the remote-editing coils (21), then 0. The
// first failed read ends the list and its result is returned; 0 when all were
// read, and 0 without reading while linkSuspended is set.
int readLiveGroups();

// The weight area of the main window, drawn from the live state: weights,
// millivolts, error messages, sensor pressures, status images, net marks and
// the combined weight. Labels are found by object name under the given root
// (the main window); a label that is not there is skipped.
class LiveDisplay
{
public:
    explicit LiveDisplay(QWidget *root);

    // Redraws the weight area; force redraws everything (after connecting and
    // after a language change).
    void refreshLiveDisplay(bool force);

    // While the link is in error the values shown are the last ones read: they
    // are greyed, with a tool tip saying so, until a good poll clears it.
    void setStale(bool stale);
    bool isStale() const { return staleShown; }

    // Texts as last drawn (for the window's own checks and for tests).
    QString weightText(int channel) const { return channelWeightText[channel]; }
    QString pressureText(int channel) const { return channelPressureText[channel]; }
    QString combinedText() const { return combinedTextShown; }

private:
    struct ChannelLabels
    {
        QLabel *weight = nullptr;
        QLabel *milliVolt = nullptr;
        QLabel *error = nullptr;
        QLabel *pressure = nullptr;
        QLabel *stable = nullptr;
        QLabel *zero = nullptr;
        QLabel *net = nullptr;
    };

    void applyLayout();
    void applyStale();
    QList<QLabel *> valueLabels() const;
    void drawCombinedStatus();
    void drawChannelStatus(int c);

    QWidget *weightDisplay = nullptr;
    QSpacerItem *spacer = nullptr;
    ChannelLabels channel[4];
    QLabel *combinedTitle = nullptr;
    QLabel *combinedWeightLabel = nullptr;
    QLabel *combinedStable = nullptr;
    QLabel *combinedZero = nullptr;
    QLabel *combinedNet = nullptr;
    QLabel *pressureTitle = nullptr;

    // Display memory between refreshes.
    int lastMode = -1;
    int lastEnable = -1;
    int lastCombinedStatus = -1;
    int lastStatus[4] = {-1, -1, -1, -1};
    QString channelWeightText[4];
    QString channelPressureText[4];
    bool channelError[4] = {false, false, false, false};
    QString combinedTextShown;
    bool combinedError = false;
    bool tiltFlag = false;
    int enableValue[4] = {0, 0, 0, 0}; // as last evaluated in combined mode
    bool staleShown = false;
};
