// A memory dump as it arrives: the first byte is the set count the meter gave, the next
// two the end of its logged data (low, high), the rest the cells from 0 up. Every set is
// decoded and listed; nothing may be read outside the bytes given.
#include "stored/LoggedMemory.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const int sets = data[0];
    const int end = data[1] | data[2] << 8;
    const QByteArray cells(reinterpret_cast<const char*>(data + 3),
                           static_cast<qsizetype>(size - 3));
    const nd::stored::LoggedMemory memory = nd::stored::decodeLoggedMemory(cells, sets, end);
    (void)memory.remainingText();
    for (const nd::stored::LoggedSet& set : memory.sets)
        (void)nd::stored::listSet(set);
    return 0;
}
