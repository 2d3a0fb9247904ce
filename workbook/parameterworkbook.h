#pragma once

// The layout of the parameter workbook shared by import, export and the
// templates: sheet "读写类", row 1 a header, then one row per parameter with
// A address, B name, C register count, D maximum, E minimum, F free, G value.

#include <QString>
#include <QtGlobal>

extern const QString ParameterSheetName; // "读写类"

enum ParameterColumn : int {
    ColumnAddress = 1,
    ColumnName = 2,
    ColumnCount = 3,
    ColumnMaximum = 4,
    ColumnMinimum = 5,
    ColumnFree = 6,
    ColumnValue = 7,
};

// "KTT-Q4_CH.xlsx" for language 1 (Chinese), "KTT-Q4_EN.xlsx" otherwise.
QString templateFileName(int language);
// "KTT-Q4_导出文件.xlsx" for language 1, "KTT-Q4_ExportFile.xlsx" otherwise.
QString exportFileName(int language);
// Header of the value column written by the export: "导出数据" / "Export Value".
QString exportHeaderText(int language);

// The workbook's unsigned conversion: 0 for any text that is not an unsigned
// decimal integer up to 4294967295 (empty, a sign, a decimal point, letters).
quint32 cellUnsigned(const QString &text);
// True when the text is such an integer.
bool isUnsignedCell(const QString &text);

// Row limits are unsigned patterns. A negative minimum is stored as its 32-bit
// pattern and then lies above the maximum: the range wraps through zero and
// holds the values from the minimum up and from 0 to the maximum.
bool withinLimits(quint32 value, quint32 minimum, quint32 maximum);

// Writes a new template workbook with one row per catalogue parameter (names in
// the given language). False with an error text when the file cannot be written.
bool writeParameterTemplate(const QString &path, int language, QString *error);
