#pragma once

// Reference arithmetic written independently of clsFiniteField, used as an oracle by the tests.

#include <cstdint>
#include <vector>

namespace ostrel::test {

// Product of a and b in GF(2^m) given by the reduction polynomial `poly` of degree m: the
// schoolbook carry-less product followed by reduction from the top bit down.
inline std::int32_t ReferenceMultiply2m(std::int32_t a, std::int32_t b, std::int32_t poly, int m) {
    std::uint32_t wide = 0;
    for (int i = 0; i < m; ++i) {
        if ((b >> i) & 1) {
            wide ^= static_cast<std::uint32_t>(a) << i;
        }
    }
    for (int bit = 2 * m - 2; bit >= m; --bit) {
        if ((wide >> bit) & 1U) {
            wide ^= static_cast<std::uint32_t>(poly) << (bit - m);
        }
    }
    return static_cast<std::int32_t>(wide);
}

// Multiplicative order of g (0 when no power of g is 1) for a multiplication `mul` on q elements.
template <typename Mul> std::int32_t ReferenceOrder(std::int32_t g, std::int32_t q, Mul mul) {
    std::int32_t x = g;
    for (std::int32_t k = 1; k < q; ++k) {
        if (x == 1) {
            return k;
        }
        x = mul(x, g);
    }
    return 0;
}

// Smallest g >= 2 of order q-1 by counting, or 0.
template <typename Mul> std::int32_t ReferencePrimitive(std::int32_t q, Mul mul) {
    for (std::int32_t g = 2; g < q; ++g) {
        if (ReferenceOrder(g, q, mul) == q - 1) {
            return g;
        }
    }
    return 0;
}

inline bool IsPrime(std::int32_t n) {
    if (n < 2) {
        return false;
    }
    for (std::int32_t d = 2; d * d <= n; ++d) {
        if (n % d == 0) {
            return false;
        }
    }
    return true;
}

// Value at x of the polynomial with coefficients `poly` in ascending powers (Horner's rule), with
// the field's addition and multiplication given as callables.
template <typename Add, typename Mul>
std::int32_t Evaluate(const std::vector<std::int32_t>& poly, std::int32_t x, Add add, Mul mul) {
    std::int32_t value = 0;
    for (auto it = poly.rbegin(); it != poly.rend(); ++it) {
        value = add(mul(value, x), *it);
    }
    return value;
}

} // namespace ostrel::test
