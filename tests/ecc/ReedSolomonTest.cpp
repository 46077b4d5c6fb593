#include "EccTestSupport.h"
#include "clsFiniteField.h"
#include "clsReedSolomon.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::ReferenceMultiply2m;

std::shared_ptr<clsFiniteField> MakeField(std::int32_t size, std::int32_t modulus,
                                          std::int32_t alpha) {
    auto f = std::make_shared<clsFiniteField>();
    EXPECT_TRUE(f->Init(size, modulus, alpha));
    return f;
}

std::shared_ptr<clsFiniteField> QrField() {
    return MakeField(256, 285, 2);
}

std::vector<std::int32_t> Generator(const clsReedSolomon& rs) {
    std::vector<std::int32_t> g;
    for (std::int32_t i = 0; i < clsReedSolomon::MaxLength; ++i) {
        g.push_back(rs.GeneratorCoefficient(i));
    }
    return g;
}

// A block laid out as the encoder does: data in sending order d1 .. dk at indices e+k-1 down to
// e, indices 0 .. e-1 free for the check symbols.
std::vector<std::int32_t> MakeBlock(const std::vector<std::int32_t>& data, std::int32_t e,
                                    std::int32_t filler = 0) {
    const auto k = static_cast<std::int32_t>(data.size());
    std::vector<std::int32_t> block(static_cast<std::size_t>(k + e), filler);
    for (std::int32_t i = 0; i < k; ++i) {
        block[static_cast<std::size_t>(e + k - 1 - i)] = data[static_cast<std::size_t>(i)];
    }
    return block;
}

// Check symbols in sending order (index e-1 first).
std::vector<std::int32_t> CheckSymbols(const std::vector<std::int32_t>& block, std::int32_t e) {
    std::vector<std::int32_t> out;
    for (std::int32_t j = e - 1; j >= 0; --j) {
        out.push_back(block[static_cast<std::size_t>(j)]);
    }
    return out;
}

std::vector<std::int32_t> RandomData(std::mt19937& rng, std::int32_t k, std::int32_t q) {
    std::uniform_int_distribution<std::int32_t> symbol(0, q - 1);
    std::vector<std::int32_t> data(static_cast<std::size_t>(k));
    for (auto& d : data) {
        d = symbol(rng);
    }
    return data;
}

// The long division written out plainly with the field's public operations: the reference the
// table-driven ComputeEcc must agree with.
std::vector<std::int32_t> ReferenceEcc(const clsReedSolomon& rs, std::vector<std::int32_t> block) {
    const clsFiniteField& f = *rs.Field();
    const std::int32_t e = rs.EccLength();
    const std::int32_t k = rs.DataLength();
    std::vector<std::int32_t> work(clsReedSolomon::MaxLength, 0);
    for (std::int32_t i = e; i < e + k; ++i) {
        work[static_cast<std::size_t>(i)] = block[static_cast<std::size_t>(i)];
    }
    for (std::int32_t i = k - 1; i >= 0; --i) {
        const std::int32_t c = work[static_cast<std::size_t>(e + i)];
        for (std::int32_t j = 0; j < e; ++j) {
            auto& w = work[static_cast<std::size_t>(i + j)];
            w = f.Subtract(w, f.Multiply(c, rs.GeneratorCoefficient(j)));
        }
    }
    for (std::int32_t j = 0; j < e; ++j) {
        block[static_cast<std::size_t>(j)] = f.Negate(work[static_cast<std::size_t>(j)]);
    }
    return block;
}

// ---- Generator polynomial ----------------------------------------------------------------

TEST(ReedSolomonGenerator, QrGeneratorsFromTheStandard) {
    struct Case {
        std::int32_t e;
        std::vector<std::int32_t> exponents; // of coefficients x^0 .. x^(e-1); x^e is 1
    };
    const Case cases[] = {
        {7, {21, 102, 238, 149, 146, 229, 87}},
        {10, {45, 32, 94, 64, 70, 118, 61, 46, 67, 251}},
    };
    const auto field = QrField();
    for (const auto& [e, exponents] : cases) {
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(16, e, field, 0, 0));
        EXPECT_EQ(rs.EccLength(), e);
        EXPECT_EQ(rs.DataLength(), 16);
        EXPECT_EQ(rs.PrimitiveElement(), 2);
        EXPECT_EQ(rs.FirstRoot(), 0);
        for (std::int32_t j = 0; j < e; ++j) {
            EXPECT_EQ(rs.GeneratorCoefficient(j),
                      field->Exp(exponents[static_cast<std::size_t>(j)]))
                << "e=" << e << " x^" << j;
        }
        EXPECT_EQ(rs.GeneratorCoefficient(e), 1);
        for (std::int32_t j = e + 1; j < clsReedSolomon::MaxLength; ++j) {
            ASSERT_EQ(rs.GeneratorCoefficient(j), 0) << j;
        }
    }
}

