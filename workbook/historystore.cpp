#include "workbook/historystore.h"

#include "workbook/historygit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

using namespace HistoryGit;

namespace {

const char LockFileName[] = "q4history-lock";
const char ParametersFileName[] = "parameters.csv";
const char AuditFileName[] = "audit.csv";
// How long a store that another process is creating may take to become readable.
constexpr int CreationWaitMs = 2000;
// Versions made again when plain git moved the branch meanwhile.
constexpr int CommitAttempts = 5;

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The exclusive lock of the store: an flock on a file inside .git. flock
// serializes the threads of one process too (each lock opens the file anew),
// and the lock dies with its process.
class StoreLock
{
public:
    ~StoreLock()
    {
        if (fd >= 0)
            ::close(fd); // releases the lock
    }
    // False with a reason; timedOut tells a lock held beyond the wait from an error.
    bool acquire(const QString &path, int timeoutMs, bool *timedOut, QString *reason)
    {
        *timedOut = false;
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            *reason = systemError(errno);
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
                return true;
            if (errno != EWOULDBLOCK && errno != EINTR) {
                *reason = systemError(errno);
                return false;
            }
            if (clock.elapsed() >= timeoutMs) {
                *timedOut = true;
                return false;
            }
            QThread::msleep(5);
        }
    }

private:
    int fd = -1;
};

// Takes the store's lock, waiting at most timeoutMs; false with the reason.
bool lockRepository(git_repository *repo, int timeoutMs, StoreLock *lock, QString *reason)
{
    bool timedOut = false;
    const QString gitDir = QFile::decodeName(git_repository_path(repo));
    if (lock->acquire(gitDir + QLatin1String(LockFileName), timeoutMs, &timedOut, reason))
        return true;
    *reason = timedOut
        ? HistoryStore::tr("locked by another program for more than %1 s").arg(timeoutMs / 1000.0)
        : HistoryStore::tr("not writable (%1)").arg(*reason);
    return false;
}

QString defaultLogin()
{
    QString login = qEnvironmentVariable("USER");
    if (login.isEmpty()) {
        if (const passwd *account = ::getpwuid(::getuid()))
            login = QString::fromLocal8Bit(account->pw_name);
    }
    return login.isEmpty() ? QStringLiteral("q4config") : login;
}

// Opens the repository in folder (never one above it), trying again for up to waitMs.
bool openStore(const QString &folder, int waitMs, git_repository **repo)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (git_repository_open_ext(
                repo, QFile::encodeName(folder).constData(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr)
            == 0)
            return true;
        if (clock.elapsed() >= waitMs)
            return false;
        QThread::msleep(20);
    }
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString workdirOf(git_repository *repo) { return QFile::decodeName(git_repository_workdir(repo)); }

// The commit HEAD points at; null (and true) while the branch has none.
bool headCommit(git_repository *repo, Commit *commit)
{
    git_oid id;
    const int rc = git_reference_name_to_id(&id, repo, "HEAD");
    if (rc == GIT_ENOTFOUND || rc == GIT_EUNBORNBRANCH) {
        commit->reset();
        return true;
    }
    git_commit *found = nullptr;
    if (rc < 0 || git_commit_lookup(&found, repo, &id) < 0)
        return false;
    commit->reset(found);
    return true;
}

// The commit's tree, or the empty tree for no commit.
bool treeOf(git_repository *repo, git_commit *commit, Tree *tree)
{
    git_tree *found = nullptr;
    if (commit) {
        if (git_commit_tree(&found, commit) < 0)
            return false;
        tree->reset(found);
        return true;
    }
    git_treebuilder *builder = nullptr;
    git_oid id;
    if (git_treebuilder_new(&builder, repo, nullptr) < 0)
        return false;
    TreeBuilder owned(builder);
    if (git_treebuilder_write(&id, builder) < 0 || git_tree_lookup(&found, repo, &id) < 0)
        return false;
    tree->reset(found);
    return true;
}

// The content of path in tree; false when the tree has no such file.
bool fileInTree(git_repository *repo, git_tree *tree, const QString &path, QByteArray *bytes)
{
    git_tree_entry *entry = nullptr;
    if (git_tree_entry_bypath(&entry, tree, path.toUtf8().constData()) < 0)
        return false;
    TreeEntry ownedEntry(entry);
    git_blob *blob = nullptr;
    if (git_blob_lookup(&blob, repo, git_tree_entry_id(entry)) < 0)
        return false;
    Blob ownedBlob(blob);
    *bytes = QByteArray(static_cast<const char *>(git_blob_rawcontent(blob)), int(git_blob_rawsize(blob)));
    return true;
}

