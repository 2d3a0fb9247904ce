#pragma once

#include "ui/pages/parampage.h"

#include <QVector>

class QComboBox;
class QLabel;
class QLineEdit;

namespace Ui {
class Application;
}

// Digital inputs, digital outputs and the eight weight comparators. The
// settings are device-wide; only the tab shown is read and redrawn.
class Application : public ParamPage
{
    Q_OBJECT

public:
    explicit Application(QWidget *parent = nullptr);
    ~Application() override;

    void showPage() override;
    void refresh(bool forced) override;

    Ui::Application *form() const { return ui; }

    // Function code <-> item index of the input and output lists in the
    // given channel mode (only mode 1 uses the short channel-free lists).
    static int inputIndexForCode(int code, int mode);
    static int inputCodeForIndex(int index, int mode);
    static int outputIndexForCode(int code, int mode);
    static int outputCodeForIndex(int index, int mode);

protected:
    void reflow() override;

private slots:
    void on_tabWidget_currentChanged(int index);

private:
    void rebuildFunctionLists(int mode);
    void drawInputs(bool force);
    void drawOutputs(bool force);
    void drawComparators(bool force);
    void drawComparatorValue(int comparator, int word, int value);
    int comparatorChannel(int comparator) const;
    void comboActivated(QComboBox *combo, int index);
    void editFinished(QLineEdit *edit);

    Ui::Application *ui;

    QVector<QComboBox *> inputBoxes; // BoxInput1..4
    QVector<QLineEdit *> inputDelays; // lineEditInput1..4
    QVector<QComboBox *> outputBoxes; // BoxOutput1..8
    QVector<QVector<QWidget *>> compWidgets; // 8 comparators x 8 words
    QVector<QLabel *> compUnit1, compUnit2;

    // Displayed copies of the device words.
    int shownInputs[8];
    int shownOutputs[8];
    int shownComps[8][8];
    int compDecimals[8];
    int compUnits[8];
    int lastRemote = -1;
    int lastMode = -1;
    int lastTab = -1;
    int flowColumnCount = 0;
};
