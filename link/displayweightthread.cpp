#include "link/displayweightthread.h"

#include "link/linkstate.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

DisplayWeightThread::DisplayWeightThread(QObject *parent)
    : QThread(parent)
{
}

DisplayWeightThread::~DisplayWeightThread()
{
    stop();
    quit();
    wait();
}

void DisplayWeightThread::stop()
{
    requestInterruption();
    QMutexLocker lock(&sleepMutex);
    wakeUp.wakeAll();
}

void DisplayWeightThread::run()
{
    while (!isInterruptionRequested()) {
        if (!pollBusy) {
            pollBusy = true;
            emit isdone();
        }
        sleepPeriod();
    }
}

void DisplayWeightThread::sleepPeriod()
{
    QDeadlineTimer deadline(PeriodMs, Qt::PreciseTimer);
    QMutexLocker lock(&sleepMutex);
    while (!isInterruptionRequested() && !deadline.hasExpired()) {
        // stop() wakes the wait at once; a bare requestInterruption() is noticed
        // within 50 ms.
        const qint64 left = deadline.remainingTime();
        wakeUp.wait(&sleepMutex, QDeadlineTimer(qMin<qint64>(left, 50), Qt::PreciseTimer));
    }
}
