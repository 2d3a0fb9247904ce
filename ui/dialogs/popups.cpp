#include "ui/dialogs/popups.h"

#include "params/appstate.h"
#include "ui/dialogs/inputdialog.h"
#include "ui/dialogs/tipsdialog.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QWidget>

namespace {

enum class MessageClass { Success, Failure, Progress, Question, Notice };

struct KnownMessage
{
    const char *text;
    MessageClass kind;
};

// Known messages decide the popup's icon and buttons. Compared after
// translation in the QObject context, so callers pass the translated text.
const KnownMessage knownMessages[] = {
    {QT_TRANSLATE_NOOP("QObject", "Reset Successful!"), MessageClass::Success},
    {QT_TRANSLATE_NOOP("QObject", "Import Successful!"), MessageClass::Success},
    {QT_TRANSLATE_NOOP("QObject", "Export Successful!"), MessageClass::Success},
    {QT_TRANSLATE_NOOP("QObject", "Sample Done!"), MessageClass::Success},
    {QT_TRANSLATE_NOOP("QObject", "Curves Saved!"), MessageClass::Success},
    {QT_TRANSLATE_NOOP("QObject", "Reset Failed!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Password Failed!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Operation Failed,Please try again!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Import Failed!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Export Failed!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Angle Correct Error!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Sample not stable!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "The curve file could not be written!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Curve recording stopped: the file could not be written!"),
        MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Saving the curves failed!"), MessageClass::Failure},
    {QT_TRANSLATE_NOOP("QObject", "Start Importing!"), MessageClass::Progress},
    {QT_TRANSLATE_NOOP("QObject", "Start Exporting!"), MessageClass::Progress},
};

MessageClass classify(const QString &message)
{
    for (const KnownMessage &known : knownMessages) {
        if (message == QCoreApplication::translate("QObject", known.text))
            return known.kind;
    }
    return MessageClass::Question;
}

// First installed family of the list; empty when none is (Qt then uses its default).
QString firstInstalledFamily(const QStringList &wanted)
{
    static const QStringList installed = QFontDatabase().families();
    for (const QString &family : wanted) {
        for (const QString &have : installed) {
            if (have.compare(family, Qt::CaseInsensitive) == 0)
                return have;
        }
    }
    return QString();
}

// Shows the prepared popup modally, deletes it and returns 1 when confirmed.
int runTipsDialog(TipsDialog *dialog)
{
    dialog->fitMessage();
    dialog->exec();
    const int result = dialog->isConfirmed() ? 1 : 0;
    delete dialog;
    return result;
}

} // namespace

void applyDialogFont(QWidget *window)
{
    if (!window)
        return;
    // The Windows families first; on systems without them the nearest
    // installed family that has the glyphs of the language.
    const QStringList families = programContext.language == 1
        ? QStringList {QStringLiteral("simhei"), QStringLiteral("WenQuanYi Zen Hei"),
            QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Droid Sans Fallback")}
        : QStringList {
            QStringLiteral("arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QFont font = window->font();
    const QString family = firstInstalledFamily(families);
    font.setFamily(family.isEmpty() ? families.first() : family);
    font.setPointSize(25);
    const QList<QWidget *> children = window->findChildren<QWidget *>();
    for (QWidget *child : children)
        child->setFont(font);
}

namespace {

int runTipsDialog(
    const QString &title, const QString &message, int stayOpen, MessageClass kind, QWidget *parent)
{
    TipsDialog *dialog = new TipsDialog(parent);
    dialog->setTitle(title);
    dialog->setMessage(message);
    dialog->armAutoClose(stayOpen);
    switch (kind) {
    case MessageClass::Success:
        dialog->setIconImage(QStringLiteral(":/images/icon/pic13.png"));
        dialog->setButtonMode(0);
        break;
    case MessageClass::Failure:
        dialog->setIconImage(QStringLiteral(":/images/icon/pic12.png"));
        dialog->setButtonMode(0);
        break;
    case MessageClass::Progress:
        dialog->setButtonMode(2);
        dialog->hideIcon();
        break;
    case MessageClass::Question:
        dialog->hideIcon();
        break;
    case MessageClass::Notice:
        dialog->hideIcon();
        dialog->setButtonMode(0);
        break;
    }
    return runTipsDialog(dialog);
}

} // namespace

int showTipsDialog(const QString &title, const QString &message, int stayOpen, QWidget *parent)
{
    return runTipsDialog(title, message, stayOpen, classify(message), parent);
}

int showRetryQuestion(const QString &title, const QString &message, QWidget *parent)
{
    return showQuestion(title, message, TipsDialog::tr("Retry"), parent);
}

int showQuestion(const QString &title, const QString &message, const QString &confirmText, QWidget *parent)
{
    TipsDialog *dialog = new TipsDialog(parent);
    dialog->setTitle(title);
    dialog->setMessage(message);
    dialog->hideIcon();
    dialog->setConfirmText(confirmText);
    return runTipsDialog(dialog);
}

int showNoticeDialog(
    const QString &title, const QString &message, NoticeKind kind, int stayOpen, QWidget *parent)
{
    const MessageClass kindClass = kind == NoticeKind::Success ? MessageClass::Success
        : kind == NoticeKind::Failure                          ? MessageClass::Failure
                                                               : MessageClass::Notice;
    return runTipsDialog(title, message, stayOpen, kindClass, parent);
}

QString inputPassword(QWidget *parent)
{
    InputDialog *dialog = new InputDialog(parent);
    dialog->setTitle(QCoreApplication::translate("QObject", "Password"));
    dialog->exec();
    // An empty entry counts as no entry: the caller sees a null string either way.
    QString text;
    if (dialog->isAccepted() && !dialog->text().isEmpty())
        text = dialog->text();
    delete dialog;
    return text;
}
