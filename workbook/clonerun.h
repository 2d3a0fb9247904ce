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

#include <functional>

struct ImportSheet;

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
