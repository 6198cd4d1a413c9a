// Bytes of a .dat file of either flavour, read as the main window's Open reads them; a
// file that reads is written back and read again, and must give the same rows.
#include "stored/DataFile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const nd::stored::DataFileRead read = nd::stored::readDataFile(bytes);
    if (!read.ok())
        return 0;
    const auto& list = read.content->list;
    const nd::stored::DataFileRead again =
        nd::stored::readDataFile(nd::stored::gridFileBytes(list));
    if (!again.ok() || again.content->list.rows.size() != list.rows.size())
        std::abort();
    (void)nd::stored::csvBytes(list);
    return 0;
}
