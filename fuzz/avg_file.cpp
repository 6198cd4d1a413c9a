// Bytes of an interval average file, read as the Average window and the command-line
// tool read them; whatever is accepted must write out and read back the same.
#include "realtime/AverageFile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const nd::realtime::AverageFileRead read = nd::realtime::readAverageFile(bytes);
    if (!read.ok())
        return 0;
    (void)nd::realtime::averageListingLines(*read.content);
    const QByteArray written = nd::realtime::averageFileBytes(*read.content);
    const nd::realtime::AverageFileRead again = nd::realtime::readAverageFile(written);
    if (!again.ok() || nd::realtime::averageFileBytes(*again.content) != written)
        std::abort();
    return 0;
}