TEST(ReedSolomonGenerator, MatchesProductOfLinearFactorsForEveryQrDegree) {
    const auto field = QrField();
    const auto mul = [](std::int32_t a, std::int32_t b) {
        return ReferenceMultiply2m(a, b, 285, 8);
    };
    for (std::int32_t e = 1; e <= 68; ++e) {
        // (x - 1)(x - 2)(x - 4) ... built in ascending powers; minus is plus in GF(2^8).
        std::vector<std::int32_t> expected{1};
        std::int32_t root = 1;
        for (std::int32_t i = 0; i < e; ++i) {
            std::vector<std::int32_t> next(expected.size() + 1, 0);
            for (std::size_t j = 0; j < expected.size(); ++j) {
                next[j + 1] ^= expected[j];
                next[j] ^= mul(expected[j], root);
            }
            expected = next;
            root = mul(root, 2);
        }
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(1, e, field, 0, 0));
        for (std::int32_t j = 0; j <= e; ++j) {
            ASSERT_EQ(rs.GeneratorCoefficient(j), expected[static_cast<std::size_t>(j)])
                << "e=" << e << " x^" << j;
        }
    }
}

TEST(ReedSolomonGenerator, FirstRootOneGivesXMinusAlphaTimesXMinusAlphaSquared) {
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(1, 2, QrField(), 0, 1));
    EXPECT_EQ(rs.FirstRoot(), 1);
    EXPECT_EQ(rs.GeneratorCoefficient(0), 8);
    EXPECT_EQ(rs.GeneratorCoefficient(1), 6);
    EXPECT_EQ(rs.GeneratorCoefficient(2), 1);
    EXPECT_EQ(rs.GeneratorCoefficient(3), 0);
}

TEST(ReedSolomonGenerator, FirstRootPowerIsComputedForLargeExponents) {
    // alpha^b for b with many bits set, checked through the generator's constant term.
    const auto field = QrField();
    for (const std::int32_t b : {2, 3, 7, 254, 255, 256, 1000, 65535, INT_MAX}) {
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(1, 1, field, 0, b));
        EXPECT_EQ(rs.GeneratorCoefficient(0), field->Exp(b)) << b;
        EXPECT_EQ(rs.GeneratorCoefficient(1), 1) << b;
    }
}

TEST(ReedSolomonGenerator, CoefficientOutsideTheArrayIsZero) {
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(16, 10, QrField(), 0, 0));
    for (const std::int32_t index : {-1, clsReedSolomon::MaxLength, INT_MAX, INT_MIN}) {
        EXPECT_EQ(rs.GeneratorCoefficient(index), 0) << index;
    }
}

// ---- Init: refusals and the stored field and alpha ---------------------------------------

TEST(ReedSolomonInit, NewObjectIsEmpty) {
    const clsReedSolomon rs;
    EXPECT_EQ(rs.Field(), nullptr);
    EXPECT_EQ(rs.DataLength(), 0);
    EXPECT_EQ(rs.EccLength(), 0);
    EXPECT_EQ(rs.PrimitiveElement(), 0);
    EXPECT_EQ(rs.FirstRoot(), 0);
    EXPECT_EQ(rs.GeneratorCoefficient(0), 0);
}

TEST(ReedSolomonInit, RefusedInitKeepsPreviousSetUp) {
    const auto field = QrField();
    const auto other = MakeField(16, 19, 2);
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(16, 10, field, 0, 0));
    const auto before = Generator(rs);

    struct Args {
        std::string what;
        std::int32_t k, e, b;
    };
    const Args refused[] = {
        {"no data", 0, 10, 0},         {"no check symbols", 10, 0, 0},
        {"too long", 1000, 25, 0},     {"far too long", 2000, 30, 0},
        {"1024 + 1", 1024, 1, 0},      {"1 + 1024", 1, 1024, 0},
        {"negative root", 16, 10, -1}, {"negative k", -5, 10, 0},
        {"negative e", 10, -5, 0},     {"k overflow", INT_MAX, 1, 0},
        {"e overflow", 1, INT_MAX, 0}, {"both min", INT_MIN, INT_MIN, 0},
    };
    for (const auto& [what, k, e, b] : refused) {
        EXPECT_FALSE(rs.Init(k, e, other, 3, b)) << what;
        EXPECT_EQ(rs.Field(), field) << what;
        EXPECT_EQ(rs.DataLength(), 16) << what;
        EXPECT_EQ(rs.EccLength(), 10) << what;
        EXPECT_EQ(rs.PrimitiveElement(), 2) << what;
        EXPECT_EQ(rs.FirstRoot(), 0) << what;
        EXPECT_EQ(Generator(rs), before) << what;
    }
    // The limit itself is accepted.
    EXPECT_TRUE(rs.Init(1000, 24, field, 0, 0));
    EXPECT_EQ(rs.GeneratorCoefficient(24), 1);
}

TEST(ReedSolomonInit, EmptyFieldOnNewObjectIsRefused) {
    clsReedSolomon rs;
    EXPECT_FALSE(rs.Init(16, 10, nullptr, 2, 0));
    EXPECT_EQ(rs.Field(), nullptr);
    EXPECT_EQ(rs.EccLength(), 0);
    EXPECT_EQ(rs.DataLength(), 0);
    EXPECT_EQ(rs.PrimitiveElement(), 0);
}

