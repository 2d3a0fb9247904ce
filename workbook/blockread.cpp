#include "workbook/blockread.h"

#include "params/registermap.h"

#include <algorithm>

namespace {

// The groups that are block reads of holding registers: the ones before the
// single command registers (61..75), without the coil group.
constexpr int FirstCommandGroup = 61;

struct Range
{
    int first;
    int last;
};

const QVector<Range> &readableRanges()
{
    static const QVector<Range> ranges = [] {
        QVector<Range> list;
        for (int g = 0; g < FirstCommandGroup; ++g) {
            if (g == RemoteSwitchGroup)
                continue;
            const ParameterGroup group = parameterGroup(g);
            if (group.count > 0)
                list.append({group.start, group.start + group.count - 1});
        }
        return list;
    }();
    return ranges;
}

} // namespace

bool readableTogether(int first, int last)
{
    if (first > last)
        return false;
    for (const Range &r : readableRanges()) {
        if (r.first <= first && last <= r.last)
            return true;
    }
    return false;
}

QVector<ReadBlock> planReadBlocks(const QVector<RegisterSpan> &spans, bool coalesce)
{
    QVector<ReadBlock> blocks;
    int blockLast = 0;
    for (int i = 0; i < spans.size(); ++i) {
        const RegisterSpan &span = spans.at(i);
        const int first = span.address;
        const int last = span.address + qMax(1, span.count) - 1;
        if (coalesce && !blocks.isEmpty()) {
            ReadBlock &block = blocks.last();
            const int grownLast = std::max(blockLast, last);
            if (first >= block.start && grownLast - block.start + 1 <= MaxReadRegisters
                && readableTogether(block.start, grownLast)) {
                blockLast = grownLast;
                block.count = grownLast - block.start + 1;
                block.members.append(i);
                continue;
            }
        }
        ReadBlock block;
        block.start = first;
        block.count = last - first + 1;
        block.members.append(i);
        blocks.append(block);
        blockLast = last;
    }
    return blocks;
}
