#include "clsReedSolomon.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

// Many blocks at once in the lanes of 64-byte vectors, with GFNI (GCC on x86-64; not on Windows,
// where MinGW's GCC does not align 64-byte vectors kept on the stack).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(_WIN32)
#define OSTREL_RS_LANES 1
#include <immintrin.h>
#endif

namespace ostrel {

std::int32_t clsReedSolomon::GeneratorCoefficient(std::int32_t index) const {
    if (index < 0 || index >= MaxLength) {
        return 0;
    }
    return m_GeneratorPoly[static_cast<std::size_t>(index)];
}

namespace {

// The first non-zero of the alpha given to Init, the stored one and the field's; 0 when none is.
std::int32_t ChooseAlpha(std::int32_t given, std::int32_t stored, std::int32_t fields) {
    if (given != 0) {
        return given;
    }
    return stored != 0 ? stored : fields;
}

// alpha^exponent by square and multiply, lowest bit first.
std::int32_t Power(const clsFiniteField& gf, std::int32_t alpha, std::int32_t exponent) {
    auto bits = static_cast<std::uint32_t>(exponent);
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
    return power;
}

// Multiplies g(x) = x + root (g[0] = root, g[1] = 1, root = -alpha^b) by x + root alpha^(i-1),
// that is x - alpha^(b+i-1), for i = 2 .. degree, with the field's product and sum.
template <typename Multiply, typename Add>
void MultiplyOut(std::span<std::int32_t> g, std::int32_t root, std::int32_t alpha,
                 std::int32_t degree, Multiply multiply, Add add) {
    for (std::int32_t i = 2; i <= degree; ++i) {
        root = multiply(root, alpha);
        const auto top = static_cast<std::size_t>(i);
        g[top] = 1;
        for (std::size_t j = top - 1; j >= 1; --j) {
            g[j] = add(g[j - 1], multiply(g[j], root));
        }
        g[0] = multiply(g[0], root);
    }
}

} // namespace

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
    const std::int32_t alpha =
        ChooseAlpha(primitiveElement, m_PrimitiveElement, useField->PrimitiveElement());
    if (alpha == 0) {
        return false;
    }

    m_Field = std::move(useField);
    m_DataLength = dataLength;
    m_EccLength = eccLength;
    m_PrimitiveElement = alpha;
    m_FirstRoot = firstRoot;
    const clsFiniteField& gf = *m_Field;

    // The generator follows from the field's tables, alpha, the first root and the degree alone:
    // when they are those of the generator at hand, it and its products stand as they are.
    if (m_GeneratorSetUp != 0 && &gf == m_GeneratorField && gf.m_SetUpStamp == m_GeneratorSetUp &&
        alpha == m_GeneratorAlpha && firstRoot == m_GeneratorFirstRoot &&
        eccLength == m_GeneratorDegree) {
        return true;
    }

    // g(x) = x - alpha^b, then multiplied by (x - alpha^(b+i-1)) for i = 2 .. e.
    auto& g = m_GeneratorPoly;
    const std::int32_t root = gf.Negate(Power(gf, alpha, firstRoot));
    g.fill(0);
    g[0] = root;
    g[1] = 1;
    if (gf.m_IsBinaryField && gf.IsElement(alpha)) {
        // Every coefficient is an element: Multiply is the table product and Add is XOR, here
        // without the calls.
        const std::int16_t* logTable = gf.m_LogTable.data();
        const std::int16_t* expTable = gf.m_ExpTable.data();
        const std::int32_t order = gf.m_Size - 1;
        const auto multiply = [=](std::int32_t a, std::int32_t b) -> std::int32_t {
            if (a == 0 || b == 0) {
                return 0;
            }
            std::int32_t sum = logTable[a] + logTable[b];
            if (sum >= order) {
                sum -= order;
            }
            return expTable[sum];
        };
        MultiplyOut(g, root, alpha, eccLength, multiply,
                    [](std::int32_t a, std::int32_t b) { return a ^ b; });
    } else {
        MultiplyOut(
            g, root, alpha, eccLength,
            [&gf](std::int32_t a, std::int32_t b) { return gf.Multiply(a, b); },
            [&gf](std::int32_t a, std::int32_t b) { return gf.Add(a, b); });
    }
    m_GeneratorField = &gf;
    m_GeneratorSetUp = gf.m_SetUpStamp;
    m_GeneratorAlpha = alpha;
    m_GeneratorFirstRoot = firstRoot;
    m_GeneratorDegree = eccLength;
    BuildProducts();
    return true;
}