TEST(ReedSolomonInit, EmptyFieldReusesStoredOne) {
    const auto field = QrField();
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(16, 10, field, 0, 0));
    ASSERT_TRUE(rs.Init(19, 7, nullptr, 0, 0));
    EXPECT_EQ(rs.Field(), field);
    EXPECT_EQ(rs.DataLength(), 19);
    EXPECT_EQ(rs.EccLength(), 7);
    EXPECT_EQ(rs.GeneratorCoefficient(0), field->Exp(21));
    EXPECT_EQ(rs.GeneratorCoefficient(6), field->Exp(87));
    EXPECT_EQ(rs.GeneratorCoefficient(7), 1);
    EXPECT_EQ(rs.GeneratorCoefficient(8), 0); // entries of the earlier degree-10 generator cleared
    EXPECT_EQ(rs.GeneratorCoefficient(10), 0);
}

TEST(ReedSolomonInit, FieldSetBeforeInitIsUsed) {
    const auto field = QrField();
    clsReedSolomon rs;
    rs.SetField(field);
    EXPECT_EQ(rs.Field(), field);
    EXPECT_EQ(rs.EccLength(), 0); // nothing built yet
    ASSERT_TRUE(rs.Init(16, 10, nullptr, 0, 0));
    EXPECT_EQ(rs.GeneratorCoefficient(0), field->Exp(45));
}

TEST(ReedSolomonInit, NoPrimitiveElementAnywhereIsRefusedAndChangesNothing) {
    const auto unset = std::make_shared<clsFiniteField>(); // PrimitiveElement 0
    clsReedSolomon rs;
    EXPECT_FALSE(rs.Init(16, 10, unset, 0, 0));
    EXPECT_EQ(rs.Field(), nullptr);
    EXPECT_EQ(rs.EccLength(), 0);

    const auto field = QrField();
    ASSERT_TRUE(rs.Init(16, 10, field, 0, 0));
    const auto before = Generator(rs);
    // The stored alpha (2) is used before the field's, so this one succeeds.
    EXPECT_TRUE(rs.Init(16, 10, unset, 0, 0));
    EXPECT_EQ(rs.Field(), unset);
    EXPECT_EQ(rs.PrimitiveElement(), 2);
    // With nothing to multiply the generator degenerates, but stays in the array.
    EXPECT_EQ(rs.GeneratorCoefficient(10), 1);
    EXPECT_NE(Generator(rs), before);
}

TEST(ReedSolomonInit, AlphaIsTakenFromArgumentThenStoredValueThenField) {
    const auto field = QrField();
    const auto rootsAre = [&](const clsReedSolomon& rs, std::int32_t alpha) {
        std::vector<std::int32_t> g = Generator(rs);
        g.resize(static_cast<std::size_t>(rs.EccLength() + 1));
        const auto add = [](std::int32_t a, std::int32_t b) { return a ^ b; };
        const auto mul = [](std::int32_t a, std::int32_t b) {
            return ReferenceMultiply2m(a, b, 285, 8);
        };
        std::int32_t root = 1;
        for (std::int32_t i = 0; i < rs.FirstRoot(); ++i) {
            root = mul(root, alpha);
        }
        for (std::int32_t i = 0; i < rs.EccLength(); ++i) {
            if (test::Evaluate(g, root, add, mul) != 0) {
                return false;
            }
            root = mul(root, alpha);
        }
        return true;
    };

    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(10, 6, field, 0, 2)); // from the field
    EXPECT_EQ(rs.PrimitiveElement(), 2);
    EXPECT_TRUE(rootsAre(rs, 2));

    rs.SetPrimitiveElement(3);
    EXPECT_EQ(rs.PrimitiveElement(), 3);
    ASSERT_TRUE(rs.Init(10, 6, nullptr, 0, 2)); // stored value
    EXPECT_EQ(rs.PrimitiveElement(), 3);
    EXPECT_TRUE(rootsAre(rs, 3));
    EXPECT_FALSE(rootsAre(rs, 2));

    ASSERT_TRUE(rs.Init(10, 6, nullptr, 29, 2)); // argument
    EXPECT_EQ(rs.PrimitiveElement(), 29);
    EXPECT_TRUE(rootsAre(rs, 29));
}

// ---- ComputeEcc ----------------------------------------------------------------------------

TEST(ReedSolomonEcc, KnownQrBlocks) {
    struct Case {
        std::string what;
        std::vector<std::int32_t> data;
        std::vector<std::int32_t> check;
    };
    const Case cases[] = {
        {"01234567 1-M",
         {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC,
          0x11},
         {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55}},
        {"HELLO WORLD 1-M",
         {32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236, 17, 236, 17},
         {196, 35, 39, 119, 235, 215, 231, 226, 93, 23}},
        {"HELLO WORLD 1-Q",
         {32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236},
         {168, 72, 22, 82, 217, 54, 156, 0, 46, 15, 180, 122, 16}},
    };
    const auto field = QrField();
    for (const auto& [what, data, check] : cases) {
        const auto k = static_cast<std::int32_t>(data.size());
        const auto e = static_cast<std::int32_t>(check.size());
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(k, e, field, 0, 0)) << what;
        auto block = MakeBlock(data, e, -7); // -7: check entries must all be overwritten
        const auto original = block;
        rs.ComputeEcc(block);
        EXPECT_EQ(CheckSymbols(block, e), check) << what;
        for (std::size_t i = static_cast<std::size_t>(e); i < block.size(); ++i) {
            EXPECT_EQ(block[i], original[i]) << what << ": data entry " << i << " changed";
        }
    }
}

