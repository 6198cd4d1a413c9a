// Bytes of a .bnk file, as the Event window's Open reads them: parsed into a new table
// in either layout; a table that parses must write back and parse to itself.
#include "events/BankFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const nd::events::BankFileRead read = nd::events::ParseBankFile(bytes);
    if (!read.table)
        return 0;
    const nd::events::BankFileRead again =
        nd::events::ParseBankFile(nd::events::BankFileBytes(*read.table, read.layout));
    if (!again.table || again.layout != read.layout)
        std::abort();
    return 0;
}
