#include "params/logcategories.h"

#include <QStringList>

// QtFatalMsg as the level: no message of any type passes unless a rule says so.
Q_LOGGING_CATEGORY(lcLink, "q4.link", QtFatalMsg)
Q_LOGGING_CATEGORY(lcPoll, "q4.poll", QtFatalMsg)
Q_LOGGING_CATEGORY(lcCommit, "q4.commit", QtFatalMsg)
Q_LOGGING_CATEGORY(lcWorkbook, "q4.workbook", QtFatalMsg)
Q_LOGGING_CATEGORY(lcScan, "q4.scan", QtFatalMsg)
Q_LOGGING_CATEGORY(lcSettings, "q4.settings", QtFatalMsg)
Q_LOGGING_CATEGORY(lcUi, "q4.ui", QtFatalMsg)

void configureLogging(bool verbose)
{
    QStringList rules;
    // Qt's Modbus module logs every frame, and warns of the failures the
    // program reports in its own words.
    if (qEnvironmentVariable("Q4_MODBUS_LOG") == QLatin1String("1"))
        rules << QStringLiteral("qt.modbus*=true");
    else
        rules << QStringLiteral("qt.modbus*=false");
    if (verbose)
        rules << QStringLiteral("q4.*=true");
    QLoggingCategory::setFilterRules(rules.join(QLatin1Char('\n')));
}
