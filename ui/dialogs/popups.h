#pragma once

#include <QString>

class QWidget;

// The common message popup: icon and buttons follow the message (success,
// failure, progress note or question). stayOpen 0 closes it after one second.
// Returns 1 when the user confirmed, 0 otherwise.
int showTipsDialog(const QString &title, const QString &message, int stayOpen, QWidget *parent = nullptr);
// A question whose buttons read "Retry" and "Cancel"; 1 for Retry, 0 otherwise.
int showRetryQuestion(const QString &title, const QString &message, QWidget *parent = nullptr);
// A question whose confirm button reads confirmText, beside "Cancel"; 1 when confirmed, 0 otherwise.
int showQuestion(
    const QString &title, const QString &message, const QString &confirmText, QWidget *parent = nullptr);
// What a notice with a text of its own reports.
enum class NoticeKind { Success, Failure, Information };
// The same popup for a message that is not one of the known ones (a result with
// counts, say): only Confirm, with the success or failure icon, or no icon for
// Information. Returns 1 when confirmed, 0 otherwise.
int showNoticeDialog(const QString &title, const QString &message, NoticeKind kind, int stayOpen = 1,
    QWidget *parent = nullptr);
// Asks for the reset password; a null string when cancelled or left empty.
QString inputPassword(QWidget *parent = nullptr);
// Language font rule: "simhei" for Chinese, "arial" otherwise, 25 points, on every child.
void applyDialogFont(QWidget *window);
