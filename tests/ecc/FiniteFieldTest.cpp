#include "EccTestSupport.h"
#include "clsFiniteField.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::ReferenceMultiply2m;

constexpr std::int32_t QrSize = 256;
constexpr std::int32_t QrModulus = 285; // x^8 + x^4 + x^3 + x^2 + 1

// Everything a caller can observe of a field, to show that a refused Init changed nothing.
struct FieldState {
    std::int32_t size = 0;
    std::int32_t modulus = 0;
    std::int32_t alpha = 0;
    std::vector<std::int32_t> logTable;
    std::vector<std::int32_t> expTable;

    explicit FieldState(const clsFiniteField& f)
        : size(f.Size()), modulus(f.Modulus()), alpha(f.PrimitiveElement()) {
        for (std::int32_t i = 0; i < clsFiniteField::TableLength; ++i) {
            logTable.push_back(f.LogTableAt(i));
            expTable.push_back(f.ExpTableAt(i));
        }
    }
    bool operator==(const FieldState&) const = default;
};

// Checks that the tables of a set-up field are inverse bijections between 0 .. q-2 and 1 .. q-1.
void ExpectTablesInverse(const clsFiniteField& f) {
    const std::int32_t q = f.Size();
    std::set<std::int32_t> powers;
    for (std::int32_t k = 0; k <= q - 2; ++k) {
        const std::int32_t x = f.ExpTableAt(k);
        ASSERT_GE(x, 1) << "k=" << k;
        ASSERT_LT(x, q) << "k=" << k;
        powers.insert(x);
        ASSERT_EQ(f.LogTableAt(x), k) << "x=" << x;
    }
    EXPECT_EQ(static_cast<std::int32_t>(powers.size()), q - 1);
    EXPECT_EQ(f.ExpTableAt(q - 1), 1);
    EXPECT_EQ(f.LogTableAt(0), 0);
}

class QrFieldTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(field.Init(QrSize, QrModulus, 2)); }
    clsFiniteField field;
};

// ---- The QR field GF(2^8) / 285 ----------------------------------------------------------

TEST_F(QrFieldTest, PropertiesAfterInit) {
    EXPECT_EQ(field.Size(), 256);
    EXPECT_EQ(field.Modulus(), 285);
    EXPECT_EQ(field.PrimitiveElement(), 2);
    EXPECT_EQ(field.FindPrimitiveElement(), 2);
}

TEST_F(QrFieldTest, TableEntriesMatchTheStandardsPowerTable) {
    struct Entry {
        std::int32_t index;
        std::int32_t value;
    };
    // alpha^k from the GF(256) table of ISO/IEC 18004 Annex A.
    const Entry exps[] = {{0, 1},  {1, 2},    {7, 128},  {8, 29},    {9, 58}, {25, 3},
                          {50, 5}, {100, 17}, {200, 28}, {254, 142}, {255, 1}};
    for (const auto& [k, value] : exps) {
        EXPECT_EQ(field.ExpTableAt(k), value) << "ExpTable(" << k << ")";
    }
    const Entry logs[] = {{0, 0},  {1, 0},  {2, 1},    {3, 25},    {4, 2},
                          {29, 8}, {5, 50}, {17, 100}, {142, 254}, {255, 175}};
    for (const auto& [x, value] : logs) {
        EXPECT_EQ(field.LogTableAt(x), value) << "LogTable(" << x << ")";
    }
    ExpectTablesInverse(field);
}

