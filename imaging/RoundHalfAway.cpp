#include "imaging/RoundHalfAway.h"

#include <cmath>
#include <limits>

namespace velmora {

int RoundHalfAway(double x)
{
    if (std::isnan(x))
        return 0;
    double whole = std::trunc(x);
    const double fraction = x - whole; // exact, and it carries the sign of x
    if (std::fabs(fraction) >= 0.5)
        whole += std::copysign(1.0, fraction);
    if (whole >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (whole <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(whole);
}

} // namespace velmora
