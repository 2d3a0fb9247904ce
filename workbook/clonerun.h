#pragma once

// One workbook into many devices. Every target gets the import of a single
// device (read, write what differs, read back) through a client of its own:
// TCP targets in worker threads, several at once; the devices behind one RTU
// over TCP converter one after another in one worker thread (one connection
// each converter); the devices on one serial port one after another on the
// calling thread, the server address changed between them. Nothing here touches the current
// session's link (its client, server address and word order) from a worker
// thread; the transactions are reported on the session, tagged as the clone's.

#include "link/linkparameters.h"

#include <QString>
#include <QVector>

#include <atomic>
#include <functional>
#include <vector>

struct ImportSheet;
class QModbusClient;

// Where one target's run is, written by the thread that serves it and read by
// the calling thread for the progress line.
struct TargetProgress
{
    std::atomic_int phase {Waiting}; // ExelToWrite::Phase while the run goes on, or one below
    std::atomic_int done {0};
    std::atomic_int total {0};

    static constexpr int Waiting = -2;
    static constexpr int Checking = -1; // connecting and the test read
    static constexpr int Finished = 3;
};

// The job of one target (its index in the links), on the thread that serves
// it: client is connected (null when the connection failed, connectError says
// why). onProgress, on the calling thread only, keeps its progress lines going
// (call it as the job goes on; it may be empty).
using TargetJob = std::function<void(
    int target, QModbusClient *client, const QString &connectError, const std::function<void()> &onProgress)>;

// Runs job for every link through a client of its own: the network links in
// at most jobs worker threads, each TCP target on a connection of its own, the
// devices behind one RTU over TCP converter (host and port) one after another
// on one connection; the serial links one after another on the calling thread,
// one connection per port and its settings, the server address changed between
// them. progress (one per link) gets Checking while a target connects and
// Finished after its job. tick is called on the calling thread at least every
// 20 ms while worker threads run, and through onProgress.
void runOnTargets(const QVector<LinkParameters> &links, int jobs, const TargetJob &job,
    std::vector<TargetProgress> &progress, const std::function<void()> &tick);

struct CloneTarget
{
    LinkParameters link; // connectType, host and port or serial port, server address, word order, time-out
    QString name; // as the result lines show it (cloneTargetName)
};

struct CloneOptions
{
    int jobs = 4; // network connections served at once (a TCP target, an RTU over TCP converter)
    bool allRows = false; // write every valid row
    bool blockReads = true;
    QString historyFolder; // the store every target's result is recorded into (empty: none)
    QString workbookName; // the workbook's file name, for the versions' messages
};

struct CloneResult
{
    bool ok = false; // every written row taken and read back as written
    QString reason; // why not
    int written = 0;
    int unchanged = 0;
    int failed = 0;
    int invalid = 0;
    int verified = 0;
    int mismatched = 0;
    QString serial; // the device's serial number, when it was read
    QString historyError; // why the history of the target was not recorded; empty when it was
};

// "127.0.0.1:1502" for TCP, "/dev/ttyUSB0@2" (port and server address) for RTU,
// "192.168.1.20:502@2" (converter and server address) for RTU over TCP.
QString cloneTargetName(const LinkParameters &link);

// Imports sheet into every target and returns one result per target, in the
// targets' order. progressLine (called on the calling thread, at most once a
// second while the run goes on) receives "clone progress: <target> <phase>
// <done>/<total>, ...".
QVector<CloneResult> runClone(const ImportSheet &sheet, const QVector<CloneTarget> &targets,
    const CloneOptions &options, const std::function<void(const QString &)> &progressLine);

// "clone <target>: ok written=<n> unchanged=<n>" or "clone <target>: failed <reason>".
QString cloneResultLine(const CloneTarget &target, const CloneResult &result);
