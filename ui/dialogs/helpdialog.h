#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;

// Help and About: the version, the licence, the data folder in use, the
// keyboard shortcuts and where the manual is. A window with the system's
// frame; Escape or Close hides it.
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget *parent = nullptr);

    // The shown text, rebuilt in the current language.
    QString text() const;
    void retranslate();

    // The licence named by the package's copyright file (the first License:
    // field), or an empty string when no such file is found.
    static QString installedLicence();

protected:
    void changeEvent(QEvent *event) override;

private:
    QTextBrowser *browser = nullptr;
    QPushButton *closeButton = nullptr;
};
