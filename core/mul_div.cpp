#include "core/mul_div.h"

#include <cstdint>

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t n =
        product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
    const std::uint64_t d =
        c < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(c)) : c;
    // Halves away from zero: round the magnitude half up, then give it its sign.
    const std::uint64_t q = (n + d / 2) / d;
    if (q > static_cast<std::uint64_t>(INT32_MAX)) return -1;
    const std::int64_t r = negative ? -static_cast<std::int64_t>(q) : static_cast<std::int64_t>(q);
    return static_cast<int>(r);
}
