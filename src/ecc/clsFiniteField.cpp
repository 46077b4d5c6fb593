#include "clsFiniteField.h"

#include <atomic>
#include <bitset>
#include <cmath>
#include <cstddef>

namespace ostrel {

namespace {

// Number of squarings kept by FindPrimitiveElement: exponents below 2^14 cover every q <= 16384.
constexpr std::size_t PowerCount = 14;

// The search bound for trial division: the whole number nearest to sqrt(n) + 2.
std::int32_t TrialLimit(std::int32_t n) {
    return static_cast<std::int32_t>(std::lround(std::sqrt(static_cast<double>(n)) + 2.0));
}

bool InTable(std::int32_t index) {
    return index >= 0 && index < clsFiniteField::TableLength;
}

} // namespace

std::int32_t clsFiniteField::FindPrimitiveElement() const {
    const std::int32_t order = m_Size - 1;
    if (order < 1) {
        return 0;
    }

    // (q-1)/p for every distinct prime p dividing q-1, in increasing order of p. q-1 < 16384 has
    // at most five distinct prime factors (2*3*5*7*11*13 > 16383).
    std::array<std::int32_t, 8> quotients{};
    std::size_t count = 0;
    const auto addQuotient = [&](std::int32_t prime) {
        if (count < quotients.size()) {
            quotients[count++] = order / prime;
        }
    };

    std::int32_t n = order;
    if (n % 2 == 0) {
        addQuotient(2);
        while (n % 2 == 0) {
            n /= 2;
        }
    }
    std::int32_t limit = TrialLimit(n);
    for (std::int32_t p = 3; p <= limit; p += 2) {
        if (n % p == 0) {
            while (n % p == 0) {
                n /= p;
            }
            addQuotient(p);
            limit = TrialLimit(n);
        }
    }
    if (n > 1) {
        addQuotient(n);
    }

    // g is primitive when g^((q-1)/p) != 1 for every prime p dividing q-1.
    for (std::int32_t g = 2; g < m_Size; ++g) {
        std::array<std::int32_t, PowerCount> powers{};
        powers[0] = g;
        for (std::size_t s = 1; s < PowerCount; ++s) {
            powers[s] = MultiplyDirect(powers[s - 1], powers[s - 1]);
        }
        bool primitive = true;
        for (std::size_t i = 0; i < count && primitive; ++i) {
            std::int32_t value = 1;
            std::int32_t exponent = quotients[i];
            for (std::size_t s = 0; exponent != 0 && s < PowerCount; ++s, exponent >>= 1) {
                if ((exponent & 1) != 0) {
                    value = MultiplyDirect(value, powers[s]);
                }
            }
            primitive = value != 1;
        }
        if (primitive) {
            return g;
        }
    }
    return 0;
}

bool clsFiniteField::Init(std::int32_t size, std::int32_t modulus, std::int32_t primitiveElement) {
    if (size < 2 || size > TableLength) {
        return false;
    }

    if (size == 2) {
        m_Size = 2;
        m_Modulus = 2;
        m_PrimitiveElement = 1;
        m_LogTable[0] = 0;
        m_LogTable[1] = 0;
        m_ExpTable[0] = 1;
        m_ExpTable[1] = 1;
        CheckTables();
        return true;
    }

    const bool powerOfTwo = (size & (size - 1)) == 0;
    if (powerOfTwo && modulus == 0) {
        return false;
    }

    // From here on the object changes. A size that is not a power of two is taken to be prime:
    // the elements are the integers modulo size.
    m_Size = size;
    m_Modulus = powerOfTwo ? modulus : size;
    std::int32_t alpha = primitiveElement;
    if (alpha == 0) {
        alpha = FindPrimitiveElement();
    }

    m_LogTable[0] = 0;
    m_LogTable[1] = 0;
    SetLog(alpha, 1);
    m_ExpTable[0] = 1;
    m_ExpTable[size - 1] = 1;
    m_ExpTable[1] = static_cast<std::int16_t>(alpha);
    m_PrimitiveElement = alpha;

    // alpha^k for k = 2 .. q-2. MultiplyDirect is the carry-less product reduced by the
    // modulus, or the product modulo q; an alpha outside the field gives 0 from the second
    // power on.
    std::int32_t x = alpha;
    for (std::int32_t k = 2; k <= size - 2; ++k) {
        x = MultiplyDirect(x, alpha);
        SetLog(x, k);
        m_ExpTable[k] = static_cast<std::int16_t>(x);
    }
    CheckTables();
    return true;
}

void clsFiniteField::SetLog(std::int32_t x, std::int32_t k) {
    if (InTable(x)) {
        m_LogTable[x] = static_cast<std::int16_t>(k);
    }
}

void clsFiniteField::CheckTables() {
    static std::atomic<std::uint64_t> setUps{0};
    m_SetUpStamp = ++setUps;

    m_TablesInRange = true;
    m_IsBinaryField = false;
    for (std::int32_t x = 0; x < m_Size; ++x) {
        const std::int32_t power = m_ExpTable[x];
        const std::int32_t log = m_LogTable[x];
        if (power < 0 || power >= m_Size || log < 0 || log > m_Size - 2) {
            m_TablesInRange = false;
            return;
        }
    }
    if (!IsPowerOfTwo()) {
        return;
    }
    // The powers alpha^0 .. alpha^(q-2) must be distinct, non-zero and found by LogTable.
    std::bitset<TableLength> seen;
    for (std::int32_t k = 0; k <= m_Size - 2; ++k) {
        const std::int32_t power = m_ExpTable[k];
        if (power == 0 || seen.test(static_cast<std::size_t>(power)) || m_LogTable[power] != k) {
            return;
        }
        seen.set(static_cast<std::size_t>(power));
    }
    m_IsBinaryField = true;
}

std::int32_t clsFiniteField::Add(std::int32_t a, std::int32_t b) const {
    if (!IsElement(a) || !IsElement(b)) {
        return 0;
    }
    if (IsPowerOfTwo()) {
        return a ^ b;
    }
    const std::int32_t sum = a + b;
    return sum >= m_Size ? sum - m_Size : sum;
}

std::int32_t clsFiniteField::Negate(std::int32_t a) const {
    if (!IsElement(a)) {
        return 0;
    }
    if (IsPowerOfTwo() || a == 0) {
        return a;
    }
    return m_Size - a;
}

std::int32_t clsFiniteField::Subtract(std::int32_t a, std::int32_t b) const {
    if (!IsElement(a) || !IsElement(b)) {
        return 0;
    }
    if (IsPowerOfTwo()) {
        return a ^ b;
    }
    const std::int32_t difference = a - b;
    return difference < 0 ? difference + m_Size : difference;
}

std::int32_t clsFiniteField::Multiply(std::int32_t a, std::int32_t b) const {
    if (!IsElement(a) || !IsElement(b) || a == 0 || b == 0) {
        return 0;
    }
    std::int32_t sum = m_LogTable[a] + m_LogTable[b];
    if (sum >= m_Size - 1) {
        sum -= m_Size - 1;
    }
    return ExpTableAt(sum);
}

std::int32_t clsFiniteField::MultiplyDirect(std::int32_t a, std::int32_t b) const {
    if (!IsElement(a) || !IsElement(b) || a == 0 || b == 0) {
        return 0;
    }
    if (m_Size == 2) {
        return 1;
    }
    if (!IsPowerOfTwo()) {
        return (a * b) % m_Size; // both below 16384: no overflow
    }

    // Shift and add: for each set bit of b add (XOR) the matching multiple x^s * a, reducing a
    // by the modulus whenever it reaches degree m.
    std::int32_t product = 0;
    std::int32_t bit = 1;
    for (;;) {
        if ((b & bit) != 0) {
            b &= ~bit;
            product ^= a;
        }
        if (b == 0) {
            break;
        }
        a <<= 1;
        bit <<= 1;
        if ((a & m_Size) != 0) {
            a = (a ^ m_Modulus) & (m_Size - 1);
        }
    }
    return product;
}

std::int32_t clsFiniteField::Inverse(std::int32_t a) const {
    if (!IsElement(a) || a == 0) {
        return 0;
    }
    return ExpTableAt(m_Size - 1 - m_LogTable[a]);
}

std::int32_t clsFiniteField::EuclideanInverse(std::int32_t x) const {
    std::int32_t r0 = m_Size;
    std::int32_t r1 = x;
    std::int32_t t0 = 0;
    std::int32_t t1 = 1;
    std::int32_t remainder = 0;
    do {
        const std::int32_t quotient = r0 / r1;
        remainder = r0 - quotient * r1;
        r0 = r1;
        r1 = remainder;
        const std::int32_t t = t0 - t1 * quotient;
        t0 = t1;
        t1 = t;
    } while (remainder != 0);
    const std::int32_t inverse = t0 % m_Size;
    return inverse < 0 ? inverse + m_Size : inverse;
}

std::int32_t clsFiniteField::InverseDirect(std::int32_t a) const {
    if (!IsElement(a) || a == 0) {
        return 0;
    }
    if (m_Size == 2) {
        return 1;
    }
    if (IsPowerOfTwo()) {
        return 0;
    }
    return EuclideanInverse(a);
}

std::int32_t clsFiniteField::Divide(std::int32_t a, std::int32_t b) const {
    if (!IsElement(a) || !IsElement(b) || a == 0 || b == 0) {
        return 0;
    }
    std::int32_t difference = m_LogTable[a] - m_LogTable[b];
    if (difference < 0) {
        difference += m_Size - 1;
    }
    return ExpTableAt(difference);
}

std::int32_t clsFiniteField::DivideDirect(std::int32_t a, std::int32_t b) const {
    if (!IsElement(a) || !IsElement(b) || a == 0 || b == 0) {
        return 0;
    }
    if (m_Size == 2) {
        return 1;
    }
    if (IsPowerOfTwo()) {
        return 0;
    }
    return (a * EuclideanInverse(b)) % m_Size; // both factors below 16384
}

std::int32_t clsFiniteField::Log(std::int32_t a) const {
    return IsElement(a) ? m_LogTable[a] : 0;
}

std::int32_t clsFiniteField::Exp(std::int32_t k) const {
    if (m_Size < 2) {
        return 0;
    }
    const std::int32_t order = m_Size - 1;
    std::int32_t r = k % order;
    if (r < 0) {
        r += order;
    }
    return m_ExpTable[r];
}

std::int32_t clsFiniteField::LogTableAt(std::int32_t index) const {
    return InTable(index) ? m_LogTable[index] : 0;
}

std::int32_t clsFiniteField::ExpTableAt(std::int32_t index) const {
    return InTable(index) ? m_ExpTable[index] : 0;
}

} // namespace ostrel
