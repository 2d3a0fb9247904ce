// libFuzzer harness of the workbook reader on whole files: the input is the
// .xlsx package as it lies on disk (workbookcheck.h says what is checked).

#include "fuzzcheck.h"
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
    checkPackage(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    return 0;
}