QByteArray fileContent(const QString &path, bool *exists)
{
    QFile file(path);
    *exists = file.open(QIODevice::ReadOnly);
    return *exists ? file.readAll() : QByteArray();
}

// Writes a working file, which only mirrors the committed version: in place
// and not synced (a file torn by a crash is written again by the next record).
void writeWorkFile(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// Keeps the index in step with the commit for the given paths, so that plain
// git shows a clean working folder. The index is a convenience: a failure here
// (plain git holding index.lock) loses nothing and is not reported.
void refreshIndex(git_repository *repo, const QStringList &paths)
{
    git_index *index = nullptr;
    if (git_repository_index(&index, repo) < 0)
        return;
    Index owned(index);
    if (git_index_read(index, 1) < 0)
        return;
    for (const QString &path : paths) {
        if (git_index_add_bypath(index, path.toUtf8().constData()) < 0)
            return;
    }
    git_index_write(index);
}

// Writes bytes as a blob unless the repository has it already (creating files
// is the slow part of a record on a busy file system).
int storeBlob(git_repository *repo, const QByteArray &bytes, git_oid *id)
{
    int rc = git_odb_hash(id, bytes.constData(), size_t(bytes.size()), GIT_OBJECT_BLOB);
    git_odb *odb = nullptr;
    if (rc == 0 && (rc = git_repository_odb(&odb, repo)) == 0) {
        const bool present = git_odb_exists(odb, id);
        git_odb_free(odb);
        if (!present)
            rc = git_blob_create_from_buffer(id, repo, bytes.constData(), size_t(bytes.size()));
    }
    return rc;
}

// True when tree holds the blob id at path.
bool sameBlob(git_tree *tree, const QString &path, const git_oid &id)
{
    git_tree_entry *entry = nullptr;
    if (git_tree_entry_bypath(&entry, tree, path.toUtf8().constData()) < 0)
        return false;
    TreeEntry owned(entry);
    return git_oid_equal(git_tree_entry_id(entry), &id);
}

// The two files of a device in a version.
struct DeviceFiles
{
    QString parametersPath;
    QString auditPath;
    QByteArray parameters;
    QByteArray audit;
    bool auditInWorkdir = false; // else audit is filled from the newest version
};

// Makes a version of the files on top of the HEAD of this moment, unless they
// are what it holds: objects first, then the branch is moved only if it still
// points at that HEAD. Returns 0 or libgit2's error code.
int commitFiles(git_repository *repo, DeviceFiles *files, const QString &message,
    const git_signature *signature, HistoryRecord *result)
{
    Commit parent;
    Tree parentTree;
    if (!headCommit(repo, &parent) || !treeOf(repo, parent.get(), &parentTree))
        return GIT_ERROR;
    // Without an audit file in the working folder: the newest version's, or a new one.
    if (!files->auditInWorkdir && !fileInTree(repo, parentTree.get(), files->auditPath, &files->audit))
        files->audit = QByteArray(HistoryCsv::AuditHeader) + '\n';
    git_oid parametersId;
    git_oid auditId;
    int rc = storeBlob(repo, files->parameters, &parametersId);
    if (rc == 0)
        rc = storeBlob(repo, files->audit, &auditId);
    if (rc < 0)
        return rc;
    if (parent && sameBlob(parentTree.get(), files->parametersPath, parametersId)
        && sameBlob(parentTree.get(), files->auditPath, auditId)) {
        result->outcome = HistoryRecord::Unchanged;
        result->commitId = oidText(*git_commit_id(parent.get()));
        return 0;
    }
    const QByteArray parametersPath = files->parametersPath.toUtf8();
    const QByteArray auditPath = files->auditPath.toUtf8();
    const git_tree_update updates[2] = {
        {GIT_TREE_UPDATE_UPSERT, parametersId, GIT_FILEMODE_BLOB, parametersPath.constData()},
        {GIT_TREE_UPDATE_UPSERT, auditId, GIT_FILEMODE_BLOB, auditPath.constData()},
    };
    git_oid treeId;
    if ((rc = git_tree_create_updated(&treeId, repo, parentTree.get(), 2, updates)) < 0)
        return rc;
    git_tree *tree = nullptr;
    if ((rc = git_tree_lookup(&tree, repo, &treeId)) < 0)
        return rc;
    Tree ownedTree(tree);
    const git_commit *parents[1] = {parent.get()};
    QByteArray text = message.toUtf8();
    if (!text.endsWith('\n'))
        text += '\n';
    git_oid commitId;
    rc = git_commit_create(&commitId, repo, "HEAD", signature, signature, nullptr, text.constData(), tree,
        parent ? 1 : 0, parents);
    if (rc == 0) {
        result->outcome = HistoryRecord::Committed;
        result->commitId = oidText(commitId);
    }
    return rc;
}

} // namespace