TEST_F(QrFieldTest, Operations) {
    struct Case {
        std::string what;
        std::int32_t actual;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"Multiply(2,128)", field.Multiply(2, 128), 29},
        {"Multiply(0,7)", field.Multiply(0, 7), 0},
        {"Multiply(7,0)", field.Multiply(7, 0), 0},
        {"Multiply(3,7)", field.Multiply(3, 7), 9},
        {"Multiply(255,255)", field.Multiply(255, 255), 226},
        {"Add(5,3)", field.Add(5, 3), 6},
        {"Subtract(5,3)", field.Subtract(5, 3), 6},
        {"Negate(7)", field.Negate(7), 7},
        {"Negate(0)", field.Negate(0), 0},
        {"Divide(7,0)", field.Divide(7, 0), 0},
        {"Divide(0,7)", field.Divide(0, 7), 0},
        {"Divide(29,2)", field.Divide(29, 2), 128},
        {"Divide(1,2)", field.Divide(1, 2), 142},
        {"Inverse(1)", field.Inverse(1), 1},
        {"Inverse(2)", field.Inverse(2), 142},
        {"Inverse(0)", field.Inverse(0), 0},
        {"Exp(0)", field.Exp(0), 1},
        {"Exp(8)", field.Exp(8), 29},
        {"Exp(255)", field.Exp(255), 1},
        {"Exp(263)", field.Exp(263), 29},
        {"Exp(-1)", field.Exp(-1), field.ExpTableAt(254)},
        {"Exp(-255)", field.Exp(-255), 1},
        {"Exp(-247)", field.Exp(-247), 29},
        // 2^31 = 8421504 * 255 + 128, so both extremes reduce to exponent 127.
        {"Exp(INT_MAX)", field.Exp(INT_MAX), field.ExpTableAt(127)},
        {"Exp(INT_MIN)", field.Exp(INT_MIN), field.ExpTableAt(127)},
        {"Log(0)", field.Log(0), 0},
        {"Log(1)", field.Log(1), 0},
        {"Log(29)", field.Log(29), 8},
        // The table-free operations serve prime fields only.
        {"InverseDirect(2)", field.InverseDirect(2), 0},
        {"InverseDirect(1)", field.InverseDirect(1), 0},
        {"DivideDirect(6,3)", field.DivideDirect(6, 3), 0},
        {"DivideDirect(1,1)", field.DivideDirect(1, 1), 0},
        {"MultiplyDirect(2,128)", field.MultiplyDirect(2, 128), 29},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.what;
    }
}

TEST_F(QrFieldTest, MultiplyAgreesWithMultiplyDirectAndReferenceOnEveryPair) {
    for (std::int32_t a = 0; a < QrSize; ++a) {
        for (std::int32_t b = 0; b < QrSize; ++b) {
            const std::int32_t expected = ReferenceMultiply2m(a, b, QrModulus, 8);
            ASSERT_EQ(field.Multiply(a, b), expected) << a << "*" << b;
            ASSERT_EQ(field.MultiplyDirect(a, b), expected) << a << "*" << b;
        }
    }
}

TEST_F(QrFieldTest, DivisionAndInverseUndoMultiplication) {
    for (std::int32_t a = 1; a < QrSize; ++a) {
        ASSERT_EQ(field.Multiply(a, field.Inverse(a)), 1) << a;
        for (std::int32_t b = 1; b < QrSize; ++b) {
            ASSERT_EQ(field.Divide(field.Multiply(a, b), b), a) << a << "," << b;
        }
    }
}

TEST_F(QrFieldTest, AddSubtractNegateAreXorAndIdentity) {
    for (std::int32_t a = 0; a < QrSize; ++a) {
        ASSERT_EQ(field.Negate(a), a);
        for (std::int32_t b = 0; b < QrSize; ++b) {
            ASSERT_EQ(field.Add(a, b), a ^ b);
            ASSERT_EQ(field.Subtract(a, b), a ^ b);
        }
    }
}

TEST_F(QrFieldTest, ExpFollowsPowersForNegativeAndLargeExponents) {
    for (std::int32_t k = -1000; k <= 1000; ++k) {
        ASSERT_EQ(field.Exp(k + 1), field.Multiply(field.Exp(k), 2)) << k;
        ASSERT_EQ(field.Multiply(field.Exp(k), field.Exp(-k)), 1) << k;
    }
    for (std::int32_t k = 0; k <= 254; ++k) {
        ASSERT_EQ(field.Log(field.Exp(k)), k);
    }
}