void clsReedSolomon::BuildProducts() {
    m_ProductField = nullptr;
    m_ProductSetUp = 0;
    const clsFiniteField& gf = *m_Field;
    const std::int32_t q = gf.m_Size;
    if (!gf.m_IsBinaryField || q > 256 || m_EccLength > ProductRowBytes) {
        return;
    }
    const std::int16_t* logTable = gf.m_LogTable.data();
    const std::int16_t* expTable = gf.m_ExpTable.data();
    const std::int32_t order = q - 1;
    const auto e = static_cast<std::size_t>(m_EccLength);

    // The rows of 1, 2, 4, ... by the table product (the generator's coefficients are elements:
    // Init made them with this field) ...
    m_Products[0] = ProductRow{};
    for (std::int32_t c = 1; c < q; c <<= 1) {
        ProductRow row{};
        for (std::size_t j = 0; j < e; ++j) {
            const std::int32_t coefficient = m_GeneratorPoly[j];
            std::int32_t product = 0;
            if (coefficient != 0) {
                std::int32_t sum = logTable[c] + logTable[coefficient];
                if (sum >= order) {
                    sum -= order;
                }
                product = expTable[sum];
            }
            row[j / 8] |= static_cast<std::uint64_t>(product) << (8 * (j % 8));
        }
        m_Products[static_cast<std::size_t>(c)] = row;
    }
    // ... and every other row from them: in GF(2^m) the product distributes over XOR, so
    // c * g = (c without its lowest bit) * g + (its lowest bit) * g. Only the words that hold
    // coefficients are made (and ever read).
    const std::size_t words = (e + 7) / 8;
    for (std::int32_t c = 3; c < q; ++c) {
        const std::int32_t low = c & -c;
        if (low == c) {
            continue;
        }
        const ProductRow& a = m_Products[static_cast<std::size_t>(c ^ low)];
        const ProductRow& b = m_Products[static_cast<std::size_t>(low)];
        ProductRow& row = m_Products[static_cast<std::size_t>(c)];
        for (std::size_t w = 0; w < words; ++w) {
            row[w] = a[w] ^ b[w];
        }
    }
    if (q == 256) {
        BuildTopProducts(); // only the byte form reads them
    }
    m_ProductField = &gf;
    m_ProductSetUp = gf.m_SetUpStamp;
}

