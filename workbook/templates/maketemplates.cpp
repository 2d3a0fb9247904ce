// Writes the two parameter workbook templates (English and Chinese) from the
// register map's parameter catalogue: q4templates OUTPUT_FOLDER

#include "params/registermap.h"
#include "workbook/parameterworkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: q4templates OUTPUT_FOLDER\n";
        return 2;
    }
    const QString folder = args.at(1);
    if (!QDir().mkpath(folder)) {
        QTextStream(stderr) << "cannot create " << folder << "\n";
        return 1;
    }
    for (int language : {0, 1}) {
        const QString path = folder + QLatin1Char('/') + templateFileName(language);
        QString error;
        if (!writeParameterTemplate(path, language, &error)) {
            QTextStream(stderr) << "cannot write " << path << ": " << error << "\n";
            return 1;
        }
    }
    return 0;
}