TEST_F(QrFieldTest, OperandsOutsideTheFieldGiveZero) {
    const std::int32_t bad[] = {
        -1,      -255,   QrSize, 300, clsFiniteField::TableLength, clsFiniteField::TableLength + 1,
        INT_MAX, INT_MIN};
    for (const std::int32_t x : bad) {
        for (const std::int32_t ok : {1, 2, 200}) {
            EXPECT_EQ(field.Add(x, ok), 0) << x;
            EXPECT_EQ(field.Add(ok, x), 0) << x;
            EXPECT_EQ(field.Subtract(x, ok), 0) << x;
            EXPECT_EQ(field.Subtract(ok, x), 0) << x;
            EXPECT_EQ(field.Multiply(x, ok), 0) << x;
            EXPECT_EQ(field.Multiply(ok, x), 0) << x;
            EXPECT_EQ(field.MultiplyDirect(x, ok), 0) << x;
            EXPECT_EQ(field.MultiplyDirect(ok, x), 0) << x;
            EXPECT_EQ(field.Divide(x, ok), 0) << x;
            EXPECT_EQ(field.Divide(ok, x), 0) << x;
            EXPECT_EQ(field.DivideDirect(x, ok), 0) << x;
            EXPECT_EQ(field.DivideDirect(ok, x), 0) << x;
        }
        EXPECT_EQ(field.Negate(x), 0) << x;
        EXPECT_EQ(field.Inverse(x), 0) << x;
        EXPECT_EQ(field.InverseDirect(x), 0) << x;
        EXPECT_EQ(field.Log(x), 0) << x;
    }
    for (const std::int32_t index : {-1, clsFiniteField::TableLength, INT_MAX, INT_MIN}) {
        EXPECT_EQ(field.LogTableAt(index), 0) << index;
        EXPECT_EQ(field.ExpTableAt(index), 0) << index;
    }
}

// ---- Set-up: refusals, GF(2), later set-ups ----------------------------------------------

TEST_F(QrFieldTest, RefusedInitChangesNothing) {
    const FieldState before(field);
    struct Args {
        std::int32_t size, modulus, alpha;
    };
    const Args refused[] = {
        {1, 285, 2},     {0, 285, 2},     {-256, 285, 2},  {INT_MIN, 285, 2},
        {16385, 285, 2}, {32768, 285, 2}, {INT_MAX, 1, 1}, {16384, 0, 2},
        {16384, 0, 0},   {256, 0, 2},     {4, 0, 0},
    };
    for (const auto& [size, modulus, alpha] : refused) {
        EXPECT_FALSE(field.Init(size, modulus, alpha)) << size << "," << modulus << "," << alpha;
        EXPECT_TRUE(FieldState(field) == before) << size << "," << modulus << "," << alpha;
    }
}

TEST(FiniteFieldInit, TwoElementFieldIgnoresModulusAndAlpha) {
    for (const std::int32_t alpha : {0, 1, 5, -3}) {
        clsFiniteField f;
        ASSERT_TRUE(f.Init(2, 999, alpha));
        EXPECT_EQ(f.Size(), 2);
        EXPECT_EQ(f.Modulus(), 2);
        EXPECT_EQ(f.PrimitiveElement(), 1);
        EXPECT_EQ(f.ExpTableAt(0), 1);
        EXPECT_EQ(f.ExpTableAt(1), 1);
        EXPECT_EQ(f.LogTableAt(0), 0);
        EXPECT_EQ(f.LogTableAt(1), 0);
        EXPECT_EQ(f.Add(1, 1), 0);
        EXPECT_EQ(f.Add(1, 0), 1);
        EXPECT_EQ(f.Subtract(0, 1), 1);
        EXPECT_EQ(f.Negate(1), 1);
        EXPECT_EQ(f.Multiply(1, 1), 1);
        EXPECT_EQ(f.Multiply(1, 0), 0);
        EXPECT_EQ(f.MultiplyDirect(1, 1), 1);
        EXPECT_EQ(f.Inverse(1), 1);
        EXPECT_EQ(f.InverseDirect(1), 1);
        EXPECT_EQ(f.Divide(1, 1), 1);
        EXPECT_EQ(f.DivideDirect(1, 1), 1);
        EXPECT_EQ(f.DivideDirect(1, 0), 0);
        EXPECT_EQ(f.Exp(7), 1);
        EXPECT_EQ(f.Exp(-7), 1);
        EXPECT_EQ(f.FindPrimitiveElement(), 0); // no candidate 2 .. q-1
    }
}

