#pragma once

// Writing a version of the configuration history back into a device: the
// version's rows become the rows of an import (workbook/versionsheet.h), which
// writes only the rows that differ from the device and reads them back
// (exceltowrite.h).

#include "workbook/versionsheet.h"

class QCommandLineParser;

// q4config --restore SERIAL REV with the link options; returns the exit status
// (0 done, 1 failed, 2 refused or bad arguments, 3 done but not recorded).
int runRestoreCommandLine(const QCommandLineParser &parser);
