#pragma once

// Pieces of the result lines of the workbook runs (command line, clone, backup).

#include <QString>

class ExelToWrite;

// "rows 2 to 36 done, rows 37 to 242 not done" ("no row done, ..." before row 3).
QString rowsDoneText(int firstNotDone, int rows);
// "; 2 failed (first failed addresses: 204, 206)"
QString failedText(const ExelToWrite &worker);
// "3 verified, 1 mismatched (first mismatched addresses: 608)"
QString verifiedText(const ExelToWrite &worker);
// "reading", "writing", "verifying"
QString phaseName(int phase);
