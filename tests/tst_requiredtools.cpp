// The list of outside tools (scripts/tools.list): the tests and scripts/deps.sh
// read it the same way and report a tool that does not work with the same line,
// naming the package of the first tool that fails.

#include "support/requiredtool.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestRequiredTools : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        list = dir.filePath(QStringLiteral("tools.list"));
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# name package needs check\n"
                   "base     pkg-base     -            true\n"
                   "leaf     pkg-leaf     base         test 1 -eq 1\n"
                   "\n"
                   "broken   pkg-broken   -            exit 3\n"
                   "child    pkg-child    leaf,broken  true\n"
                   "dangling pkg-dangling nosuch       true\n");
    }

    void cleanupTestCase() { qunsetenv("Q4_TOOLS_LIST"); }

    // A tool whose needs fail is reported by the first failing need, once.
    void firstFailingToolIsNamed()
    {
        qputenv("Q4_TOOLS_LIST", list.toUtf8());
        const QString brokenLine = QStringLiteral(
            "required tool \"broken\" does not work (exit 3): install the Debian package pkg-broken");
        QCOMPARE(missingTool({QStringLiteral("leaf")}), QString());
        QCOMPARE(missingTool({QStringLiteral("child")}), brokenLine);
        QCOMPARE(missingTool({QStringLiteral("base"), QStringLiteral("broken"), QStringLiteral("leaf")}),
            brokenLine);
        QVERIFY(
            missingTool({QStringLiteral("dangling")}).contains(QStringLiteral("\"nosuch\" is not listed")));
        QVERIFY(
            missingTool({QStringLiteral("unknown")}).contains(QStringLiteral("\"unknown\" is not listed")));

        // deps.sh says the same, and only that.
        QCOMPARE(deps({QStringLiteral("--check"), QStringLiteral("child")}), brokenLine + QLatin1Char('\n'));
        QCOMPARE(exitCode, 1);
        QCOMPARE(
            deps({QStringLiteral("--check"), QStringLiteral("leaf"), QStringLiteral("base")}), QString());
        QCOMPARE(exitCode, 0);
        QCOMPARE(deps({QStringLiteral("--check")}),
            brokenLine + QLatin1Char('\n')
                + QStringLiteral("required tool \"nosuch\" is not listed in %1\n").arg(list));
        QCOMPARE(exitCode, 1);
    }

    // Every need in the project's own list is a tool of the list.
    void projectListIsComplete()
    {
        qunsetenv("Q4_TOOLS_LIST");
        QFile file(QStringLiteral(Q4_SOURCE_DIR "/scripts/tools.list"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList names, needs;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
                continue;
            const QStringList fields
                = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            QVERIFY2(fields.size() >= 4, qPrintable(line));
            names << fields[0];
            if (fields[2] != QLatin1String("-"))
                needs << fields[2].split(QLatin1Char(','));
        }
        for (const QString &need : needs)
            QVERIFY2(names.contains(need), qPrintable(need));
        QCOMPARE(names.removeDuplicates(), 0);
    }

private:
    QString deps(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("Q4_TOOLS_LIST"), list);
        p.setProcessEnvironment(env);
        p.start(
            QStringLiteral("bash"), QStringList {QStringLiteral(Q4_SOURCE_DIR "/scripts/deps.sh")} + args);
        if (!p.waitForFinished(60000))
            return QStringLiteral("deps.sh did not finish");
        exitCode = p.exitCode();
        return QString::fromUtf8(p.readAllStandardError()) + QString::fromUtf8(p.readAllStandardOutput());
    }

    QTemporaryDir dir;
    QString list;
    int exitCode = -1;
};

QTEST_GUILESS_MAIN(TestRequiredTools)
#include "tst_requiredtools.moc"
