#pragma once

// A connected pair of pseudo-terminals made by socat, for RTU over a "serial
// line" without hardware. Both ends disappear when the pair is destroyed.
//
//   Q4_REQUIRE_TOOL("socat");        // support/requiredtool.h
//   PtyPair pty;
//   QVERIFY(pty.start());            // q4sim on pty.first(), the program on pty.second()
//   pty.stop();                      // both ends go away, as an unplugged adapter
//   QVERIFY(pty.start());            // and come back under the same names

#include "support/requiredtool.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PtyPair
{
public:
    PtyPair() = default;
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    static bool available();
    // Starts socat and waits (up to 5 s) until both ends exist. After stop()
    // the new pair gets the same names.
    bool start();
    // Ends socat: both ends disappear (a program holding one sees a hang-up).
    void stop();
    QString first() const { return firstEnd; }
    QString second() const { return secondEnd; }

private:
    QTemporaryDir dir;
    QProcess socat;
    QString firstEnd;
    QString secondEnd;
};
