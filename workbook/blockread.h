#pragma once

// Which workbook rows can be read from the device in one request. The rows of
// a workbook are mostly in ascending register order; consecutive rows are
// coalesced into block reads as long as the block stays inside one of the
// register map's block-read groups (so it never spans registers the device
// does not map) and within the Modbus limit of one read.

#include <QVector>

// Most holding registers one read may ask for (Modbus function 03).
constexpr int MaxReadRegisters = 125;

// One row's registers: count 1 or 2 from address.
struct RegisterSpan
{
    int address = 0;
    int count = 0;
};

// One read request and the spans it serves.
struct ReadBlock
{
    int start = 0;
    int count = 0;
    QVector<int> members; // indexes into the planned spans, ascending
};

// True when registers first..last lie inside one block-read group of the
// register map (groups 0..60 but the coil group).
bool readableTogether(int first, int last);

// The block reads of the spans, in order. A span joins the block before it when
// it starts at or after that block's start and the grown block is still
// readable together and at most MaxReadRegisters long; otherwise it starts a
// block of its own. A span outside every group is read alone. Without
// coalescing every span is a block of its own (one request per row).
QVector<ReadBlock> planReadBlocks(const QVector<RegisterSpan> &spans, bool coalesce = true);
