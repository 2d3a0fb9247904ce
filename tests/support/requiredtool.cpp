#include "support/requiredtool.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <memory>

namespace {

struct Tool
{
    QString package;
    QStringList needs;
    QString check;
};

QString listPath()
{
    const QString named = qEnvironmentVariable("Q4_TOOLS_LIST");
    return named.isEmpty() ? QStringLiteral(Q4_SOURCE_DIR "/scripts/tools.list") : named;
}

// NAME PACKAGE NEEDS CHECK per line; # comments and blank lines.
QHash<QString, Tool> readList(const QString &path)
{
    QHash<QString, Tool> tools;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return tools;
    static const QRegularExpression line(QStringLiteral("^\\s*(\\S+)\\s+(\\S+)\\s+(\\S+)\\s+(.*\\S)\\s*$"));
    while (!file.atEnd()) {
        const QString text = QString::fromUtf8(file.readLine());
        if (text.trimmed().isEmpty() || text.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch())
            continue;
        Tool tool {m.captured(2), {}, m.captured(4)};
        if (m.captured(3) != QLatin1String("-"))
            tool.needs = m.captured(3).split(QLatin1Char(','), Qt::SkipEmptyParts);
        tools.insert(m.captured(1), tool);
    }
    return tools;
}

class Checker
{
public:
    explicit Checker(const QString &path)
        : path(path)
        , tools(readList(path))
    {
    }

    // Empty when the tool works; else the line naming what to install.
    QString check(const QString &name, int depth = 0)
    {
        const auto known = results.constFind(name);
        if (known != results.constEnd())
            return *known;
        QString result;
        const auto it = tools.constFind(name);
        if (it == tools.constEnd() || depth > 20) {
            result = QStringLiteral("required tool \"%1\" is not listed in %2").arg(name, path);
        } else {
            for (const QString &need : it->needs) {
                result = check(need, depth + 1);
                if (!result.isEmpty())
                    break;
            }
            if (result.isEmpty() && !runs(it->check))
                result
                    = QStringLiteral("required tool \"%1\" does not work (%2): install the Debian package %3")
                          .arg(name, it->check, it->package);
        }
        results.insert(name, result);
        return result;
    }

    const QString path;

private:
    static bool runs(const QString &command)
    {
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished(2000);
            return false;
        }
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QHash<QString, Tool> tools;
    QHash<QString, QString> results;
};

} // namespace

QString missingTool(const QStringList &names)
{
    static std::unique_ptr<Checker> checker;
    if (!checker || checker->path != listPath())
        checker = std::make_unique<Checker>(listPath());
    for (const QString &name : names) {
        const QString line = checker->check(name);
        if (!line.isEmpty())
            return line;
    }
    return QString();
}

bool requireTools(const QStringList &names, const char *file, int line)
{
    const QString missing = missingTool(names);
    if (missing.isEmpty())
        return true;
    QTest::qFail(missing.toUtf8().constData(), file, line);
    return false;
}
