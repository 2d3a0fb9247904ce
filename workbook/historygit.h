#pragma once

// Owning handles for the libgit2 objects the history store uses, and the
// libgit2 error text. Internal to the history store.

#include <git2.h>

#include <QDateTime>
#include <QString>

#include <memory>

namespace HistoryGit {

template <typename T, void (*Free)(T *)> struct Deleter
{
    void operator()(T *object) const { Free(object); }
};
template <typename T, void (*Free)(T *)> using Owned = std::unique_ptr<T, Deleter<T, Free>>;

using Blob = Owned<git_blob, git_blob_free>;
using Commit = Owned<git_commit, git_commit_free>;
using Index = Owned<git_index, git_index_free>;
using Object = Owned<git_object, git_object_free>;
using Reference = Owned<git_reference, git_reference_free>;
using Remote = Owned<git_remote, git_remote_free>;
using Revwalk = Owned<git_revwalk, git_revwalk_free>;
using Signature = Owned<git_signature, git_signature_free>;
using Tree = Owned<git_tree, git_tree_free>;
using TreeBuilder = Owned<git_treebuilder, git_treebuilder_free>;
using TreeEntry = Owned<git_tree_entry, git_tree_entry_free>;

// The message of libgit2's last error in this thread.
inline QString lastError()
{
    const git_error *e = git_error_last();
    return e && e->message ? QString::fromUtf8(e->message).trimmed() : QStringLiteral("unknown error");
}

inline QString oidText(const git_oid &oid)
{
    char text[GIT_OID_HEXSZ + 1];
    git_oid_tostr(text, sizeof text, &oid);
    return QString::fromLatin1(text);
}

// The commit's author time as local time.
inline QDateTime commitTime(const git_commit *commit)
{
    return QDateTime::fromSecsSinceEpoch(git_commit_author(commit)->when.time);
}

} // namespace HistoryGit