void HistoryStore::RepositoryCloser::operator()(git_repository *repo) const { git_repository_free(repo); }

HistoryStore::HistoryStore(const QString &folder)
    : root(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()))
    , userLogin(defaultLogin())
    , userHost(QSysInfo::machineHostName())
{
    git_libgit2_init();
    if (userHost.isEmpty())
        userHost = QStringLiteral("localhost");
}

HistoryStore::~HistoryStore() { git_libgit2_shutdown(); }

void HistoryStore::setIdentity(const QString &login, const QString &host)
{
    if (!login.isEmpty())
        userLogin = login;
    if (!host.isEmpty())
        userHost = host;
}

QString HistoryStore::storeError(const QString &what) const
{
    return tr("history store %1: %2").arg(QDir::toNativeSeparators(root), what);
}

QString HistoryStore::folderName(const QString &serial)
{
    QString name;
    for (const char c : serial.toUtf8()) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || c == '-' || c == '_';
        name += plain ? QString(QLatin1Char(c))
                      : QStringLiteral("%%1").arg(uchar(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    return name;
}

QString HistoryStore::serialOfFolder(const QString &folder)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(folder.toUtf8()));
}

bool HistoryStore::exists() const { return QFileInfo(root + QStringLiteral("/.git")).exists(); }

HistoryStore::Repository HistoryStore::openRepository(Open mode, QString *error, bool *absent) const
{
    if (absent)
        *absent = false;
    git_repository *repo = nullptr;
    if (openStore(root, 0, &repo))
        return usable(repo, error);
    if (exists()) {
        // .git is there but not whole: another process may be creating the store just now.
        if (openStore(root, CreationWaitMs, &repo))
            return usable(repo, error);
        *error = storeError(tr("the repository is broken (%1)").arg(lastError()));
        return {};
    }
    if (mode == Open::Existing) {
        if (absent)
            *absent = true;
        *error = storeError(tr("there is no history here yet"));
        return {};
    }
    return createRepository(error);
}

HistoryStore::Repository HistoryStore::usable(git_repository *repo, QString *error) const
{
    Repository owned(repo);
    if (git_repository_is_bare(repo)) {
        *error = storeError(tr("a bare repository; the history needs one with a working folder"));
        return {};
    }
    return owned;
}

HistoryStore::Repository HistoryStore::createRepository(QString *error) const
{
    if (!QDir().mkpath(root)) {
        *error = storeError(tr("cannot create the folder"));
        return {};
    }
    git_repository *repo = nullptr;
    const QStringList entries = QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (entries == QStringList {QStringLiteral(".git")} && openStore(root, CreationWaitMs, &repo))
        return usable(repo, error);
    if (!entries.isEmpty()) {
        *error = storeError(tr("the folder holds other files and no Git repository"));
        return {};
    }
    git_repository_init_options options = GIT_REPOSITORY_INIT_OPTIONS_INIT;
    options.flags = GIT_REPOSITORY_INIT_MKPATH | GIT_REPOSITORY_INIT_NO_REINIT;
    if (git_repository_init_ext(&repo, QFile::encodeName(root).constData(), &options) == 0)
        return Repository(repo);
    const QString reason = lastError();
    // Another process may have created it first.
    if (openStore(root, CreationWaitMs, &repo))
        return usable(repo, error);
    *error = storeError(tr("cannot create the repository (%1)").arg(reason));
    return {};
}

