// Reading the history store: its devices, a device's versions, parameter sets
// and audit lines, and pushing it to its remote.

#include "workbook/historystore.h"

#include "workbook/historygit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

using namespace HistoryGit;

namespace {

// The id of the entry name in the commit's root tree; false when it has none.
bool entryId(git_repository *repo, const git_commit *commit, const char *name, git_oid *id)
{
    git_tree *tree = nullptr;
    if (!commit || git_tree_lookup(&tree, repo, git_commit_tree_id(commit)) < 0)
        return false;
    Tree owned(tree);
    const git_tree_entry *entry = git_tree_entry_byname(tree, name);
    if (!entry)
        return false;
    git_oid_cpy(id, git_tree_entry_id(entry));
    return true;
}

// The root tree of the commit's first parent; null for a first commit.
Tree parentTree(const git_commit *commit)
{
    git_commit *parent = nullptr;
    if (git_commit_parentcount(commit) == 0 || git_commit_parent(&parent, commit, 0) < 0)
        return {};
    Commit owned(parent);
    git_tree *tree = nullptr;
    if (git_commit_tree(&tree, parent) < 0)
        return {};
    return Tree(tree);
}

// Walks every commit of HEAD, newest first, calling visit(commit) until it returns false.
template <typename Visit> bool walkHistory(git_repository *repo, Visit visit)
{
    git_revwalk *walk = nullptr;
    if (git_revwalk_new(&walk, repo) < 0)
        return false;
    Revwalk owned(walk);
    // Children before their parents, newest first among equals.
    git_revwalk_sorting(walk, GIT_SORT_TOPOLOGICAL | GIT_SORT_TIME);
    const int pushed = git_revwalk_push_head(walk);
    if (pushed == GIT_ENOTFOUND || pushed == GIT_EUNBORNBRANCH)
        return true; // no commit yet
    if (pushed < 0)
        return false;
    git_oid id;
    int rc;
    while ((rc = git_revwalk_next(&id, walk)) == 0) {
        git_commit *commit = nullptr;
        if (git_commit_lookup(&commit, repo, &id) < 0)
            return false;
        Commit ownedCommit(commit);
        if (!visit(commit))
            break;
    }
    return rc == 0 || rc == GIT_ITEROVER;
}

QString authorText(const git_commit *commit)
{
    const git_signature *author = git_commit_author(commit);
    const QString email = QString::fromUtf8(author->email);
    if (!email.isEmpty())
        return email;
    return QString::fromUtf8(author->name).replace(QLatin1Char(' '), QLatin1Char('_'));
}

QString withoutHyphens(QString text) { return text.remove(QLatin1Char('-')); }

} // namespace

bool HistoryStore::devices(QVector<HistoryDevice> *list, QString *error) const
{
    list->clear();
    bool absent = false;
    Repository repo = openRepository(Open::Existing, error, &absent);
    if (!repo)
        return absent; // no store: no devices
    // One walk: a commit changes a device when the device's folder differs
    // from the one in its first parent.
    QMap<QString, HistoryDevice> found;
    const bool walked = walkHistory(repo.get(), [&](git_commit *commit) {
        git_tree *tree = nullptr;
        if (git_commit_tree(&tree, commit) < 0)
            return false;
        Tree owned(tree);
        const Tree before = parentTree(commit);
        for (size_t i = 0; i < git_tree_entrycount(tree); ++i) {
            const git_tree_entry *entry = git_tree_entry_byindex(tree, i);
            if (git_tree_entry_type(entry) != GIT_OBJECT_TREE)
                continue;
            const git_tree_entry *old
                = before ? git_tree_entry_byname(before.get(), git_tree_entry_name(entry)) : nullptr;
            if (old && git_oid_equal(git_tree_entry_id(old), git_tree_entry_id(entry)))
                continue;
            HistoryDevice &device = found[QString::fromUtf8(git_tree_entry_name(entry))];
            if (device.versions++ == 0)
                device.lastTime = commitTime(commit);
        }
        return true;
    });
    if (!walked) {
        *error = storeError(tr("cannot read the history (%1)").arg(lastError()));
        return false;
    }
    for (auto it = found.begin(); it != found.end(); ++it) {
        it->serial = serialOfFolder(it.key());
        list->append(*it);
    }
    return true;
}

bool HistoryStore::findDevice(const QString &given, QString *serial, QString *error) const
{
    QVector<HistoryDevice> list;
    if (!devices(&list, error))
        return false;
    QStringList loose;
    for (const HistoryDevice &device : qAsConst(list)) {
        if (device.serial == given) {
            *serial = device.serial;
            return true;
        }
        if (withoutHyphens(device.serial) == withoutHyphens(given))
            loose << device.serial;
    }
    if (loose.size() == 1) {
        *serial = loose.first();
        return true;
    }
    *error = storeError(tr("no device %1").arg(given));
    return false;
}

