#pragma once

// Packages built in memory for the harnesses and the seed maker, and the
// package the sheet harness puts its sheet into.

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

using PackageParts = QVector<QPair<QString, QByteArray>>;

// A zip package of the parts, in that order; stored (no compression) unless
// deflate. Empty when libzip refuses.
QByteArray buildPackage(const PackageParts &parts, bool deflate = false);

// The entries of a package; empty when it cannot be read whole or unpacks to
// more than limit bytes.
PackageParts unpackPackage(const QByteArray &package, qint64 limit = 64 * 1024 * 1024);

// Shared strings 0..5: plain, rich text, a phonetic run, an escaped
// character, one of 40 characters, an empty one.
QByteArray defaultSharedStrings();

// A workbook laid out as Excel writes it: the sheet 读写类 whose part is
// sheetXml, a second sheet "Notes" of its own, the shared strings, a
// calculation chain and a custom part.
PackageParts sheetPackageParts(const QByteArray &sheetXml, const QByteArray &sharedStringsXml);