TEST(ReedSolomonEcc, LeadingZeroGivesSameCheckSymbolsAsShorterBlock) {
    const auto field = QrField();
    std::mt19937 rng(7);
    for (const std::int32_t e : {7, 10, 22, 30}) {
        const auto shortData = RandomData(rng, 19, 256);
        auto longData = shortData;
        longData.insert(longData.begin(), 0); // sent first, so highest power

        clsReedSolomon shortRs;
        clsReedSolomon longRs;
        ASSERT_TRUE(shortRs.Init(19, e, field, 0, 0));
        ASSERT_TRUE(longRs.Init(20, e, field, 0, 0));
        auto shortBlock = MakeBlock(shortData, e);
        auto longBlock = MakeBlock(longData, e);
        shortRs.ComputeEcc(shortBlock);
        longRs.ComputeEcc(longBlock);
        EXPECT_EQ(CheckSymbols(longBlock, e), CheckSymbols(shortBlock, e)) << "e=" << e;
    }
}

TEST(ReedSolomonEcc, BeforeInitBlockIsUnchanged) {
    clsReedSolomon rs;
    std::vector<std::int32_t> block(64);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::int32_t>(i * 37 % 256);
    }
    const auto original = block;
    rs.ComputeEcc(block);
    EXPECT_EQ(block, original);

    // A field alone is not a set-up either.
    rs.SetField(QrField());
    rs.ComputeEcc(block);
    EXPECT_EQ(block, original);

    // Nor does a refused Init make one.
    EXPECT_FALSE(rs.Init(0, 10, nullptr, 0, 0));
    rs.ComputeEcc(block);
    EXPECT_EQ(block, original);
}

TEST(ReedSolomonEcc, TooShortBlockIsUnchanged) {
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(16, 10, QrField(), 0, 0));
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{10}, std::size_t{25}}) {
        std::vector<std::int32_t> block(size, 0x11);
        const auto original = block;
        rs.ComputeEcc(block);
        EXPECT_EQ(block, original) << size;
    }
    rs.ComputeEcc(std::span<std::int32_t>{});
}

TEST(ReedSolomonEcc, EntriesBeyondTheBlockAreUnchanged) {
    const auto field = QrField();
    std::mt19937 rng(3);
    const auto data = RandomData(rng, 16, 256);
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(16, 10, field, 0, 0));
    auto exact = MakeBlock(data, 10);
    auto longer = exact;
    longer.resize(exact.size() + 50, 4321);
    rs.ComputeEcc(exact);
    rs.ComputeEcc(longer);
    for (std::size_t i = 0; i < exact.size(); ++i) {
        EXPECT_EQ(longer[i], exact[i]) << i;
    }
    for (std::size_t i = exact.size(); i < longer.size(); ++i) {
        EXPECT_EQ(longer[i], 4321) << i;
    }
}

TEST(ReedSolomonEcc, CodewordVanishesAtEveryRootOfTheGenerator) {
    // With the check symbols in place, C(x) = D(x) x^e - R(x) is a multiple of g(x), so it is
    // zero at alpha^b .. alpha^(b+e-1). Evaluated with arithmetic independent of the classes.
    const auto field = QrField();
    const auto add = [](std::int32_t a, std::int32_t b) { return a ^ b; };
    const auto mul = [](std::int32_t a, std::int32_t b) {
        return ReferenceMultiply2m(a, b, 285, 8);
    };
    std::mt19937 rng(2024);
    struct Case {
        std::int32_t k, e, b;
    };
    const Case cases[] = {{19, 7, 0},  {16, 10, 0}, {118, 30, 0}, {50, 68, 0}, {9, 17, 0},
                          {30, 10, 1}, {40, 30, 5}, {954, 68, 0}, {1, 1, 0},   {1023, 1, 0}};
    for (const auto& [k, e, b] : cases) {
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(k, e, field, 0, b));
        for (int trial = 0; trial < 5; ++trial) {
            auto block = MakeBlock(RandomData(rng, k, 256), e);
            rs.ComputeEcc(block);
            std::int32_t firstRoot = 1;
            for (std::int32_t i = 0; i < b; ++i) {
                firstRoot = mul(firstRoot, 2);
            }
            std::int32_t root = firstRoot;
            for (std::int32_t i = 0; i < e; ++i) {
                ASSERT_EQ(test::Evaluate(block, root, add, mul), 0)
                    << "k=" << k << " e=" << e << " b=" << b << " root " << i;
                root = mul(root, 2);
            }
            // Changing one check symbol breaks it: the evaluation is not trivially zero.
            block[0] ^= 1;
            EXPECT_NE(test::Evaluate(block, firstRoot, add, mul), 0);
        }
    }
}