bool HistoryStore::versions(const QString &serial, QVector<HistoryVersion> *list, QString *error) const
{
    list->clear();
    Repository repo = openRepository(Open::Existing, error);
    if (!repo)
        return false;
    const QByteArray folder = folderName(serial).toUtf8();
    const bool walked = walkHistory(repo.get(), [&](git_commit *commit) {
        git_oid now;
        git_oid before;
        if (!entryId(repo.get(), commit, folder.constData(), &now))
            return true;
        git_commit *parent = nullptr;
        if (git_commit_parentcount(commit) > 0 && git_commit_parent(&parent, commit, 0) == 0) {
            Commit owned(parent);
            if (entryId(repo.get(), parent, folder.constData(), &before) && git_oid_equal(&now, &before))
                return true;
        }
        list->append({oidText(*git_commit_id(commit)), commitTime(commit), authorText(commit),
            QString::fromUtf8(git_commit_summary(commit))});
        return true;
    });
    if (!walked) {
        *error = storeError(tr("cannot read the history (%1)").arg(lastError()));
        return false;
    }
    if (list->isEmpty()) {
        *error = storeError(tr("no device %1").arg(serial));
        return false;
    }
    return true;
}

bool HistoryStore::readFile(git_repository *repo, const QString &revision, const QString &path,
    QByteArray *bytes, QString *error) const
{
    git_object *object = nullptr;
    if (git_revparse_single(&object, repo, revision.toUtf8().constData()) < 0) {
        *error = storeError(tr("no version %1 (%2)").arg(revision, lastError()));
        return false;
    }
    Object ownedObject(object);
    git_object *peeled = nullptr;
    if (git_object_peel(&peeled, object, GIT_OBJECT_COMMIT) < 0) {
        *error = storeError(tr("%1 is not a version (%2)").arg(revision, lastError()));
        return false;
    }
    Object ownedPeeled(peeled);
    git_tree *tree = nullptr;
    git_tree_entry *entry = nullptr;
    git_blob *blob = nullptr;
    const QString version = oidText(*git_object_id(peeled)).left(10);
    if (git_commit_tree(&tree, reinterpret_cast<git_commit *>(peeled)) < 0) {
        *error = storeError(tr("cannot read version %1 (%2)").arg(version, lastError()));
        return false;
    }
    Tree ownedTree(tree);
    if (git_tree_entry_bypath(&entry, tree, path.toUtf8().constData()) < 0) {
        *error = storeError(tr("version %1 has no %2").arg(version, path));
        return false;
    }
    TreeEntry ownedEntry(entry);
    if (git_blob_lookup(&blob, repo, git_tree_entry_id(entry)) < 0) {
        *error = storeError(tr("cannot read %1 of version %2 (%3)").arg(path, version, lastError()));
        return false;
    }
    Blob ownedBlob(blob);
    *bytes = QByteArray(static_cast<const char *>(git_blob_rawcontent(blob)), int(git_blob_rawsize(blob)));
    return true;
}

bool HistoryStore::parametersAt(
    const QString &serial, const QString &revision, QVector<HistoryRow> *rows, QString *error) const
{
    rows->clear();
    Repository repo = openRepository(Open::Existing, error);
    if (!repo)
        return false;
    const QString path = folderName(serial) + QStringLiteral("/parameters.csv");
    QByteArray bytes;
    if (!readFile(repo.get(), revision, path, &bytes, error))
        return false;
    QString problem;
    if (!HistoryCsv::readParametersFile(bytes, rows, &problem)) {
        *error = storeError(tr("%1 of version %2 is corrupt: %3").arg(path, revision, problem));
        return false;
    }
    return true;
}

bool HistoryStore::resolve(const QString &revision, QString *id, QString *error) const
{
    Repository repo = openRepository(Open::Existing, error);
    if (!repo)
        return false;
    git_object *object = nullptr;
    if (git_revparse_single(&object, repo.get(), revision.toUtf8().constData()) < 0) {
        *error = storeError(tr("no version %1 (%2)").arg(revision, lastError()));
        return false;
    }
    Object ownedObject(object);
    git_object *peeled = nullptr;
    if (git_object_peel(&peeled, object, GIT_OBJECT_COMMIT) < 0) {
        *error = storeError(tr("%1 is not a version (%2)").arg(revision, lastError()));
        return false;
    }
    Object ownedPeeled(peeled);
    *id = oidText(*git_object_id(peeled));
    return true;
}

bool HistoryStore::diff(const QString &serial, const QString &from, const QString &to,
    QVector<HistoryChange> *changes, QString *error) const
{
    changes->clear();
    QVector<HistoryRow> older;
    QVector<HistoryRow> newer;
    if (!parametersAt(serial, from, &older, error)
        || !parametersAt(serial, to.isEmpty() ? QStringLiteral("HEAD") : to, &newer, error))
        return false;
    *changes = HistoryCsv::compare(older, newer);
    return true;
}

bool HistoryStore::auditEntries(
    const QString &serial, QVector<HistoryAuditEntry> *entries, QString *error) const
{
    entries->clear();
    Repository repo = openRepository(Open::Existing, error);
    if (!repo)
        return false;
    const QString path = folderName(serial) + QStringLiteral("/audit.csv");
    QByteArray bytes;
    // The working file holds the lines not yet committed too.
    QFile file(QFile::decodeName(git_repository_workdir(repo.get())) + path);
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    else if (!readFile(repo.get(), QStringLiteral("HEAD"), path, &bytes, error))
        return false;
    QString problem;
    if (!HistoryCsv::readAuditFile(bytes, entries, &problem)) {
        *error = storeError(tr("%1 is corrupt: %2").arg(path, problem));
        return false;
    }
    return true;
}