void clsReedSolomon::BuildTopProducts() {
    const auto e = static_cast<std::size_t>(m_EccLength);
    const std::size_t offset = ProductRowBytes - e;
    // The rows of 1, 2, 4, ... moved up from the word rows, the others by linearity again.
    m_TopProducts[0] = TopProductRow{};
    for (std::size_t c = 1; c < m_TopProducts.size(); c <<= 1) {
        TopProductRow row{};
        for (std::size_t j = 0; j < e; ++j) {
            row.Bytes[offset + j] =
                static_cast<std::uint8_t>(m_Products[c][j / 8] >> (8 * (j % 8)));
        }
        m_TopProducts[c] = row;
    }
    for (std::size_t c = 3; c < m_TopProducts.size(); ++c) {
        const std::size_t low = c & (~c + 1);
        if (low == c) {
            continue;
        }
        const auto& a = m_TopProducts[c ^ low].Bytes;
        const auto& b = m_TopProducts[low].Bytes;
        auto& row = m_TopProducts[c].Bytes;
        for (std::size_t j = 0; j < row.size(); ++j) {
            row[j] = static_cast<std::uint8_t>(a[j] ^ b[j]);
        }
    }
    // The matrices of the lanes: bit k of byte 7 - i of entry j is bit i of g(j) * 2^k.
    for (std::size_t j = 0; j < e; ++j) {
        std::uint64_t matrix = 0;
        for (std::size_t k = 0; k < 8; ++k) {
            const auto product = static_cast<std::uint64_t>(
                m_Products[std::size_t{1} << k][j / 8] >> (8 * (j % 8)) & 0xFF);
            for (std::size_t i = 0; i < 8; ++i) {
                matrix |= ((product >> i) & 1) << (8 * (7 - i) + k);
            }
        }
        m_LaneMatrices[j] = matrix;
    }
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

    if (RemainderByProducts(block)) {
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

namespace {

// Division by the generator as a shift register of `Words` words, byte j of the register (bits
// 8j .. 8j+7 from the lowest bit of word j / 8) the coefficient of x^j of the running remainder.
// Per data symbol, highest first: the feedback is the symbol plus the top coefficient, the
// register moves up one coefficient and takes the feedback's product row. Bytes that move past
// the top coefficient only ever move further up and are never read.
using Products = std::array<std::array<std::uint64_t, 4>, 256>;

template <std::size_t Words> class ProductRegister {
public:
    explicit ProductRegister(std::size_t e)
        : m_TopShift(static_cast<unsigned>(8 * ((e - 1) % 8))) {}

    void Step(const Products& products, std::int32_t symbol) {
        const auto feedback = static_cast<std::size_t>(
            (static_cast<std::uint64_t>(symbol) ^ (m_R[Words - 1] >> m_TopShift)) & 0xFFU);
        for (std::size_t w = Words - 1; w > 0; --w) {
            m_R[w] = (m_R[w] << 8) | (m_R[w - 1] >> 56);
        }
        m_R[0] <<= 8;
        const auto& row = products[feedback];
        for (std::size_t w = 0; w < Words; ++w) {
            m_R[w] ^= row[w];
        }
    }

    // The first word: coefficients 0 to 7.
    std::uint64_t Word() const { return m_R[0]; }
    // Coefficient j of the remainder (j below e).
    std::uint8_t Coefficient(std::size_t j) const {
        return static_cast<std::uint8_t>(m_R[j / 8] >> (8 * (j % 8)));
    }

    // The e coefficients of the remainder, x^0 first.
    void Store(std::int32_t* remainder, std::size_t e) const {
        for (std::size_t j = 0; j < e; ++j) {
            remainder[j] = static_cast<std::int32_t>((m_R[j / 8] >> (8 * (j % 8))) & 0xFFU);
        }
    }

private:
    std::array<std::uint64_t, Words> m_R{};
    unsigned m_TopShift;
};

template <std::size_t Words>
void DivideByProducts(const Products& products, const std::int32_t* data, std::size_t k,
                      std::size_t e, std::int32_t* remainder) {
    ProductRegister<Words> r(e);
    for (std::size_t i = k; i-- > 0;) {
        r.Step(products, data[i]);
    }
    r.Store(remainder, e);
}

// Two blocks of the same length through two registers in one loop.
template <std::size_t Words>
void DivideTwoByProducts(const Products& products, const std::int32_t* firstData,
                         const std::int32_t* secondData, std::size_t k, std::size_t e,
                         std::int32_t* firstRemainder, std::int32_t* secondRemainder) {
    ProductRegister<Words> first(e);
    ProductRegister<Words> second(e);
    for (std::size_t i = k; i-- > 0;) {
        first.Step(products, firstData[i]);
        second.Step(products, secondData[i]);
    }
    first.Store(firstRemainder, e);
    second.Store(secondRemainder, e);
}

} // namespace

bool clsReedSolomon::ProductsApply(std::span<const std::int32_t> block) const {
    if (m_ProductField == nullptr || m_Field.get() != m_ProductField ||
        m_Field->m_SetUpStamp != m_ProductSetUp) {
        return false;
    }
    const auto e = static_cast<std::size_t>(m_EccLength);
    const auto k = static_cast<std::size_t>(m_DataLength);
    if (block.size() < k + e) {
        return false;
    }
    const auto q = static_cast<std::uint32_t>(m_Field->m_Size);
    const std::int32_t* data = block.data() + e;
    bool outside = false;
    for (std::size_t i = 0; i < k; ++i) {
        outside |= static_cast<std::uint32_t>(data[i]) >= q;
    }
    return !outside;
}

bool clsReedSolomon::RemainderByProducts(std::span<std::int32_t> block) const {
    if (!ProductsApply(block)) {
        return false;
    }
    const auto e = static_cast<std::size_t>(m_EccLength);
    const auto k = static_cast<std::size_t>(m_DataLength);
    const std::int32_t* data = block.data() + e;
    // In GF(2^m) the negated remainder is the remainder.
    switch ((e + 7) / 8) {
    case 1:
        DivideByProducts<1>(m_Products, data, k, e, block.data());
        break;
    case 2:
        DivideByProducts<2>(m_Products, data, k, e, block.data());
        break;
    case 3:
        DivideByProducts<3>(m_Products, data, k, e, block.data());
        break;
    default:
        DivideByProducts<4>(m_Products, data, k, e, block.data());
        break;
    }
    return true;
}

void clsReedSolomon::ComputeEccPair(std::span<std::int32_t> first,
                                    std::span<std::int32_t> second) const {
    if (m_EccLength <= 0 || !m_Field || !ProductsApply(first) || !ProductsApply(second)) {
        ComputeEcc(first);
        ComputeEcc(second);
        return;
    }
    const auto e = static_cast<std::size_t>(m_EccLength);
    const auto k = static_cast<std::size_t>(m_DataLength);
    std::int32_t* a = first.data();
    std::int32_t* b = second.data();
    switch ((e + 7) / 8) {
    case 1:
        DivideTwoByProducts<1>(m_Products, a + e, b + e, k, e, a, b);
        break;
    case 2:
        DivideTwoByProducts<2>(m_Products, a + e, b + e, k, e, a, b);
        break;
    case 3:
        DivideTwoByProducts<3>(m_Products, a + e, b + e, k, e, a, b);
        break;
    default:
        DivideTwoByProducts<4>(m_Products, a + e, b + e, k, e, a, b);
        break;
    }
}

namespace {

// Check symbol t (in sending order) of a register's remainder to checks[t * stride].
template <std::size_t Words>
void StoreChecks(const ProductRegister<Words>& r, std::size_t e, std::uint8_t* checks,
                 std::ptrdiff_t stride) {
    if constexpr (Words == 1) {
        // The top coefficient moved to the top byte, then each out of it in turn.
        std::uint64_t word = r.Word() << (8 * (8 - e));
        for (std::size_t t = 0; t < e; ++t, word <<= 8) {
            checks[static_cast<std::ptrdiff_t>(t) * stride] = static_cast<std::uint8_t>(word >> 56);
        }
    } else {
        for (std::size_t t = 0; t < e; ++t) {
            checks[static_cast<std::ptrdiff_t>(t) * stride] = r.Coefficient(e - 1 - t);
        }
    }
}

// Blocks of bytes two at a time, their registers side by side (as DivideTwoByProducts); the
// shorter one starts late, which is the same as leading zero symbols.
template <std::size_t Words>
void DivideBytesByProducts(const Products& products, std::size_t e,
                           const clsReedSolomon::ByteBlock& first,
                           const clsReedSolomon::ByteBlock& second, std::ptrdiff_t stride) {
    ProductRegister<Words> a(e);
    ProductRegister<Words> b(e);
    const auto firstLength = static_cast<std::size_t>(first.Length);
    const auto secondLength = static_cast<std::size_t>(second.Length);
    const std::size_t length = std::max(firstLength, secondLength);
    const std::size_t firstStart = length - firstLength;
    const std::size_t secondStart = length - secondLength;
    std::size_t i = 0;
    for (; i < std::max(firstStart, secondStart); ++i) {
        a.Step(products, i >= firstStart ? first.Data[i - firstStart] : 0);
        b.Step(products, i >= secondStart ? second.Data[i - secondStart] : 0);
    }
    for (; i < length; ++i) {
        a.Step(products, first.Data[i - firstStart]);
        b.Step(products, second.Data[i - secondStart]);
    }
    StoreChecks(a, e, first.Checks, stride);
    if (second.Checks != nullptr) {
        StoreChecks(b, e, second.Checks, stride);
    }
}

// One block alone (a pair without a second block's checks): one register, and the loop reads
// no second block.
template <std::size_t Words>
void DivideOneByProducts(const Products& products, std::size_t e,
                         const clsReedSolomon::ByteBlock& block, std::ptrdiff_t stride) {
    ProductRegister<Words> r(e);
    const std::uint8_t* const data = block.Data;
    const auto length = static_cast<std::size_t>(block.Length);
    for (std::size_t i = 0; i < length; ++i) {
        r.Step(products, data[i]);
    }
    StoreChecks(r, e, block.Checks, stride);
}

#if defined(__GNUC__) && !defined(__clang__)
#define OSTREL_RS_VECTORS 1

// The byte form's registers as one or two 16-byte vectors (GCC's vector extensions: SSE2 on
// x86-64, NEON on ARM), coefficient j of the remainder in byte 32 - e + j of the pair (Low
// bytes 0 .. 15, High 16 .. 31), so that the top coefficient is always the last byte of High.
// A step moves both up one byte (the last byte of Low into the first of High) and XORs in the
// feedback's row of the top-aligned products. With e <= 16 only High holds coefficients.
using Bytes16 = std::uint8_t __attribute__((vector_size(16), may_alias));
using Lanes8 = std::uint16_t __attribute__((vector_size(16)));

// Byte i of v moved to byte i + 1 (a zero into byte 0), and byte 15 of v alone moved to byte 0:
// one byte shift of the whole vector each (PSLLDQ and PSRLDQ on x86).
[[gnu::always_inline]] inline Bytes16 ShiftUp(Bytes16 v) {
    return __builtin_shuffle(v, Bytes16{},
                             Bytes16{16, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
}
[[gnu::always_inline]] inline Bytes16 TopToBottom(Bytes16 v) {
    return __builtin_shuffle(
        v, Bytes16{}, Bytes16{15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16});
}

template <bool TwoHalves> class VectorRegister {
public:
    [[gnu::always_inline]] void Step(const std::uint8_t* products, std::uint8_t symbol) {
        // The top byte through a 16-bit lane (PEXTRW), not through memory.
        const auto top = static_cast<std::uint16_t>(reinterpret_cast<Lanes8>(m_High)[7]) >> 8;
        const auto feedback = static_cast<std::size_t>(symbol ^ top);
        const auto* row = reinterpret_cast<const Bytes16*>(products + 32 * feedback);
        if constexpr (TwoHalves) {
            m_High = (ShiftUp(m_High) | TopToBottom(m_Low)) ^ row[1];
            m_Low = ShiftUp(m_Low) ^ row[0];
        } else {
            m_High = ShiftUp(m_High) ^ row[1];
        }
    }

    // Check symbol t in sending order (byte 31 - t) to checks[t * stride].
    void StoreChecks(std::size_t e, std::uint8_t* checks, std::ptrdiff_t stride) const {
        std::array<std::uint8_t, 32> bytes{};
        std::memcpy(bytes.data(), &m_Low, 16);
        std::memcpy(bytes.data() + 16, &m_High, 16);
        for (std::size_t t = 0; t < e; ++t) {
            checks[static_cast<std::ptrdiff_t>(t) * stride] = bytes[31 - t];
        }
    }

private:
    Bytes16 m_Low{};
    Bytes16 m_High{};
};

// DivideBytesByProducts with the vector registers.
template <bool TwoHalves>
void DivideBytesByVectors(const std::uint8_t* products, std::size_t e,
                          const clsReedSolomon::ByteBlock& first,
                          const clsReedSolomon::ByteBlock& second, std::ptrdiff_t stride) {
    VectorRegister<TwoHalves> a;
    VectorRegister<TwoHalves> b;
    const auto firstLength = static_cast<std::size_t>(first.Length);
    const auto secondLength = static_cast<std::size_t>(second.Length);
    const std::size_t length = std::max(firstLength, secondLength);
    const std::size_t firstStart = length - firstLength;
    const std::size_t secondStart = length - secondLength;
    std::size_t i = 0;
    for (; i < std::max(firstStart, secondStart); ++i) {
        a.Step(products, i >= firstStart ? first.Data[i - firstStart] : 0);
        b.Step(products, i >= secondStart ? second.Data[i - secondStart] : 0);
    }
    const std::uint8_t* firstData = first.Data - firstStart;
    const std::uint8_t* secondData = second.Data - secondStart;
    for (; i < length; ++i) {
        a.Step(products, firstData[i]);
        b.Step(products, secondData[i]);
    }
    a.StoreChecks(e, first.Checks, stride);
    if (second.Checks != nullptr) {
        b.StoreChecks(e, second.Checks, stride);
    }
}
#endif

} // namespace

bool clsReedSolomon::ComputeEccBytes(const std::uint8_t* data, std::int32_t length,
                                     std::uint8_t* checks, std::ptrdiff_t stride) const {
    return ComputeEccBytesPair({data, length, checks}, {data, 0, nullptr}, stride);
}

bool clsReedSolomon::ComputeEccBytesPair(const ByteBlock& first, const ByteBlock& second,
                                         std::ptrdiff_t stride, bool words) const {
    constexpr std::int32_t kByteField = 256;
    if (m_EccLength <= 0 || !m_Field || m_Field->m_Size != kByteField ||
        m_ProductField == nullptr || m_Field.get() != m_ProductField ||
        m_Field->m_SetUpStamp != m_ProductSetUp) {
        return false;
    }
    for (const ByteBlock* block : {&first, &second}) {
        if (block->Length < 0 || block->Length > m_DataLength ||
            (block->Length > 0 && block->Data == nullptr)) {
            return false;
        }
    }
    if (first.Checks == nullptr) {
        return false;
    }
    const auto e = static_cast<std::size_t>(m_EccLength);
#ifdef OSTREL_RS_VECTORS
    // Two registers side by side run faster as vectors; one alone is bound by the latency of
    // each step, shorter in the general registers (a v1 block: 66 against 112 ns measured).
    if (!words && second.Checks != nullptr) {
        const auto* top = reinterpret_cast<const std::uint8_t*>(m_TopProducts.data());
        if (e <= 16) {
            DivideBytesByVectors<false>(top, e, first, second, stride);
        } else {
            DivideBytesByVectors<true>(top, e, first, second, stride);
        }
        return true;
    }
#else
    static_cast<void>(words);
#endif
    if (second.Checks == nullptr) {
        DivideOne(first, stride);
        return true;
    }
    switch ((e + 7) / 8) {
    case 1:
        DivideBytesByProducts<1>(m_Products, e, first, second, stride);
        break;
    case 2:
        DivideBytesByProducts<2>(m_Products, e, first, second, stride);
        break;
    case 3:
        DivideBytesByProducts<3>(m_Products, e, first, second, stride);
        break;
    default:
        DivideBytesByProducts<4>(m_Products, e, first, second, stride);
        break;
    }
    return true;
}

#ifdef OSTREL_RS_LANES
namespace {

// One step of the division for every lane: f = d + (the top of the register), then every
// register byte moves up one place, the product f * g(j) added in.
[[gnu::target("avx512f,avx512bw,gfni")]] void
DivideLanes(const std::uint64_t* matrices, std::size_t e, const std::uint8_t* sequence,
            std::int32_t nb, std::int32_t shortBlocks, std::int32_t longLength,
            std::uint8_t* checks, std::int32_t first) {
    const std::int32_t lanes = std::min(64, nb - first);
    const auto all = static_cast<__mmask64>(lanes == 64 ? ~0ULL : (1ULL << lanes) - 1);
    const std::int32_t shortHere = std::clamp(shortBlocks - first, 0, lanes);
    const auto shorter = static_cast<__mmask64>(shortHere == 64 ? ~0ULL : (1ULL << shortHere) - 1);
    const __mmask64 longer = all & ~shorter;
    // The register, byte j the coefficient of x^j (at most 32 of them, as the products).
    __m512i reg[32]; // NOLINT(*-avoid-c-arrays): an array of vectors keeps their alignment
    for (std::size_t j = 0; j < e; ++j) {
        reg[j] = _mm512_setzero_si512();
    }
    for (std::int32_t t = 0; t < longLength; ++t) {
        // Codeword t of the longer blocks and codeword t - 1 of the shorter ones (their leading
        // zero, which leaves the register at zero, comes first).
        const std::int32_t row = t * nb + first;
        const std::int32_t longAt = t + 1 < longLength ? row : row - shortBlocks;
        __m512i d = _mm512_maskz_loadu_epi8(longer, sequence + longAt);
        if (t > 0 && shorter != 0) {
            d = _mm512_or_si512(d, _mm512_maskz_loadu_epi8(shorter, sequence + row - nb));
        }
        const __m512i f = _mm512_xor_si512(d, reg[e - 1]);
        for (std::size_t j = e - 1; j > 0; --j) {
            reg[j] = _mm512_xor_si512(
                reg[j - 1], _mm512_gf2p8affine_epi64_epi8(
                                f, _mm512_set1_epi64(static_cast<long long>(matrices[j])), 0));
        }
        reg[0] = _mm512_gf2p8affine_epi64_epi8(
            f, _mm512_set1_epi64(static_cast<long long>(matrices[0])), 0);
    }
    // Check t is the coefficient of x^(e - 1 - t).
    for (std::size_t t = 0; t < e; ++t) {
        _mm512_mask_storeu_epi8(checks + static_cast<std::ptrdiff_t>(t) * nb + first, all,
                                reg[e - 1 - t]);
    }
}

} // namespace
#endif

bool clsReedSolomon::LanesAvailable() {
#ifdef OSTREL_RS_LANES
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
               __builtin_cpu_supports("gfni") != 0;
    }();
    return available;
#else
    return false;
#endif
}

bool clsReedSolomon::ComputeEccInterleaved(const std::uint8_t* sequence, std::int32_t nb,
                                           std::int32_t shortBlocks, std::int32_t longLength,
                                           std::uint8_t* checks) const {
#ifdef OSTREL_RS_LANES
    constexpr std::int32_t kByteField = 256;
    if (!LanesAvailable() || m_EccLength <= 0 || !m_Field || m_Field->m_Size != kByteField ||
        m_ProductField == nullptr || m_Field.get() != m_ProductField ||
        m_Field->m_SetUpStamp != m_ProductSetUp || nb <= 0 || shortBlocks < 0 || shortBlocks > nb ||
        longLength <= 0 || longLength > m_DataLength || sequence == nullptr || checks == nullptr) {
        return false;
    }
    for (std::int32_t first = 0; first < nb; first += 64) {
        DivideLanes(m_LaneMatrices.data(), static_cast<std::size_t>(m_EccLength), sequence, nb,
                    shortBlocks, longLength, checks, first);
    }
    return true;
#else
    static_cast<void>(sequence);
    static_cast<void>(nb);
    static_cast<void>(shortBlocks);
    static_cast<void>(longLength);
    static_cast<void>(checks);
    return false;
#endif
}

void clsReedSolomon::DivideOne(const ByteBlock& block, std::ptrdiff_t stride) const {
    const auto e = static_cast<std::size_t>(m_EccLength);
    switch ((e + 7) / 8) {
    case 1:
        DivideOneByProducts<1>(m_Products, e, block, stride);
        break;
    case 2:
        DivideOneByProducts<2>(m_Products, e, block, stride);
        break;
    case 3:
        DivideOneByProducts<3>(m_Products, e, block, stride);
        break;
    default:
        DivideOneByProducts<4>(m_Products, e, block, stride);
        break;
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
