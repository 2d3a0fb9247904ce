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

// A value or limit cell of a row with count registers as its register pattern:
// an unsigned decimal integer up to 4294967295, or for a two-register row also a
// negative decimal integer down to -2147483648 (its 32-bit two's complement, so
// "-100" and "4294967196" are the same value). False for any other text
// (empty, a decimal point, letters, out of range).
bool cellPattern(const QString &text, int count, quint32 *pattern);

// How a row's value stands against the row's limits.
enum class LimitCheck {
    Within,
    Outside,
    InvalidLimits, // the minimum lies above the maximum: the row is not imported
};

// Row limits are 32-bit patterns; the template stores a negative minimum as its
// pattern. A two-register row whose minimum or maximum pattern is at or above
// 2^31 is a signed row: minimum, maximum and value compare as signed 32-bit
// numbers. Every other row compares them unsigned.
LimitCheck checkLimits(quint32 value, quint32 minimum, quint32 maximum, int count);

// Writes a new template workbook with one row per catalogue parameter (names in
// the given language). False with an error text when the file cannot be written.
bool writeParameterTemplate(const QString &path, int language, QString *error);