TEST(ReedSolomonEcc, PrimeFieldCodewordVanishesAtRoots) {
    // GF(929) with alpha 3 and first root 1, the arithmetic of the PDF417 error correction.
    constexpr std::int32_t p = 929;
    const auto field = MakeField(p, 0, 0);
    ASSERT_EQ(field->PrimitiveElement(), 3);
    const auto add = [](std::int32_t a, std::int32_t b) { return (a + b) % p; };
    const auto mul = [](std::int32_t a, std::int32_t b) { return a * b % p; };
    std::mt19937 rng(929);
    for (const std::int32_t e : {2, 8, 64}) {
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(100, e, field, 0, 1));
        auto block = MakeBlock(RandomData(rng, 100, p), e);
        rs.ComputeEcc(block);
        std::int32_t root = 3;
        for (std::int32_t i = 0; i < e; ++i) {
            ASSERT_EQ(test::Evaluate(block, root, add, mul), 0) << "e=" << e << " root " << i;
            root = mul(root, 3);
        }
        for (std::int32_t j = 0; j < e; ++j) {
            ASSERT_GE(block[static_cast<std::size_t>(j)], 0);
            ASSERT_LT(block[static_cast<std::size_t>(j)], p);
        }
    }
}

// The table-driven division must give what the plain long division through the field's
// operations gives, for every kind of field and data the class accepts.
TEST(ReedSolomonEcc, AgreesWithPlainLongDivision) {
    struct Case {
        std::string what;
        std::shared_ptr<clsFiniteField> field;
        std::int32_t alpha, b, k, e;
        bool outsideSymbols;
    };
    auto stale = std::make_shared<clsFiniteField>();
    ASSERT_TRUE(stale->Init(16384, 0x4443, 0));
    ASSERT_TRUE(stale->Init(256, 285, 3)); // logs of non-powers of 3 left from GF(2^14)
    const Case cases[] = {
        {"QR field", QrField(), 0, 0, 122, 30, false},
        {"QR field, first root 3", QrField(), 0, 3, 50, 20, false},
        {"QR field, alpha 29", QrField(), 29, 0, 50, 20, false},
        {"QR field, symbols outside", QrField(), 0, 0, 40, 12, true},
        {"GF(16)", MakeField(16, 19, 0), 0, 0, 10, 4, false},
        {"GF(16), symbols outside", MakeField(16, 19, 0), 0, 0, 10, 4, true},
        {"GF(2^14)", MakeField(16384, 0x4443, 0), 0, 0, 500, 100, false},
        {"GF(2)", MakeField(2, 0, 0), 0, 0, 20, 5, false},
        {"GF(4)", MakeField(4, 7, 0), 0, 1, 8, 2, false},
        {"GF(7)", MakeField(7, 0, 0), 0, 1, 6, 3, false},
        {"GF(929)", MakeField(929, 0, 0), 0, 1, 200, 40, false},
        {"GF(929), symbols outside", MakeField(929, 0, 0), 0, 1, 50, 10, true},
        {"alpha 1", MakeField(256, 285, 1), 0, 0, 30, 8, false},
        {"stale logarithms", stale, 0, 0, 60, 16, false},
        {"alpha outside field", MakeField(256, 285, 300), 0, 0, 30, 8, false},
    };
    std::mt19937 rng(99);
    for (const auto& [what, field, alpha, b, k, e, outside] : cases) {
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(k, e, field, alpha, b)) << what;
        for (int trial = 0; trial < 10; ++trial) {
            auto data = RandomData(rng, k, field->Size());
            if (outside) {
                data[static_cast<std::size_t>(trial % k)] = trial % 2 == 0 ? -1 : field->Size();
                data[static_cast<std::size_t>((trial * 7 + 3) % k)] = 70000;
            }
            auto block = MakeBlock(data, e, 5);
            const auto expected = ReferenceEcc(rs, block);
            rs.ComputeEcc(block);
            ASSERT_EQ(block, expected) << what << " trial " << trial;
        }
    }
}

