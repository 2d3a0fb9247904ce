#pragma once

// The command-line runs' result lines: one stream on standard output and one
// on standard error for every run, so that their buffers never interleave.
// Callers flush after each line they want seen at once.

class QTextStream;

QTextStream &out();
QTextStream &err();
