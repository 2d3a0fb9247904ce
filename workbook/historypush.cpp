// Pushing the history store to its remote (file and ssh remotes through libgit2).

#include "workbook/historystore.h"

#include "workbook/historygit.h"

#include <QDir>
#include <QFileInfo>

using namespace HistoryGit;

namespace {

struct PushState
{
    bool triedAgent = false;
    int nextKey = 0;
    QStringList rejected; // "refs/heads/master: non-fast-forward"
};

// ssh credentials: the ssh agent first, then the default key files without a
// passphrase. Returning GIT_PASSTHROUGH when all were tried ends the attempts.
int credentials(
    git_credential **out, const char *, const char *userFromUrl, unsigned int allowed, void *payload)
{
    auto *state = static_cast<PushState *>(payload);
    const QByteArray user = userFromUrl && *userFromUrl ? QByteArray(userFromUrl) : QByteArray("git");
    if (allowed & GIT_CREDENTIAL_SSH_KEY) {
        if (!state->triedAgent) {
            state->triedAgent = true;
            return git_credential_ssh_key_from_agent(out, user.constData());
        }
        static const char *const keys[] = {"id_ed25519", "id_ecdsa", "id_rsa"};
        while (state->nextKey < int(sizeof keys / sizeof keys[0])) {
            const QString key
                = QDir::homePath() + QStringLiteral("/.ssh/") + QLatin1String(keys[state->nextKey++]);
            if (!QFileInfo(key).isFile())
                continue;
            const QByteArray publicKey = QFile::encodeName(key + QStringLiteral(".pub"));
            return git_credential_ssh_key_new(out, user.constData(),
                QFileInfo(key + QStringLiteral(".pub")).isFile() ? publicKey.constData() : nullptr,
                QFile::encodeName(key).constData(), "");
        }
        return GIT_PASSTHROUGH;
    }
    if (allowed & GIT_CREDENTIAL_USERNAME)
        return git_credential_username_new(out, user.constData());
    return GIT_PASSTHROUGH;
}

// The remote refuses a reference (not a fast-forward, hook refused...).
int updateReference(const char *name, const char *status, void *payload)
{
    if (status)
        static_cast<PushState *>(payload)->rejected
            << QStringLiteral("%1: %2").arg(QString::fromUtf8(name), QString::fromUtf8(status));
    return 0;
}

// "origin", or the only remote; empty when there is none to choose.
QString chooseRemote(git_repository *repo)
{
    git_strarray names = {nullptr, 0};
    if (git_remote_list(&names, repo) < 0)
        return QString();
    QStringList list;
    for (size_t i = 0; i < names.count; ++i)
        list << QString::fromUtf8(names.strings[i]);
    git_strarray_dispose(&names);
    if (list.contains(QStringLiteral("origin")))
        return QStringLiteral("origin");
    return list.size() == 1 ? list.first() : QString();
}

} // namespace

bool HistoryStore::push(QString *remoteText, QString *error) const
{
    Repository repo = openRepository(Open::Existing, error);
    if (!repo)
        return false;
    const QString name = chooseRemote(repo.get());
    if (name.isEmpty()) {
        *error = storeError(tr("no remote to push to (add one named origin with git remote add)"));
        return false;
    }
    git_remote *remote = nullptr;
    if (git_remote_lookup(&remote, repo.get(), name.toUtf8().constData()) < 0) {
        *error = storeError(tr("cannot use the remote %1 (%2)").arg(name, lastError()));
        return false;
    }
    Remote ownedRemote(remote);
    *remoteText = QStringLiteral("%1 (%2)").arg(name, QString::fromUtf8(git_remote_url(remote)));
    git_reference *head = nullptr;
    if (git_repository_head(&head, repo.get()) < 0) {
        *error = storeError(tr("nothing to push yet (%1)").arg(lastError()));
        return false;
    }
    Reference ownedHead(head);
    const QByteArray branchMapping = QByteArray(git_reference_name(head)) + ':' + git_reference_name(head);
    char *branchRef[1] = {const_cast<char *>(branchMapping.constData())};
    const git_strarray pushedRefs = {branchRef, 1};

    PushState state;
    git_push_options options = GIT_PUSH_OPTIONS_INIT;
    options.callbacks.credentials = credentials;
    options.callbacks.push_update_reference = updateReference;
    options.callbacks.payload = &state;
    if (git_remote_push(remote, &pushedRefs, &options) < 0) {
        *error = storeError(tr("push to %1 failed: %2").arg(*remoteText, lastError()));
        return false;
    }
    if (!state.rejected.isEmpty()) {
        *error = storeError(
            tr("push to %1 failed: %2").arg(*remoteText, state.rejected.join(QStringLiteral("; "))));
        return false;
    }
    return true;
}
