#include "clsReedSolomon.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace ostrel {

std::int32_t clsReedSolomon::GeneratorCoefficient(std::int32_t index) const {
    if (index < 0 || index >= MaxLength) {
        return 0;
    }
    return m_GeneratorPoly[static_cast<std::size_t>(index)];
}

bool clsReedSolomon::Init(std::int32_t dataLength, std::int32_t eccLength,
                          std::shared_ptr<const clsFiniteField> field,
                          std::int32_t primitiveElement, std::int32_t firstRoot) {
    if (dataLength <= 0 || eccLength <= 0 || dataLength > MaxLength - eccLength || firstRoot < 0) {
        return false;
    }
    std::shared_ptr<const clsFiniteField> useField = field ? std::move(field) : m_Field;
    if (!useField) {
        return false;
    }
    std::int32_t alpha = primitiveElement;
    if (alpha == 0) {
        alpha = m_PrimitiveElement;
    }
    if (alpha == 0) {
        alpha = useField->PrimitiveElement();
    }
    if (alpha == 0) {
        return false;
    }

    m_Field = std::move(useField);
    m_DataLength = dataLength;
    m_EccLength = eccLength;
    m_PrimitiveElement = alpha;
    m_FirstRoot = firstRoot;
    const clsFiniteField& gf = *m_Field;

    // alpha^b by square and multiply, lowest bit first.
    auto bits = static_cast<std::uint32_t>(firstRoot);
    std::int32_t power = 1;
    if ((bits & 1U) != 0) {
        power = alpha;
        bits &= ~1U;
    }
    std::int32_t base = alpha;
    for (std::uint32_t bit = 2; bits != 0; bit <<= 1) {
        base = gf.Multiply(base, base);
        if ((bits & bit) != 0) {
            power = gf.Multiply(power, base);
            bits &= ~bit;
        }
    }

    // g(x) = x - alpha^b, then multiplied by (x - alpha^(b+i-1)) for i = 2 .. e.
    auto& g = m_GeneratorPoly;
    std::int32_t root = gf.Negate(power);
    g.fill(0);
    g[0] = root;
    g[1] = 1;
    for (std::int32_t i = 2; i <= eccLength; ++i) {
        root = gf.Multiply(root, alpha);
        const auto top = static_cast<std::size_t>(i);
        g[top] = 1;
        for (std::size_t j = top - 1; j >= 1; --j) {
            g[j] = gf.Add(g[j - 1], gf.Multiply(g[j], root));
        }
        g[0] = gf.Multiply(g[0], root);
    }
    return true;
}

void clsReedSolomon::ComputeEcc(std::span<std::int32_t> block) const {
    if (m_EccLength <= 0 || !m_Field) {
        return;
    }
    const auto e = static_cast<std::size_t>(m_EccLength);
    const auto k = static_cast<std::size_t>(m_DataLength);
    if (block.size() < k + e) {
        return;
    }

    // D(x) * x^e; entries above e + k - 1 are never read.
    WorkArray work;
    std::fill_n(work.begin(), e, 0);
    std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(e), k,
                work.begin() + static_cast<std::ptrdiff_t>(e));

    if (RemainderByTables(work)) {
        // In GF(2^m) negation is the identity.
        std::copy_n(work.begin(), e, block.begin());
        return;
    }
    RemainderByOperations(work);
    for (std::size_t j = 0; j < e; ++j) {
        block[j] = m_Field->Negate(work[j]);
    }
}

void clsReedSolomon::RemainderByOperations(WorkArray& work) const {
    const clsFiniteField& gf = *m_Field;
    const auto e = static_cast<std::size_t>(m_EccLength);
    for (std::size_t i = static_cast<std::size_t>(m_DataLength); i-- > 0;) {
        const std::int32_t c = work[e + i];
        for (std::size_t j = 0; j < e; ++j) {
            work[i + j] = gf.Subtract(work[i + j], gf.Multiply(c, m_GeneratorPoly[j]));
        }
    }
}

bool clsReedSolomon::RemainderByTables(WorkArray& work) const {
    const clsFiniteField& gf = *m_Field;
    const std::int32_t q = gf.m_Size;
    if (q < 2 || !gf.IsPowerOfTwo() || !gf.m_TablesInRange) {
        return false;
    }
    const auto isElement = [q](std::int32_t x) {
        return static_cast<std::uint32_t>(x) < static_cast<std::uint32_t>(q);
    };
    const auto e = static_cast<std::size_t>(m_EccLength);
    const auto k = static_cast<std::size_t>(m_DataLength);
    if (!std::all_of(work.begin() + static_cast<std::ptrdiff_t>(e),
                     work.begin() + static_cast<std::ptrdiff_t>(e + k), isElement)) {
        return false;
    }

    // Logarithms of the generator coefficients (-1 for a zero coefficient), taken from the
    // field as it is now, so a field set up again after Init is still followed.
    const std::int16_t* logTable = gf.m_LogTable.data();
    const std::int16_t* expTable = gf.m_ExpTable.data();
    std::array<std::int32_t, MaxLength> generatorLog;
    for (std::size_t j = 0; j < e; ++j) {
        const std::int32_t coefficient = m_GeneratorPoly[j];
        if (!isElement(coefficient)) {
            return false;
        }
        generatorLog[j] = coefficient == 0 ? -1 : logTable[coefficient];
    }

    // Multiply(c, g) = ExpTable(Log c + Log g, reduced once by q-1); with every logarithm in
    // 0 .. q-2 the index stays below q-1 and the product is an element, so Subtract is XOR.
    const std::int32_t order = q - 1;
    for (std::size_t i = k; i-- > 0;) {
        const std::int32_t c = work[e + i];
        if (c == 0) {
            continue;
        }
        const std::int32_t logC = logTable[c];
        std::int32_t* row = work.data() + i;
        for (std::size_t j = 0; j < e; ++j) {
            const std::int32_t logG = generatorLog[j];
            if (logG < 0) {
                continue;
            }
            std::int32_t sum = logC + logG;
            if (sum >= order) {
                sum -= order;
            }
            row[j] ^= expTable[sum];
        }
    }
    return true;
}

} // namespace ostrel