TEST(FiniteFieldInit, SmallerFieldKeepsHigherEntriesOfAnEarlierSetUp) {
    clsFiniteField f;
    ASSERT_TRUE(f.Init(QrSize, QrModulus, 2));
    const FieldState big(f);
    ASSERT_TRUE(f.Init(16, 19, 0)); // x^4 + x + 1
    EXPECT_EQ(f.Size(), 16);
    EXPECT_EQ(f.PrimitiveElement(), 2);
    ExpectTablesInverse(f);
    for (std::int32_t i = 16; i < clsFiniteField::TableLength; ++i) {
        ASSERT_EQ(f.ExpTableAt(i), big.expTable[static_cast<std::size_t>(i)]) << i;
        ASSERT_EQ(f.LogTableAt(i), big.logTable[static_cast<std::size_t>(i)]) << i;
    }
    // Arithmetic now follows GF(16).
    EXPECT_EQ(f.Multiply(8, 2), 3);
    EXPECT_EQ(f.Exp(15), 1);
    EXPECT_EQ(f.Exp(-1), 9);
    EXPECT_EQ(f.Multiply(20, 2), 0);
}

TEST(FiniteFieldInit, NeverSetUpObjectGivesZero) {
    const clsFiniteField f;
    EXPECT_EQ(f.Size(), 0);
    EXPECT_EQ(f.Modulus(), 0);
    EXPECT_EQ(f.PrimitiveElement(), 0);
    EXPECT_EQ(f.FindPrimitiveElement(), 0);
    for (const std::int32_t a : {0, 1, 2, 255, -1}) {
        EXPECT_EQ(f.Add(a, 1), 0);
        EXPECT_EQ(f.Subtract(a, 1), 0);
        EXPECT_EQ(f.Negate(a), 0);
        EXPECT_EQ(f.Multiply(a, 1), 0);
        EXPECT_EQ(f.MultiplyDirect(a, 1), 0);
        EXPECT_EQ(f.Divide(a, 1), 0);
        EXPECT_EQ(f.DivideDirect(a, 1), 0);
        EXPECT_EQ(f.Inverse(a), 0);
        EXPECT_EQ(f.InverseDirect(a), 0);
        EXPECT_EQ(f.Log(a), 0);
        EXPECT_EQ(f.Exp(a), 0);
        EXPECT_EQ(f.LogTableAt(a), 0);
        EXPECT_EQ(f.ExpTableAt(a), 0);
    }
}

TEST(FiniteFieldInit, AlphaIsNotCheckedForPrimitivity) {
    // 3 = alpha^25 has order 255 / gcd(25, 255) = 51 in the QR field: the powers repeat early.
    clsFiniteField f;
    ASSERT_TRUE(f.Init(QrSize, QrModulus, 3));
    EXPECT_EQ(f.PrimitiveElement(), 3);
    EXPECT_EQ(f.ExpTableAt(1), 3);
    EXPECT_EQ(f.ExpTableAt(51), 1);
    EXPECT_EQ(f.ExpTableAt(52), 3);
    EXPECT_EQ(f.ExpTableAt(255), 1);
}

