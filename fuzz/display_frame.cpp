// Bytes from the serial line: a status byte and a display frame's five payload bytes,
// decoded and turned into the value text as the main window shows it.
#include "link/MeterState.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6)
        return 0;
    nd::link::MeterState state;
    nd::link::DecodeStatusByte(state, data[0]);
    nd::link::DecodeModeByte(state, data[1]);
    nd::link::DecodeFlagByte(state, data[2]);
    nd::link::DecodeDisplayDigits(state, data[3], data[4]);
    nd::link::DecodeExtraByte(state, data[5]);
    const QString text = nd::link::DisplayValueText(state);
    (void)nd::link::ComputeTwa(state.DisplayNumber * 100.0, state.CriterionLevel,
                               state.ExchangeRate);
    return text.size() > 64 ? 1 : 0;
}
