#pragma once

#include <QVector>

// What a keyboard shortcut of the main window does.
enum class ShortcutAction { ShowPage, Quit, Help };

// One keyboard shortcut of the main window. description is translated in the
// context "MainWindow"; page is the page number for ShowPage.
struct ShortcutEntry
{
    const char *keys; // QKeySequence text, portable form
    ShortcutAction action;
    int page;
    const char *description;
};

// The main window's keyboard shortcuts: the window makes them from this table
// and the Help window lists it.
inline QVector<ShortcutEntry> shortcutTable()
{
    return {
        {"Ctrl+1", ShortcutAction::ShowPage, 0, QT_TRANSLATE_NOOP("MainWindow", "Main Interface")},
        {"Ctrl+2", ShortcutAction::ShowPage, 1, QT_TRANSLATE_NOOP("MainWindow", "Basic Config")},
        {"Ctrl+3", ShortcutAction::ShowPage, 2, QT_TRANSLATE_NOOP("MainWindow", "Weight CAL")},
        {"Ctrl+4", ShortcutAction::ShowPage, 3, QT_TRANSLATE_NOOP("MainWindow", "Application")},
        {"Ctrl+5", ShortcutAction::ShowPage, 4, QT_TRANSLATE_NOOP("MainWindow", "Data Trans")},
        {"Ctrl+6", ShortcutAction::ShowPage, 5, QT_TRANSLATE_NOOP("MainWindow", "Test Maintain")},
        {"Ctrl+Q", ShortcutAction::Quit, -1, QT_TRANSLATE_NOOP("MainWindow", "Quit")},
        {"F1", ShortcutAction::Help, -1, QT_TRANSLATE_NOOP("MainWindow", "Help and About")},
    };
}