// Two blocks at once give what two single calls give, on the fast path (the QR field, every
// degree up to 32 check symbols, with short blocks' leading zero) and on every way around it
// (other fields, more check symbols, symbols outside the field in either block, blocks too short,
// no Init), against the plain long division.
TEST(ReedSolomonEcc, PairAgreesWithPlainLongDivision) {
    struct Case {
        std::string what;
        std::shared_ptr<clsFiniteField> field;
        std::int32_t k, e;
        int outsideIn; // 0 none, 1 the first block, 2 the second
    };
    std::vector<Case> cases;
    for (std::int32_t e = 1; e <= 32; ++e) {
        cases.push_back({"QR field, e=" + std::to_string(e), QrField(), 1 + e * 3 % 120, e, 0});
    }
    cases.push_back({"QR field, 68 check symbols", QrField(), 60, 68, 0});
    cases.push_back({"QR field, outside in the first", QrField(), 24, 30, 1});
    cases.push_back({"QR field, outside in the second", QrField(), 24, 30, 2});
    cases.push_back({"GF(16)", MakeField(16, 19, 0), 10, 4, 0});
    cases.push_back({"GF(929)", MakeField(929, 0, 0), 50, 10, 0});
    std::mt19937 rng(4242);
    for (const auto& [what, field, k, e, outsideIn] : cases) {
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(k, e, field, 0, 0)) << what;
        for (int trial = 0; trial < 6; ++trial) {
            auto firstData = RandomData(rng, k, field->Size());
            auto secondData = RandomData(rng, k, field->Size());
            if (trial % 3 == 0) {
                firstData[0] = 0; // a short block's zero leading coefficient
            }
            if (outsideIn == 1) {
                firstData[static_cast<std::size_t>(trial % k)] = field->Size();
            } else if (outsideIn == 2) {
                secondData[static_cast<std::size_t>(trial % k)] = -1;
            }
            auto first = MakeBlock(firstData, e, 7);
            auto second = MakeBlock(secondData, e, 9);
            first.push_back(11); // entries beyond the block stay as they are
            second.push_back(13);
            auto expectedFirst = ReferenceEcc(rs, first);
            auto expectedSecond = ReferenceEcc(rs, second);
            rs.ComputeEccPair(first, second);
            ASSERT_EQ(first, expectedFirst) << what << " trial " << trial;
            ASSERT_EQ(second, expectedSecond) << what << " trial " << trial;
        }
    }

    // A block too short is left as it is, the other one is still computed; before any Init both
    // are left as they are.
    clsReedSolomon rs;
    std::vector<std::int32_t> shortBlock(20, 5);
    std::vector<std::int32_t> block = MakeBlock(RandomData(rng, 16, 256), 10);
    const auto untouched = block;
    rs.ComputeEccPair(shortBlock, block);
    EXPECT_EQ(block, untouched);
    ASSERT_TRUE(rs.Init(16, 10, QrField(), 0, 0));
    const auto expected = ReferenceEcc(rs, block);
    rs.ComputeEccPair(shortBlock, block);
    EXPECT_EQ(shortBlock, std::vector<std::int32_t>(20, 5));
    EXPECT_EQ(block, expected);
}

// One sweep of the byte form (ComputeEccBytesPair with words as given) against the plain long
// division.
void CheckBytesAgainstLongDivision(bool words) {
    std::mt19937 rng(5151);
    for (std::int32_t e = 1; e <= 32; ++e) {
        const std::int32_t k = 1 + e * 7 % 150;
        clsReedSolomon rs;
        ASSERT_TRUE(rs.Init(k, e, QrField(), 0, 0));
        for (const std::int32_t length : {k, k - 1}) {
            if (length == 0) {
                continue;
            }
            const auto data = RandomData(rng, length, 256);
            std::vector<std::int32_t> padded(static_cast<std::size_t>(k - length), 0);
            padded.insert(padded.end(), data.begin(), data.end());
            const auto expected = CheckSymbols(ReferenceEcc(rs, MakeBlock(padded, e)), e);
            const std::vector<std::uint8_t> bytes(data.begin(), data.end());
            const std::ptrdiff_t stride = 1 + e % 3;
            std::vector<std::uint8_t> checks(static_cast<std::size_t>(e * stride), 0xA5);
            ASSERT_TRUE(
                rs.ComputeEccBytesPair({bytes.data(), length, checks.data()}, {}, stride, words));
            for (std::int32_t t = 0; t < e * stride; ++t) {
                const auto at = static_cast<std::size_t>(t);
                const int want =
                    t % stride == 0 ? expected[at / static_cast<std::size_t>(stride)] : 0xA5;
                ASSERT_EQ(checks[at], want) << "e=" << e << " length " << length << " at " << t;
            }
        }
        // A pair of blocks of k and k - 1 bytes in both orders, their checks interleaved.
        std::array<std::vector<std::uint8_t>, 2> pair;
        std::array<std::vector<std::int32_t>, 2> expected;
        for (std::size_t j = 0; j < 2; ++j) {
            std::vector<std::int32_t> data = RandomData(rng, k, 256);
            if (j == 1) {
                data[0] = 0; // the shorter block: a leading zero left out
            }
            expected[j] = CheckSymbols(ReferenceEcc(rs, MakeBlock(data, e)), e);
            pair[j].assign(data.begin() + static_cast<std::ptrdiff_t>(j), data.end());
        }
        for (const std::size_t one : {0, 1}) {
            const auto& a = pair[one];
            const auto& b = pair[1 - one];
            std::vector<std::uint8_t> checks(static_cast<std::size_t>(2 * e), 0xA5);
            ASSERT_TRUE(rs.ComputeEccBytesPair(
                {a.data(), static_cast<std::int32_t>(a.size()), checks.data()},
                {b.data(), static_cast<std::int32_t>(b.size()), checks.data() + 1}, 2, words));
            for (std::size_t t = 0; t < checks.size(); ++t) {
                const std::size_t block = t % 2 == 0 ? one : 1 - one;
                ASSERT_EQ(checks[t], expected[block][t / 2]) << "e=" << e << " pair at " << t;
            }
        }
    }
}