TEST(FiniteFieldInit, AlphaOutsideTheFieldStaysInsideTheTables) {
    for (const std::int32_t alpha : {-1, 256, 16384, INT_MAX, INT_MIN}) {
        clsFiniteField f;
        ASSERT_TRUE(f.Init(QrSize, QrModulus, alpha)) << alpha;
        EXPECT_EQ(f.PrimitiveElement(), alpha);
        // Powers from the second on are products with a non-element: 0.
        EXPECT_EQ(f.ExpTableAt(2), 0) << alpha;
        EXPECT_EQ(f.ExpTableAt(254), 0) << alpha;
        EXPECT_EQ(f.ExpTableAt(255), 1) << alpha;
        for (std::int32_t a = 0; a < QrSize; ++a) {
            const std::int32_t p = f.Multiply(a, 7);
            ASSERT_TRUE(p == 0 || p == 1 || p == f.ExpTableAt(1)) << alpha << "," << a;
        }
    }
}

// ---- FindPrimitiveElement ----------------------------------------------------------------

TEST(FindPrimitiveElement, QrFieldGivesTwoBeforeAndAfterInit) {
    clsFiniteField f;
    ASSERT_TRUE(f.Init(QrSize, QrModulus, 0));
    EXPECT_EQ(f.PrimitiveElement(), 2);
    EXPECT_EQ(f.FindPrimitiveElement(), 2);
    ExpectTablesInverse(f);
}

TEST(FindPrimitiveElement, IrreducibleButNotPrimitiveModulusGivesThree) {
    // x^8 + x^4 + x^3 + x + 1 is irreducible, but x has order 51 there; x + 1 generates.
    clsFiniteField f;
    ASSERT_TRUE(f.Init(QrSize, 0x11B, 0));
    EXPECT_EQ(f.PrimitiveElement(), 3);
    ExpectTablesInverse(f);
    for (std::int32_t a = 0; a < QrSize; ++a) {
        for (std::int32_t b = 0; b < QrSize; ++b) {
            ASSERT_EQ(f.Multiply(a, b), ReferenceMultiply2m(a, b, 0x11B, 8)) << a << "*" << b;
        }
    }
}

TEST(FindPrimitiveElement, LargestPrimeFactorOfTheOrderIsTested) {
    // Modulo the Golay code generator x^11 + x^10 + x^6 + x^5 + x^4 + x^2 + 1, x has order 23;
    // 2047 = 23 * 89, and only the quotient 2047 / 89 = 23 shows that x is not primitive.
    constexpr std::int32_t golay = 0xC75;
    const auto mul = [](std::int32_t a, std::int32_t b) {
        return ReferenceMultiply2m(a, b, golay, 11);
    };
    ASSERT_EQ(test::ReferenceOrder(2, 2048, mul), 23);
    clsFiniteField f;
    ASSERT_TRUE(f.Init(2048, golay, 0));
    EXPECT_NE(f.PrimitiveElement(), 2);
    EXPECT_EQ(f.PrimitiveElement(), test::ReferencePrimitive(2048, mul));
    ExpectTablesInverse(f);
}

TEST(FiniteFieldInit, OnlyTheLowBitsOfTheModulusReduce) {
    // A product reaching degree 8 is reduced by (a XOR Modulus) AND 255: bit 8 and any higher
    // bits of the modulus do not matter.
    clsFiniteField reference;
    ASSERT_TRUE(reference.Init(QrSize, QrModulus, 2));
    const FieldState expected(reference);
    for (const std::int32_t modulus : {0x1D, 0x31D, 0x7FFFFF1D, -227}) {
        clsFiniteField f;
        ASSERT_TRUE(f.Init(QrSize, modulus, 2)) << modulus;
        EXPECT_EQ(f.Modulus(), modulus);
        FieldState state(f);
        state.modulus = QrModulus;
        EXPECT_TRUE(state == expected) << modulus;
        EXPECT_EQ(f.MultiplyDirect(128, 2), 29) << modulus;
    }
}

