#include "link/linksession.h"

namespace {

// The session made current by a LinkSession::Current, or the process's own
// (made on first use and kept to the end) where none is; null before the
// first use and after the current one is gone. Process-wide because the
// process's transactions (link/deviceaccess.h) are free functions that every
// page and engine calls without a session of its own.
LinkSession *currentSession = nullptr;

} // namespace

LinkSession::LinkSession(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<TransactionRecord>();
}

LinkSession::~LinkSession()
{
    if (currentSession == this)
        currentSession = nullptr;
}

LinkSession::Current::Current(LinkSession &session)
    : previous(&linkSession())
{
    currentSession = &session;
}

LinkSession::Current::~Current() { currentSession = previous; }

std::optional<qint64> LinkSession::oldValue() const
{
    if (!hasOldValue.load())
        return std::nullopt;
    return oldValueRead.load();
}

void LinkSession::report(const TransactionRecord &record) { emit transactionFinished(record); }

LinkSession &linkSession()
{
    // A process that made none current (a test of single parts) gets one of
    // its own: the free transactions need a session even where nobody made one.
    if (!currentSession)
        currentSession = new LinkSession;
    return *currentSession;
}

LinkHold::LinkHold(LinkSession &session)
    : session(session)
{
    ++session.holds;
}

LinkHold::~LinkHold() { --session.holds; }

WriteSourceScope::WriteSourceScope(LinkSession &session, WriteSource source)
    : session(session)
    , previousSource(session.source.load())
    , previousHasOld(session.hasOldValue.load())
    , previousOld(session.oldValueRead.load())
{
    session.source = int(source);
    session.hasOldValue = false;
}

WriteSourceScope::~WriteSourceScope()
{
    session.source = previousSource;
    session.oldValueRead = previousOld;
    session.hasOldValue = previousHasOld;
}

void WriteSourceScope::setOldValue(qint64 value)
{
    session.oldValueRead = value;
    session.hasOldValue = true;
}

void WriteSourceScope::clearOldValue() { session.hasOldValue = false; }
