#pragma once

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

// The tick source of the live poll: every 500 ms, when no tick is in progress
// (pollBusy clear), it sets pollBusy and emits isdone, which the main window
// receives queued on the GUI thread. It touches nothing else.
class DisplayWeightThread : public QThread
{
    Q_OBJECT

public:
    explicit DisplayWeightThread(QObject *parent = nullptr);
    // Requests interruption, quits and waits for the loop to end.
    ~DisplayWeightThread() override;

    // Requests interruption and wakes the sleeping loop at once.
    void stop();

    static constexpr int PeriodMs = 500;

signals:
    void isdone();
    void isstart(); // declared for the form of the interface; never emitted

protected:
    void run() override;

private:
    // Sleeps for the period, returning early once interruption is requested.
    void sleepPeriod();

    QMutex sleepMutex;
    QWaitCondition wakeUp;
};