// ---- GF(2^m) for every m the tables allow --------------------------------------------------

struct BinaryFieldCase {
    int m;
    std::int32_t poly;
};

class BinaryFieldTest : public ::testing::TestWithParam<BinaryFieldCase> {};

TEST_P(BinaryFieldTest, TablesAndOperationsMatchReference) {
    const auto [m, poly] = GetParam();
    const std::int32_t q = 1 << m;
    const auto mul = [&](std::int32_t a, std::int32_t b) {
        return ReferenceMultiply2m(a, b, poly, m);
    };

    clsFiniteField f;
    ASSERT_TRUE(f.Init(q, poly, 0));
    EXPECT_EQ(f.Size(), q);
    EXPECT_EQ(f.Modulus(), poly);
    EXPECT_EQ(f.PrimitiveElement(), test::ReferencePrimitive(q, mul));
    EXPECT_EQ(f.FindPrimitiveElement(), f.PrimitiveElement());
    ExpectTablesInverse(f);

    std::mt19937 rng(static_cast<std::uint32_t>(m));
    std::uniform_int_distribution<std::int32_t> element(0, q - 1);
    const int samples = q <= 256 ? 0 : 100000;
    const auto check = [&](std::int32_t a, std::int32_t b) {
        const std::int32_t expected = mul(a, b);
        ASSERT_EQ(f.Multiply(a, b), expected) << a << "*" << b;
        ASSERT_EQ(f.MultiplyDirect(a, b), expected) << a << "*" << b;
        if (b != 0) {
            ASSERT_EQ(f.Divide(expected, b), a) << a << "*" << b;
        }
    };
    if (samples == 0) {
        for (std::int32_t a = 0; a < q; ++a) {
            for (std::int32_t b = 0; b < q; ++b) {
                check(a, b);
            }
        }
    } else {
        for (int i = 0; i < samples; ++i) {
            check(element(rng), element(rng));
        }
    }
    for (std::int32_t a = 1; a < q; ++a) {
        ASSERT_EQ(mul(a, f.Inverse(a)), 1) << a;
    }
    EXPECT_EQ(f.Exp(q - 1), 1);
    EXPECT_EQ(f.Exp(-1), f.ExpTableAt(q - 2));
}

// A primitive polynomial for every degree 2 .. 14.
INSTANTIATE_TEST_SUITE_P(EveryDegree, BinaryFieldTest,
                         ::testing::Values(BinaryFieldCase{2, 0x7}, BinaryFieldCase{3, 0xB},
                                           BinaryFieldCase{4, 0x13}, BinaryFieldCase{5, 0x25},
                                           BinaryFieldCase{6, 0x43}, BinaryFieldCase{7, 0x89},
                                           BinaryFieldCase{8, 0x11D}, BinaryFieldCase{9, 0x211},
                                           BinaryFieldCase{10, 0x409}, BinaryFieldCase{11, 0x805},
                                           BinaryFieldCase{12, 0x1053}, BinaryFieldCase{13, 0x201B},
                                           BinaryFieldCase{14, 0x4443}),
                         [](const auto& info) { return "GF2e" + std::to_string(info.param.m); });

// ---- Prime fields ------------------------------------------------------------------------

