// Opens workbooks the way the import and export do and reports, per file, the
// outcome, the time and the peak memory (getrusage ru_maxrss). Each file runs
// in a process of its own so that one file's peak does not hide the next.
//
//     /usr/bin/python3 bench/make_hostile_workbooks.py /tmp/hostile
//     build/bench/bench_xlsx /tmp/hostile [more files or folders]
//
// A file that opens is read like an import (A, C, G, E, D of every row), then
// every row's G is written and a copy of the file saved, like an export.

#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

namespace {

long peakKilobytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One file, in this process: prints one line.
int runOne(const QString &path)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString copy = dir.filePath(QFileInfo(path).fileName());
    if (!QFile::copy(path, copy)) {
        out << "cannot copy " << path << "\n";
        return 1;
    }
    QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner);
    const long before = peakKilobytes();
    QElapsedTimer clock;
    clock.start();
    XlsxWorkbook workbook;
    QString outcome;
    int rows = 0;
    qint64 readMs = 0;
    qint64 saveMs = -1;
    XlsxSheet *sheet = nullptr;
    if (!workbook.open(copy)) {
        outcome = QStringLiteral("refused at open: ") + workbook.errorString();
    } else {
        const QString name = workbook.sheetNames().contains(ParameterSheetName)
            ? ParameterSheetName
            : workbook.sheetNames().value(0);
        sheet = workbook.sheet(name);
        if (!sheet)
            outcome = QStringLiteral("refused at sheet: ") + workbook.errorString();
    }
    if (sheet) {
        rows = sheet->rowCount();
        quint64 sum = 0;
        for (int r = 2; r <= rows; ++r) {
            for (int column : {ColumnAddress, ColumnCount, ColumnValue, ColumnMinimum, ColumnMaximum})
                sum += quint64(sheet->cellText(r, column).size());
        }
        readMs = clock.elapsed();
        clock.restart();
        sheet->setCellText(1, ColumnValue, exportHeaderText(0));
        for (int r = 2; r <= rows; ++r)
            sheet->setCellText(r, ColumnValue, QString::number(r));
        if (workbook.save())
            outcome = QStringLiteral("read and saved (%1 characters in A, C, G, E, D)").arg(sum);
        else
            outcome = QStringLiteral("read, save failed: ") + workbook.errorString();
        saveMs = clock.elapsed();
    } else {
        readMs = clock.elapsed();
    }
    workbook.close();
    const long peak = peakKilobytes();
    out << QStringLiteral(
        "%1 | %2 MB | %3 rows | open+read %4 ms | save %5 | peak RSS %6 MB (%7 MB before) | %8\n")
               .arg(QFileInfo(path).fileName(), -24)
               .arg(QFileInfo(path).size() / 1e6, 6, 'f', 1)
               .arg(rows, 6)
               .arg(readMs, 5)
               .arg(saveMs < 0 ? QStringLiteral("-") : QStringLiteral("%1 ms").arg(saveMs))
               .arg(peak / 1024.0, 0, 'f', 1)
               .arg(before / 1024.0, 0, 'f', 1)
               .arg(outcome);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args.first() == QLatin1String("--one"))
        return runOne(args.at(1));
    QTextStream out(stdout);
    if (args.isEmpty()) {
        out << "usage: bench_xlsx FILE-OR-FOLDER...\n"
               "  (make the files with: /usr/bin/python3 bench/make_hostile_workbooks.py FOLDER)\n";
        return 2;
    }
    QStringList files;
    for (const QString &arg : args) {
        if (QFileInfo(arg).isDir()) {
            for (const QString &name :
                QDir(arg).entryList({QStringLiteral("*.xlsx")}, QDir::Files, QDir::Name))
                files.append(QDir(arg).filePath(name));
        } else {
            files.append(arg);
        }
    }
    int status = 0;
    for (const QString &file : files) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(app.applicationFilePath(), {QStringLiteral("--one"), file});
        if (!child.waitForFinished(600000)) {
            out << file << ": did not finish\n";
            child.kill();
            child.waitForFinished();
            status = 1;
            continue;
        }
        out << QString::fromUtf8(child.readAllStandardOutput());
        out.flush();
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            out << file << ": exit " << child.exitCode() << "\n";
            status = 1;
        }
    }
    return status;
}
