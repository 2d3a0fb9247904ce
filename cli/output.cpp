#include "cli/output.h"

#include <QTextStream>

#include <cstdio>

QTextStream &out()
{
    // Process-wide like stdout itself; it holds no state of the runs.
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}
