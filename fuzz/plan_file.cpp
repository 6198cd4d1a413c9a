// Bytes of an assessment plan, read as the Assessment window and `noisedesk-cli assess`
// read them; a plan that is accepted must write out and read back accepted.
#include "report/Assessment.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const nd::report::PlanRead read = nd::report::parsePlan(bytes);
    if (!read.plan)
        return 0;
    if (!nd::report::parsePlan(nd::report::planJson(*read.plan)).plan)
        std::abort();
    return 0;
}