// The byte form against the plain long division: every degree up to 32, full and shorter
// blocks, checks written every stride bytes and nothing between them, in both registers (the
// vectors where the compiler has them, and the 64-bit words); refused (nothing written) where it
// has no products: a field of other than 256 elements, more than 32 check symbols, a block
// longer than the data length, a field set up again after Init.
TEST(ReedSolomonEcc, BytesAgreeWithPlainLongDivision) {
    for (const bool words : {false, true}) {
        SCOPED_TRACE(words ? "word registers" : "vector registers");
        CheckBytesAgainstLongDivision(words);
    }
    const std::vector<std::uint8_t> bytes(80, 0x3C);
    std::vector<std::uint8_t> checks(80, 0x77);
    const auto refused = [&](const clsReedSolomon& rs, std::int32_t length) {
        const bool done = rs.ComputeEccBytes(bytes.data(), length, checks.data(), 1);
        return !done && checks == std::vector<std::uint8_t>(80, 0x77);
    };
    clsReedSolomon rs;
    EXPECT_TRUE(refused(rs, 10)); // before Init
    ASSERT_TRUE(rs.Init(10, 4, MakeField(16, 19, 0), 0, 0));
    EXPECT_TRUE(refused(rs, 10));
    ASSERT_TRUE(rs.Init(40, 33, QrField(), 0, 0));
    EXPECT_TRUE(refused(rs, 40));
    const auto field = QrField();
    ASSERT_TRUE(rs.Init(40, 10, field, 0, 0));
    EXPECT_TRUE(refused(rs, 41));
    ASSERT_TRUE(field->Init(256, 285, 2)); // the same field set up again: its products are stale
    EXPECT_TRUE(refused(rs, 40));
    ASSERT_TRUE(rs.Init(40, 10, QrField(), 0, 0));
    EXPECT_FALSE(rs.ComputeEccBytesPair({bytes.data(), 40, checks.data()},
                                        {bytes.data(), 41, checks.data() + 1}, 2));
    EXPECT_EQ(checks, std::vector<std::uint8_t>(80, 0x77));
}

// Many blocks in the lanes of vectors, where this processor has GFNI and AVX-512, against the
// plain long division of each block: every degree up to 32; block counts on both sides of a
// vector's 64 lanes; no short blocks, half, all but one; the data read interleaved as a symbol
// sends it, the checks written interleaved and nothing beyond them. Refused, nothing written,
// where the byte form refuses.
TEST(ReedSolomonEcc, InterleavedLanesAgreeWithEachBlocksLongDivision) {
    if (!clsReedSolomon::LanesAvailable()) {
        GTEST_SKIP() << "this processor has no GFNI and AVX-512";
    }
    std::mt19937 rng(1801);
    const auto field = QrField();
    for (std::int32_t e = 1; e <= 32; ++e) {
        for (const std::int32_t nb : {1, 2, 3, 40, 64, 65, 81}) {
            for (const std::int32_t shortBlocks : {0, nb / 2, nb - 1}) {
                // Shorter blocks of a single codeword, and of none, at some degrees.
                const std::int32_t longLength = e % 8 == 0 ? 1 + e % 16 / 8 : 2 + e * 5 % 37;
                clsReedSolomon rs;
                ASSERT_TRUE(rs.Init(longLength, e, field, 0, 0));
                const auto n = static_cast<std::size_t>(nb);
                std::vector<std::uint8_t> sequence(n * static_cast<std::size_t>(longLength));
                std::vector<std::vector<std::int32_t>> expected;
                for (std::int32_t b = 0; b < nb; ++b) {
                    const bool shorter = b < shortBlocks;
                    auto data = RandomData(rng, longLength, 256);
                    if (shorter) {
                        data[0] = 0; // the leading zero that the shorter block leaves out
                    }
                    for (std::int32_t i = shorter ? 1 : 0; i < longLength; ++i) {
                        const std::int32_t at = i + 1 < longLength || shorter
                                                    ? (i - (shorter ? 1 : 0)) * nb + b
                                                    : (longLength - 1) * nb + b - shortBlocks;
                        sequence[static_cast<std::size_t>(at)] =
                            static_cast<std::uint8_t>(data[static_cast<std::size_t>(i)]);
                    }
                    expected.push_back(CheckSymbols(ReferenceEcc(rs, MakeBlock(data, e)), e));
                }
                std::vector<std::uint8_t> checks(n * static_cast<std::size_t>(e) + 64, 0xA5);
                ASSERT_TRUE(rs.ComputeEccInterleaved(sequence.data(), nb, shortBlocks, longLength,
                                                     checks.data()));
                for (std::size_t at = 0; at < checks.size(); ++at) {
                    const int want =
                        at < n * static_cast<std::size_t>(e) ? expected[at % n][at / n] : 0xA5;
                    ASSERT_EQ(checks[at], want) << "e=" << e << " blocks " << nb << " short "
                                                << shortBlocks << " at " << at;
                }
            }
        }
    }
    std::vector<std::uint8_t> bytes(400, 0x3C);
    std::vector<std::uint8_t> checks(400, 0x77);
    clsReedSolomon rs;
    EXPECT_FALSE(rs.ComputeEccInterleaved(bytes.data(), 4, 0, 10, checks.data())); // before Init
    ASSERT_TRUE(rs.Init(40, 33, QrField(), 0, 0));
    EXPECT_FALSE(rs.ComputeEccInterleaved(bytes.data(), 4, 0, 40, checks.data()));
    ASSERT_TRUE(rs.Init(40, 10, field, 0, 0));
    EXPECT_FALSE(rs.ComputeEccInterleaved(bytes.data(), 4, 0, 41, checks.data()));
    EXPECT_FALSE(rs.ComputeEccInterleaved(bytes.data(), 4, 5, 40, checks.data()));
    EXPECT_EQ(checks, std::vector<std::uint8_t>(400, 0x77));
}

