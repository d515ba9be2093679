#include "OutputRouting.h"

#include <algorithm>

namespace kestrum
{

int outputRouteIndex(float parameterValue) noexcept
{
    // Limited before rounding so a wild value cannot overflow; NaN reads as the master bus.
    if (! (parameterValue > 0.0f))
        return 0;
    return static_cast<int>(std::lround(std::min(parameterValue, static_cast<float>(numOutputRoutes))));
}

RouteOutputs deviceOutputsForRoute(int route) noexcept
{
    if (route <= 0)
        return {};

    if (route <= 126)
        return { 1, { route + 2, 0 } };

    const int pair = std::min(route, 189) - 127;
    const int first = 2 * pair + 3;
    return { 2, { first, first + 1 } };
}

} // namespace kestrum
