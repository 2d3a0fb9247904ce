#pragma once

#include <QElapsedTimer>
#include <QWidget>

namespace Ui {
class TrafficLogWindow;
}

class QTimer;
class TrafficLog;
class TrafficLogModel;

// The traffic log window of the main window's "Traffic" button: every Modbus
// transaction of the window's session (from its traffic record,
// link/trafficlog.h, which must outlive the window) in a
// table, newest at the bottom, with pause, clear, CSV save, an errors-only and
// an address filter, and the statistics since connect.
//
// A tool window with the system's frame (moved and resized like any window,
// kept above the main window), not one of the frameless popups: it stays open
// beside the program while the engineer works. Closing it only hides it.
//
// It is cheap while the poll runs: a timer looks for new transactions a few
// times a second, but steady traffic reaches the table at most once a second
// in one batch (each batch lays out and paints the rows on screen; nothing
// runs while the window is hidden). A transaction after a quiet second shows
// at the next look. Cells are formatted only for the rows on screen.
class TrafficLogWindow : public QWidget
{
    Q_OBJECT

public:
    // How often the timer looks for new transactions.
    static constexpr int RefreshIntervalMs = 250;
    // The shortest time between two batches that reach the table.
    static constexpr int BatchIntervalMs = 1000;

    explicit TrafficLogWindow(TrafficLog &traffic, QWidget *parent = nullptr);
    ~TrafficLogWindow() override;

    TrafficLogModel *model() const { return tableModel; }
    // Takes the transactions recorded since the last batch and redraws the
    // statistics (the timer's work; tests call it directly).
    void refresh();
    // Writes the rows shown as CSV (the header and lines of --log-traffic).
    // False with *error when the file cannot be written.
    bool saveCsv(const QString &path, QString *error = nullptr) const;

public slots:
    void on_Btn_TrafficPause_toggled(bool checked);
    void on_Btn_TrafficClear_clicked();
    void on_Btn_TrafficSave_clicked();
    void on_checkErrorsOnly_toggled(bool checked);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refreshWhenDue();
    void applyAddressFilter();
    void fitColumns();
    void showStatistics();
    void retranslate();

    Ui::TrafficLogWindow *ui;
    TrafficLog &traffic;
    TrafficLogModel *tableModel = nullptr;
    QTimer *refreshTimer = nullptr;
    QElapsedTimer lastBatch; // since the last batch that brought rows
};
