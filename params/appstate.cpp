#include "params/appstate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

ProgramContext programContext;

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// Folder for the writable parts (Setting/, Export/) when no --data-dir is given.
QString defaultWritableRoot()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/Program Files/KTIPC");
#else
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/KTIPC");
#endif
}

// The root of the writable parts: the --data-dir folder, else the default.
QString writableRoot()
{
    return programContext.dataDirectory.isEmpty() ? defaultWritableRoot() : programContext.dataDirectory;
}

} // namespace

void setDataDirectory(const QString &dir)
{
    programContext.dataDirectory = dir.isEmpty()
        ? QString()
        : withoutTrailingSlash(QDir::fromNativeSeparators(QFileInfo(dir).absoluteFilePath()));
}

QString settingsFilePath()
{
    const QString root = writableRoot();
    return root + QStringLiteral("/Setting/setting.ini");
}

QString exportDirectory()
{
    const QString root = writableRoot();
    return root + QStringLiteral("/Export");
}

QString historyDirectory()
{
    const QString root = writableRoot();
    return root + QStringLiteral("/History");
}

QString templateDirectory()
{
    if (!programContext.dataDirectory.isEmpty())
        return programContext.dataDirectory + QStringLiteral("/Template");
#ifdef Q_OS_WIN
    return QStringLiteral("C:/Program Files/KTIPC/Template");
#else
    // Build tree: the templates are generated beside the executable. Installed:
    // <prefix>/share/q4config/Template.
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        exeDir + QStringLiteral("/Template"),
        exeDir + QStringLiteral("/../share/q4config/Template"),
        defaultWritableRoot() + QStringLiteral("/Template"),
    };
    for (const QString &dir : candidates) {
        if (QFileInfo(dir + QStringLiteral("/KTT-Q4_EN.xlsx")).exists())
            return QDir::cleanPath(dir);
    }
    return QDir::cleanPath(candidates.first());
#endif
}