TEST(ReedSolomonEcc, FollowsFieldChangedAfterInit) {
    // The field is shared: when its owner sets it up again, ComputeEcc works in the new field
    // with the generator built earlier, as the plain long division does.
    auto field = QrField();
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(20, 6, field, 0, 0));
    std::mt19937 rng(5);
    auto block = MakeBlock(RandomData(rng, 20, 256), 6);
    ASSERT_TRUE(field->Init(256, 0x11B, 3));
    const auto expected = ReferenceEcc(rs, block);
    rs.ComputeEcc(block);
    EXPECT_EQ(block, expected);

    ASSERT_TRUE(field->Init(16, 19, 0)); // generator coefficients now mostly outside the field
    block = MakeBlock(RandomData(rng, 20, 16), 6);
    const auto expectedSmall = ReferenceEcc(rs, block);
    rs.ComputeEcc(block);
    EXPECT_EQ(block, expectedSmall);
}

TEST(ReedSolomonEcc, ObjectCanBeReusedForManyBlocksAndDegrees) {
    // The encoder calls Init once per symbol and ComputeEcc once per block; results must not
    // depend on what the object computed before.
    const auto field = QrField();
    std::mt19937 rng(11);
    clsReedSolomon reused;
    for (const std::int32_t e : {30, 7, 26, 10}) {
        ASSERT_TRUE(reused.Init(122, e, field, 0, 0));
        for (int blockIndex = 0; blockIndex < 4; ++blockIndex) {
            auto block = MakeBlock(RandomData(rng, 122, 256), e);
            auto copy = block;
            clsReedSolomon fresh;
            ASSERT_TRUE(fresh.Init(122, e, field, 0, 0));
            reused.ComputeEcc(block);
            fresh.ComputeEcc(copy);
            ASSERT_EQ(block, copy) << "e=" << e << " block " << blockIndex;
        }
    }
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

// SetUpFor answers true exactly where Init(k, e, field, 0, 0) would change nothing: after that
// Init, and not for another length, degree or field, a field set up again, a first root or an
// alpha of its own, or before any Init.
TEST(ReedSolomonInit, SetUpForIsTrueOnlyWhereInitWouldChangeNothing) {
    const auto field = QrField();
    const auto other = QrField();
    clsReedSolomon rs;
    EXPECT_FALSE(rs.SetUpFor(16, 8, field.get()));
    ASSERT_TRUE(rs.Init(16, 8, field, 0, 0));
    EXPECT_TRUE(rs.SetUpFor(16, 8, field.get()));
    EXPECT_FALSE(rs.SetUpFor(17, 8, field.get()));
    EXPECT_FALSE(rs.SetUpFor(16, 9, field.get()));
    EXPECT_FALSE(rs.SetUpFor(16, 8, other.get()));
    EXPECT_FALSE(rs.SetUpFor(16, 8, nullptr));
    ASSERT_TRUE(rs.Init(16, 8, field, 0, 1));
    EXPECT_FALSE(rs.SetUpFor(16, 8, field.get()));
    ASSERT_TRUE(rs.Init(16, 8, field, 3, 0));
    EXPECT_TRUE(rs.SetUpFor(16, 8, field.get())); // Init(..., 0, 0) keeps the stored alpha 3
    rs.SetPrimitiveElement(5);                    // ... which would now make a new generator
    EXPECT_FALSE(rs.SetUpFor(16, 8, field.get()));
    ASSERT_TRUE(rs.Init(16, 8, field, 0, 0));
    EXPECT_TRUE(rs.SetUpFor(16, 8, field.get()));
    ASSERT_TRUE(field->Init(256, 285, 2)); // set up again: the generator is made anew
    EXPECT_FALSE(rs.SetUpFor(16, 8, field.get()));
}

// A stored alpha changed between two Inits with otherwise equal arguments must give the new
// generator and the new check symbols, not those of the previous set-up.
TEST(ReedSolomonInit, AlphaStoredBetweenInitsRebuildsTheGenerator) {
    const auto field = QrField();
    clsReedSolomon reused;
    ASSERT_TRUE(reused.Init(16, 10, field, 0, 0));
    reused.SetPrimitiveElement(3);
    ASSERT_TRUE(reused.Init(16, 10, nullptr, 0, 0));
    EXPECT_EQ(reused.PrimitiveElement(), 3);

    clsReedSolomon fresh;
    ASSERT_TRUE(fresh.Init(16, 10, field, 3, 0));
    EXPECT_EQ(Generator(reused), Generator(fresh));

    std::vector<std::int32_t> a(26, 0);
    for (std::int32_t i = 10; i < 26; ++i) {
        a[static_cast<std::size_t>(i)] = (i * 29 + 7) % 256;
    }
    std::vector<std::int32_t> b = a;
    reused.ComputeEcc(a);
    fresh.ComputeEcc(b);
    EXPECT_EQ(a, b);
}

} // namespace
} // namespace ostrel
