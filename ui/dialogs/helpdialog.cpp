#include "ui/dialogs/helpdialog.h"

#include "params/appstate.h"
#include "q4version.h"
#include "ui/dialogs/inputguard.h"
#include "ui/shortcuts.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextStream>
#include <QVBoxLayout>

namespace {

QString row(const QString &left, const QString &right)
{
    return QStringLiteral("<tr><td style=\"padding-right:16px\">%1</td><td>%2</td></tr>")
        .arg(left.toHtmlEscaped(), right.toHtmlEscaped());
}

QString section(const QString &title, const QString &body)
{
    return QStringLiteral("<h3>%1</h3>%2").arg(title.toHtmlEscaped(), body);
}

} // namespace

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpDialog"));
    browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("textHelp"));
    browser->setOpenExternalLinks(false);
    closeButton = new QPushButton(this);
    closeButton->setObjectName(QStringLiteral("Btn_HelpClose"));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(browser);
    layout->addLayout(buttons);
    resize(640, 520);
    installInputGuard(this);
    retranslate();
}

void HelpDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void HelpDialog::retranslate()
{
    setWindowTitle(tr("Help and About – Q4 Config"));
    closeButton->setText(tr("Close"));
    browser->setHtml(text());
}

QString HelpDialog::installedLicence()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        appDir + QStringLiteral("/../share/doc/q4config/copyright"),
        QStringLiteral("/usr/share/doc/q4config/copyright"),
    };
    for (const QString &path : candidates) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.startsWith(QLatin1String("License:")))
                return line.mid(8).trimmed();
        }
    }
    return QString();
}

QString HelpDialog::text() const
{
    QString html = QStringLiteral("<h2>Q4 Config %1</h2><p>%2</p>")
                       .arg(QStringLiteral(Q4_VERSION),
                           tr("Configuration and monitoring of KTT-Q4 weighing transmitters over Modbus "
                              "RTU, Modbus TCP or Modbus RTU over TCP.")
                               .toHtmlEscaped());

    const QString licence = installedLicence();
    html += section(tr("Licence"),
        QStringLiteral("<p>%1</p>")
            .arg((licence.isEmpty() ? tr("See the copyright file of the installed package "
                                         "(/usr/share/doc/q4config/copyright).")
                                    : tr("%1, as the copyright file of the package "
                                         "(/usr/share/doc/q4config/copyright) states.")
                                          .arg(licence))
                     .toHtmlEscaped()));

    const QString settings = QDir::toNativeSeparators(settingsFilePath());
    html += section(tr("Data folder in use"),
        QStringLiteral("<table>%1%2%3</table>")
            .arg(row(tr("Settings"), settings),
                row(tr("Exports"), QDir::toNativeSeparators(exportDirectory())),
                row(tr("Templates"), QDir::toNativeSeparators(templateDirectory()))));

    QString keys;
    for (const ShortcutEntry &entry : shortcutTable()) {
        const QString key = QKeySequence(QLatin1String(entry.keys)).toString(QKeySequence::NativeText);
        QString what = QCoreApplication::translate("MainWindow", entry.description);
        if (entry.action == ShortcutAction::ShowPage)
            what = tr("Show the page \"%1\"").arg(what);
        else if (entry.action == ShortcutAction::Quit)
            what = tr("Quit (asks first while a workbook import or export runs)");
        keys += row(key, what);
    }
    keys += row(tr("Tab, Shift+Tab"), tr("Next, previous control"));
    keys += row(tr("Return"),
        tr("Presses the focused button; writes the value of a field; connects on the connection page"));
    html += section(tr("Keyboard"), QStringLiteral("<table>%1</table>").arg(keys));

    html += section(tr("Manual"),
        QStringLiteral("<p>%1</p>")
            .arg(tr("The manual page q4config(1) (\"man q4config\") describes every command-line option; "
                    "README.md of the source describes the program, the simulator and the connection "
                    "of a real transmitter.")
                     .toHtmlEscaped()));
    return html;
}
