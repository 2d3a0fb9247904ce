#pragma once

#include "link/linkchange.h"
#include "link/linkparameters.h"
#include "params/devicecopy.h"
#include "workbook/exceltowrite.h"

#include <QCoreApplication>
#include <QVector>

class QWidget;

// The rows of a window's import that change the link the program is connected
// through (link/linkchange.h): asked about before the first write, and the link
// made again with them afterwards.
class ImportLinkCheck
{
    Q_DECLARE_TR_FUNCTIONS(ImportLinkCheck)

public:
    // The import's rows about to be written: when some change the link in use,
    // asks whether to import; the answer for ExelToWrite::reviewWrites (those
    // rows go last).
    WritePlan review(const QVector<PlannedWrite> &planned, QWidget *parent);
    // After the import: true with the link to make again when rows that change
    // it were sent (answered, or sent without an answer) and the new link is known.
    bool nextLink(const QVector<RowWrite> &writes, LinkParameters *link) const;

    // The question for these changes of link, in the user's language.
    static QString question(const LinkParameters &link, const OwnLinkChanges &changes);

private:
    bool asked = false;
    LinkParameters before;
    DeviceCopy device;
    QVector<RegisterWrite> writes; // the one-register writes, in row order
    QVector<int> linkAddresses;
};