TEST(PrimeField, SevenElements) {
    clsFiniteField f;
    ASSERT_TRUE(f.Init(7, 0, 0));
    EXPECT_EQ(f.Size(), 7);
    EXPECT_EQ(f.Modulus(), 7);
    EXPECT_EQ(f.PrimitiveElement(), 3); // 2 has order 3
    const std::int32_t powers[] = {1, 3, 2, 6, 4, 5, 1};
    for (std::int32_t k = 0; k < 7; ++k) {
        EXPECT_EQ(f.ExpTableAt(k), powers[k]) << k;
    }
    ExpectTablesInverse(f);

    struct Case {
        std::string what;
        std::int32_t actual;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"Add(5,4)", f.Add(5, 4), 2},
        {"Add(3,3)", f.Add(3, 3), 6},
        {"Add(3,4)", f.Add(3, 4), 0},
        {"Negate(2)", f.Negate(2), 5},
        {"Negate(0)", f.Negate(0), 0},
        {"Subtract(2,5)", f.Subtract(2, 5), 4},
        {"Subtract(5,2)", f.Subtract(5, 2), 3},
        {"InverseDirect(3)", f.InverseDirect(3), 5},
        {"InverseDirect(6)", f.InverseDirect(6), 6},
        {"InverseDirect(0)", f.InverseDirect(0), 0},
        {"DivideDirect(6,3)", f.DivideDirect(6, 3), 2},
        {"DivideDirect(1,5)", f.DivideDirect(1, 5), 3},
        {"DivideDirect(6,0)", f.DivideDirect(6, 0), 0},
        {"Multiply(4,5)", f.Multiply(4, 5), 6},
        {"MultiplyDirect(4,5)", f.MultiplyDirect(4, 5), 6},
        {"Exp(-1)", f.Exp(-1), 5},
        {"Exp(6)", f.Exp(6), 1},
        {"Log(6)", f.Log(6), 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.what;
    }
}

TEST(PrimeField, ModulusArgumentIsIgnored) {
    clsFiniteField f;
    ASSERT_TRUE(f.Init(7, 1234, 0));
    EXPECT_EQ(f.Modulus(), 7);
    EXPECT_EQ(f.PrimitiveElement(), 3);
}

class PrimeFieldTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(PrimeFieldTest, TableAndDirectOperationsAgree) {
    const std::int32_t p = GetParam();
    ASSERT_TRUE(test::IsPrime(p));
    const auto mul = [p](std::int32_t a, std::int32_t b) { return a * b % p; };

    clsFiniteField f;
    ASSERT_TRUE(f.Init(p, 0, 0));
    EXPECT_EQ(f.PrimitiveElement(), test::ReferencePrimitive(p, mul));
    ExpectTablesInverse(f);

    std::mt19937 rng(static_cast<std::uint32_t>(p));
    std::uniform_int_distribution<std::int32_t> element(0, p - 1);
    const bool exhaustive = p <= 257;
    const std::int32_t pairs = exhaustive ? p * p : 100000;
    for (std::int32_t i = 0; i < pairs; ++i) {
        const std::int32_t a = exhaustive ? i / p : element(rng);
        const std::int32_t b = exhaustive ? i % p : element(rng);
        ASSERT_EQ(f.Add(a, b), (a + b) % p);
        ASSERT_EQ(f.Subtract(a, b), (a - b + p) % p);
        ASSERT_EQ(f.Multiply(a, b), mul(a, b)) << a << "*" << b;
        ASSERT_EQ(f.MultiplyDirect(a, b), mul(a, b)) << a << "*" << b;
        ASSERT_EQ(f.Divide(a, b), f.DivideDirect(a, b)) << a << "/" << b;
        if (b != 0) {
            ASSERT_EQ(mul(f.DivideDirect(a, b), b), a) << a << "/" << b;
        }
    }
    for (std::int32_t a = 1; a < p; ++a) {
        ASSERT_EQ(mul(a, f.InverseDirect(a)), 1) << a;
        ASSERT_EQ(f.Inverse(a), f.InverseDirect(a)) << a;
        ASSERT_EQ(f.Add(a, f.Negate(a)), 0) << a;
    }
}

INSTANTIATE_TEST_SUITE_P(Primes, PrimeFieldTest,
                         ::testing::Values(3, 5, 7, 11, 13, 17, 257, 929, 8191, 16381));

} // namespace
} // namespace ostrel
