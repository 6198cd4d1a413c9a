#pragma once

#include "link/MeterState.h"

namespace nd::test {

/// A state whose display shows the four given characters and the given number, as the
/// decoders would leave it.
inline link::MeterState readingState(const QString& digits, double number) {
    link::MeterState state;
    state.Digit1 = digits.mid(0, 1);
    state.Digit2 = digits.mid(1, 1);
    state.Digit3 = digits.mid(2, 1);
    state.Digit4 = digits.mid(3, 1);
    state.DisplayText = digits;
    state.DisplayNumber = number;
    return state;
}

} // namespace nd::test
