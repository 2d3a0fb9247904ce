#pragma once

// Outside programs and Python modules the tests use (socat, pymodbus, openpyxl,
// LibreOffice...) are listed with their Debian package and a check command in
// scripts/tools.list, the list scripts/deps.sh installs and checks. A test that
// needs one starts with
//
//   Q4_REQUIRE_TOOL("socat");
//
// which runs the check (and those of the tools it needs) once per process and,
// when it fails, fails the test with the same one line deps.sh prints:
//   required tool "socat" does not work (socat -V): install the Debian package socat
// Q4_TOOLS_LIST names another list (for testing the list handling itself).

#include <QString>
#include <QStringList>

// Empty when every named tool works; else the line of the first one that does not.
QString missingTool(const QStringList &names);

// Records a test failure with that line at file:line; true when the tools work.
// For helpers that are not test functions themselves.
bool requireTools(const QStringList &names, const char *file, int line);

#define Q4_REQUIRE_TOOL(...)                                                                                 \
    do {                                                                                                     \
        if (!requireTools(QStringList {__VA_ARGS__}, __FILE__, __LINE__))                                    \
            return;                                                                                          \
    } while (false)
