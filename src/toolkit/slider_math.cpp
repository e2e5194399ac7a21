#include "toolkit/slider_math.h"

#include <algorithm>

namespace {

long long usable_increment(int increment) { return increment < 1 ? 1 : increment; }

int usable_maximum(int minimum, int maximum) { return maximum < minimum ? minimum : maximum; }

} // namespace

int slider_clamp(long long value, int minimum, int maximum) {
    maximum = usable_maximum(minimum, maximum);
    return static_cast<int>(std::clamp<long long>(value, minimum, maximum));
}

int slider_snap(long long value, int minimum, int maximum, int increment) {
    maximum = usable_maximum(minimum, maximum);
    const long long step = usable_increment(increment);
    const long long offset = slider_clamp(value, minimum, maximum) - static_cast<long long>(minimum);
    long long k = (offset + step / 2) / step;
    // Rounding up may pass the maximum when the range is not a whole
    // number of increments; the last position inside the range is taken.
    const long long last_k = (static_cast<long long>(maximum) - minimum) / step;
    k = std::min(k, last_k);
    return static_cast<int>(minimum + k * step);
}