HistoryRecord HistoryStore::recordVersion(
    const QString &serial, const QVector<HistoryRow> &rows, int unreadRows, const QString &message)
{
    HistoryRecord result;
    if (serial.isEmpty()) {
        result.error = storeError(tr("no serial number to record the version under"));
        return result;
    }
    Repository repo = openRepository(Open::CreateIfAbsent, &result.error);
    if (!repo)
        return result;
    StoreLock lock;
    QString reason;
    if (!lockRepository(repo.get(), lockTimeoutMs, &lock, &reason)) {
        result.error = storeError(reason);
        return result;
    }
    DeviceFiles files;
    files.parametersPath = folderName(serial) + QLatin1Char('/') + QLatin1String(ParametersFileName);
    files.auditPath = folderName(serial) + QLatin1Char('/') + QLatin1String(AuditFileName);
    files.parameters = HistoryCsv::parametersFile(rows);
    const QString workdir = workdirOf(repo.get());
    // The audit lines so far live in the working folder (appendAudit).
    files.audit = fileContent(workdir + files.auditPath, &files.auditInWorkdir);

    QString text = message;
    if (unreadRows > 0)
        text += QStringLiteral(" (%1 unread %2 left out)")
                    .arg(unreadRows)
                    .arg(unreadRows == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
    git_signature *signature = nullptr;
    int rc = git_signature_now(&signature, userLogin.toUtf8().constData(),
        QStringLiteral("%1@%2").arg(userLogin, userHost).toUtf8().constData());
    Signature ownedSignature(signature);
    // Plain git working on the store at the same moment may hold the branch's
    // lock or move it: then the version is made again on the new HEAD.
    for (int attempt = 0; rc == 0; ++attempt) {
        rc = commitFiles(repo.get(), &files, text, signature, &result);
        if ((rc != GIT_ELOCKED && rc != GIT_EMODIFIED) || attempt == CommitAttempts - 1)
            break;
        QThread::msleep(50);
    }
    if (rc < 0) {
        result.outcome = HistoryRecord::Failed;
        result.error = storeError(tr("cannot record a version of %1 (%2)").arg(serial, lastError()));
        return result;
    }
    // The working folder shows the newest version (plain git sees it clean).
    bool present = false;
    if (fileContent(workdir + files.parametersPath, &present) != files.parameters || !present)
        writeWorkFile(workdir + files.parametersPath, files.parameters);
    if (!files.auditInWorkdir)
        writeWorkFile(workdir + files.auditPath, files.audit);
    refreshIndex(repo.get(), {files.parametersPath, files.auditPath});
    return result;
}

bool HistoryStore::appendAudit(
    const QString &serial, const QVector<HistoryAuditEntry> &entries, QString *error)
{
    if (entries.isEmpty())
        return true;
    if (serial.isEmpty()) {
        *error = storeError(tr("no serial number to record the write under"));
        return false;
    }
    Repository repo = openRepository(Open::CreateIfAbsent, error);
    if (!repo)
        return false;
    StoreLock lock;
    QString reason;
    if (!lockRepository(repo.get(), lockTimeoutMs, &lock, &reason)) {
        *error = storeError(reason);
        return false;
    }
    const QString auditPath = folderName(serial) + QLatin1Char('/') + QLatin1String(AuditFileName);
    const QString path = workdirOf(repo.get()) + auditPath;

    QByteArray bytes;
    bool present = false;
    const QByteArray before = fileContent(path, &present);
    if (!present) {
        // A new file goes on from the newest version's lines.
        Commit head;
        Tree tree;
        if (!headCommit(repo.get(), &head) || !treeOf(repo.get(), head.get(), &tree)
            || !fileInTree(repo.get(), tree.get(), auditPath, &bytes))
            bytes = QByteArray(HistoryCsv::AuditHeader) + '\n';
    } else if (!before.isEmpty() && !before.endsWith('\n')) {
        bytes = "\n"; // a line cut short by a crash stays a line of its own
    }
    for (HistoryAuditEntry entry : entries) {
        if (entry.user.isEmpty())
            entry.user = userLogin;
        bytes += HistoryCsv::auditLine(entry);
    }

    auto failed = [&](int code) {
        *error = storeError(tr("cannot write the audit of %1 (%2)").arg(serial, systemError(code)));
        return false;
    };
    const QString folder = QFileInfo(path).absolutePath();
    const bool newFolder = !QFileInfo::exists(folder);
    if (!QDir().mkpath(folder))
        return failed(errno);
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return failed(errno);
    // One write, then on disk before the caller goes on.
    const ssize_t written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    const int writeError = errno;
    const bool synced = written == bytes.size() && ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    if (written != bytes.size()) {
        // A short write is taken back: the file keeps whole lines only.
        if (written > 0) {
            if (present)
                QFile::resize(path, before.size());
            else
                QFile::remove(path);
        }
        return failed(written < 0 ? writeError : ENOSPC);
    }
    if (!synced)
        return failed(syncError);
    // A new file (or folder) is on disk only once its folder's entry is.
    if (!present)
        syncFolder(folder);
    if (newFolder)
        syncFolder(QFileInfo(folder).absolutePath());
    return true;
}
