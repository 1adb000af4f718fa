#pragma once

#include <cstdint>

namespace levy {

// Text colours of result-grid cells, as the platform's colour values (red in the low
// byte, blue in the high one). The grid shows an amount's magnitude only; its colour
// carries the sign, and the exports read the sign back from exactly these two values.
inline constexpr int32_t gridNormalColour = 0;
inline constexpr int32_t gridRed = 255;        // a negative amount
inline constexpr int32_t gridBlue = 16711680;  // a zero or positive amount

inline constexpr bool IsAmountColour(int32_t colour) { return colour == gridRed || colour == gridBlue; }

} // namespace levy
