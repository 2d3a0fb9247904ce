#pragma once

// The configuration history: a Git repository with one folder per device,
// named by the device's serial number, holding
//   parameters.csv  the device's parameter set (workbook rows, by address)
//   audit.csv       one line per write the program made to the device
// (see workbook/historycsv.h). A version is a commit; one is made only when a
// device's files changed. Plain git shows the versions and their diffs.
//
// Several processes and threads may record into one store at once: every
// change is made under an exclusive lock (flock on .git/q4history-lock, waited
// for at most lockTimeout), on top of the HEAD of that moment, objects first and
// the branch last, so none is lost and a killed process leaves the repository
// whole. Readers take no lock.
//
// A HistoryStore is used by one thread; give each thread its own (they are
// cheap: the repository is opened per call). Every failure comes back as a text
// that names the history store, in the user's language.

#include "workbook/historycsv.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QVector>

#include <memory>

struct git_repository;

// One device of the store.
struct HistoryDevice
{
    QString serial;
    int versions = 0; // commits that changed the device's folder
    QDateTime lastTime; // time of the newest of them
};

// One version (commit) of a device.
struct HistoryVersion
{
    QString id; // full commit id (40 hex digits)
    QDateTime time; // author time, local
    QString author; // "login@host" (the author's e-mail, else the name)
    QString message; // first line of the commit message
    QString shortId() const { return id.left(10); }
};

// The outcome of recordVersion.
struct HistoryRecord
{
    enum Outcome { Failed, Unchanged, Committed };
    Outcome outcome = Failed;
    QString commitId; // the new commit (Committed) or the current one (Unchanged)
    QString error; // Failed: what went wrong, naming the store
    bool ok() const { return outcome != Failed; }
};

class HistoryStore
{
    Q_DECLARE_TR_FUNCTIONS(HistoryStore)
public:
    // folder: the store's folder (created with its repository on the first record).
    explicit HistoryStore(const QString &folder);
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    QString folder() const { return root; }
    // Author and committer of the versions, user of the audit lines: by default
    // the login (USER, else the account name) and the machine's host name.
    void setIdentity(const QString &login, const QString &host);
    QString login() const { return userLogin; }
    // Longest wait for another process's record, in ms (default 10 000).
    void setLockTimeout(int ms) { lockTimeoutMs = ms; }

    // Writes the device's parameters.csv (rows sorted by address) and commits it
    // together with the device's audit.csv, when either differs from the newest
    // version. message is the commit message; unreadRows > 0 (rows that could not
    // be read and are left out) is added to it.
    HistoryRecord recordVersion(
        const QString &serial, const QVector<HistoryRow> &rows, int unreadRows, const QString &message);
    // Appends lines to the device's audit.csv at once (on disk before it
    // returns); the next recordVersion of the device commits them.
    bool appendAudit(const QString &serial, const QVector<HistoryAuditEntry> &entries, QString *error);

    // True when the folder holds a repository.
    bool exists() const;
    // The devices with at least one version, by serial number. An absent store has none.
    bool devices(QVector<HistoryDevice> *list, QString *error) const;
    // The stored device a serial number given by the user names: the same text,
    // or the same once hyphens are ignored ("2026120700042000000001234" finds
    // "2026120700042-000000001234").
    bool findDevice(const QString &given, QString *serial, QString *error) const;
    // The device's versions, newest first.
    bool versions(const QString &serial, QVector<HistoryVersion> *list, QString *error) const;
    // The device's parameters.csv at a revision (a commit id or its prefix, HEAD~2...).
    bool parametersAt(
        const QString &serial, const QString &revision, QVector<HistoryRow> *rows, QString *error) const;
    // The full id of the version a revision names (a commit id or its prefix, HEAD~2...).
    bool resolve(const QString &revision, QString *id, QString *error) const;
    // The rows that differ between two revisions of the device (to empty: the newest).
    bool diff(const QString &serial, const QString &from, const QString &to, QVector<HistoryChange> *changes,
        QString *error) const;
    // The device's audit lines, those not yet committed included.
    bool auditEntries(const QString &serial, QVector<HistoryAuditEntry> *entries, QString *error) const;

    // Pushes the current branch to the remote "origin" (or the only remote).
    // remoteText gets "origin (URL)". False with the reason when the push failed;
    // the local history is left as it is either way.
    bool push(QString *remoteText, QString *error) const;

    // The device's folder name: the serial with every character other than
    // A-Z a-z 0-9 - _ written as %XX (UTF-8), so that no serial escapes the store.
    static QString folderName(const QString &serial);
    static QString serialOfFolder(const QString &folder);

private:
    enum class Open { Existing, CreateIfAbsent };
    struct RepositoryCloser
    {
        void operator()(git_repository *repo) const;
    };
    using Repository = std::unique_ptr<git_repository, RepositoryCloser>;
    // The store's repository; null with an error (absent set when there is none).
    Repository openRepository(Open mode, QString *error, bool *absent = nullptr) const;
    Repository createRepository(QString *error) const;
    // repo, or null with an error when the history cannot use it.
    Repository usable(git_repository *repo, QString *error) const;
    bool readFile(git_repository *repo, const QString &revision, const QString &path, QByteArray *bytes,
        QString *error) const;
    QString storeError(const QString &what) const;

    QString root;
    QString userLogin;
    QString userHost;
    int lockTimeoutMs = 10000;
};
