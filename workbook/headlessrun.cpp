#include "workbook/headlessrun.h"

#include <QCommandLineParser>

void addWorkbookOptions(QCommandLineParser &parser) { Q_UNUSED(parser) }

int runWorkbookCommandLine(const QCommandLineParser &parser)
{
    Q_UNUSED(parser)
    return -1;
}
