#pragma once

// The common path from a widget edit to a register write: arming, backup,
// commit with retries and put-back, weight and unit display. Widget code above
// the link (writes) and the parameter model (tables, encoding).

#include "link/deviceaccess.h"

#include <QString>
#include <QVector>

class QLabel;
struct PageState;
class QLineEdit;
class QWidget;

// Result of commitWidgetValue when nothing was written (a combo's popup list, or
// a widget that is not in the current page's binding table).
constexpr int CommitNotWritten = -1;

// Commits a converted text for the widget: finds its binding on the current
// page, reads the current value, writes (up to three attempts on time-out) and
// puts the widget back to backup (the widget's text, or combo index, before the
// edit) when needed. Returns the final write result
// (0 = written), or CommitNotWritten when nothing was written.
// The page, sub-table, channel and Ethernet slot come from state.
int commitWidgetValue(PageState &state, QWidget *widget, const QString &text, const QString &backup);

// Converts a bound line edit's text into the text a commit sends, by the scale
// of its binding on the page: weights x 10^decimals of the given channel (channel
// 1 for the tilt threshold), millivolts x 10000, coefficients x 100000, anything
// else as typed.
QString registerTextForBinding(const QLineEdit *edit, int page, int subTable, int channel);

// Weight text of a line edit -> register text (weightTextToRegisterText with
// the channel's decimals; channel 1 for the tilt threshold).
QString weightToRegisterText(const QLineEdit *edit, int channel);

// Weight fields: redraws each field whose device value differs from its
// displayed copy (or all when forced / the channel's decimals changed).
// Returns the final force flag.
// state is the page's own record of what it drew last.
struct WeightDrawState
{
    // -1 until the first drawing, so the first weight and unit drawing is complete.
    int weightDecimals = -1;
    int tiltDecimals = -1; // channel 1's, which the tilt threshold is drawn with
    int unitIndex = -1;
};
bool weightDecimalsChanged(WeightDrawState &state, int channel, bool force);
bool updateWeightFields(WeightDrawState &state, const QVector<QLineEdit *> &fields,
    QVector<qint64> &displayed, const QVector<qint64> &deviceValues, int channel, bool force);
void updateUnitLabels(WeightDrawState &state, const QVector<QLabel *> &labels, int channel, bool force);
