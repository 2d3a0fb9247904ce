// libFuzzer harness of the workbook reader on whole files: the input is the
// .xlsx package as it lies on disk (workbookcheck.h says what is checked).
//
// Raw mutations of a zip mostly break its checksums, so most of the time the
// mutator unpacks the input, mutates one entry (its data, now and then its
// name) and packs it again, stored or deflated; otherwise it mutates the raw
// bytes, which is how the zip layer itself gets its share.

#include "fuzzcheck.h"
#include "package.h"
#include "workbookcheck.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    dropQtDebugLines();
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize, unsigned int seed)
{
    if (seed % 4 == 0)
        return LLVMFuzzerMutate(data, size, maxSize);
    PackageParts parts = unpackPackage(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)), qint64(maxSize) * 4);
    if (parts.isEmpty())
        return LLVMFuzzerMutate(data, size, maxSize);
    auto &part = parts[int((seed / 4) % unsigned(parts.size()))];
    if (part.first.isEmpty() || part.second.isEmpty()) {
        part.second += char(seed >> 8); // the mutator wants something to work on
    } else if ((seed / 4) % 16 == 1) {
        QByteArray name = part.first.toUtf8();
        const int length = name.size();
        name.resize(length + 16);
        name.resize(int(
            LLVMFuzzerMutate(reinterpret_cast<uint8_t *>(name.data()), size_t(length), size_t(name.size()))));
        part.first = QString::fromUtf8(name);
    } else {
        QByteArray &bytes = part.second;
        const int length = bytes.size();
        const size_t room = size_t(length) + maxSize / 8 + 64;
        bytes.resize(int(room));
        bytes.resize(int(LLVMFuzzerMutate(reinterpret_cast<uint8_t *>(bytes.data()), size_t(length), room)));
    }
    const QByteArray package = buildPackage(parts, seed & 0x100);
    if (package.isEmpty() || size_t(package.size()) > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, package.constData(), size_t(package.size()));
    return size_t(package.size());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkPackage(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    return 0;
}
