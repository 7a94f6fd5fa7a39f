#pragma once

namespace velmora {

// Nearest integer, halves away from zero: 2.5 -> 3, -2.5 -> -3, 2.49 -> 2.
// The one rounding rule of every computation in Velmora.
// Values beyond the int range saturate to INT_MIN or INT_MAX; NaN gives 0.
int RoundHalfAway(double x);

} // namespace velmora
