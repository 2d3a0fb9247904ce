// libFuzzer harness of the workbook reader on the XML of one worksheet: the
// input is the sheet part, optionally followed by a NUL byte and the
// shared-strings part (XML holds no NUL, so the split is never ambiguous). The
// harness puts them into a package laid out as Excel writes one, stored
// uncompressed, and checks it as a whole file (workbookcheck.h).

#include "fuzzcheck.h"
#include "package.h"
#include "workbookcheck.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    dropQtDebugLines();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const int split = input.indexOf('\0');
    const QByteArray sheet = split < 0 ? input : input.left(split);
    const QByteArray sharedStrings = split < 0 ? defaultSharedStrings() : input.mid(split + 1);
    const QByteArray package = buildPackage(sheetPackageParts(sheet, sharedStrings));
    FUZZ_CHECK(!package.isEmpty(), QStringLiteral("libzip could not build the package"));
    checkPackage(package);
    return 0;
}
