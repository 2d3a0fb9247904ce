#pragma once

// The round the two workbook harnesses put every package through, once with
// the default limits and once with small ones (which short inputs can reach):
// the reader refuses with a message or reads within its limits; a save with
// nothing edited writes nothing; a few cells are written (in the used range,
// past it, over a cell that holds text, and text taken from the input), the
// workbook is saved and read back: the written cells read back as written,
// every other cell looked at keeps its text, the used range grows by the
// written cells only, and a refused save leaves the file as it was. A broken
// promise aborts, so libFuzzer keeps the input.

#include "workbook/xlsxworkbook.h"

#include <QByteArray>

// The default limits, but for a file limit that suits the inputs.
XlsxLimits defaultLimits();
// Small limits: a few rows, short texts, shallow XML, small files.
XlsxLimits smallLimits();

// Writes the package to a scratch file (under TMPDIR) and checks it with both sets of limits.
void checkPackage(const QByteArray &package);

// The round on one file with one set of limits; seed picks the cells written.
void checkWorkbookFile(const QString &path, const XlsxLimits &limits, quint32 seed);
