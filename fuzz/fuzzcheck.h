#pragma once

// What the harnesses share: a failed expectation prints where and what, then
// aborts so that libFuzzer keeps the input as a crash; and Qt's debug lines
// (the decoders log every decode) are kept out of the fuzzer's output.

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, detail)                                                                        \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: expectation failed: %s %s\n", __FILE__, __LINE__, #condition,       \
                QString(detail).toUtf8().constData());                                                       \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

inline void dropQtDebugLines()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    });
}
