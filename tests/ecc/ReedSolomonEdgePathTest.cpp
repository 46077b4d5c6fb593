// Edge paths of the arithmetic: one Reed-Solomon object carried through changes of its field, of
// the field's set-up, of alpha and of the first root; fields GF(2^m) above 256 elements; prime
// fields with an explicit alpha; sizes that are neither prime nor a power of two; alpha outside
// the field. Every generator is checked against one built in the test from its roots, and every
// set of check symbols against a long division done in the test, with arithmetic written here.
#include "EccTestSupport.h"
#include "clsFiniteField.h"
#include "clsReedSolomon.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Poly = std::vector<std::int32_t>;

// Arithmetic of a finite field written without clsFiniteField: GF(2^m) by carry-less products
// reduced by the polynomial, GF(p) by integers modulo p. Operands outside 0 .. q-1 give 0.
struct TrueField {
    std::int32_t Size = 0;
    std::int32_t Polynomial = 0; // 0 for a prime field
    int Degree = 0;

    bool In(std::int32_t a) const { return a >= 0 && a < Size; }
    std::int32_t Mul(std::int32_t a, std::int32_t b) const {
        if (!In(a) || !In(b)) {
            return 0;
        }
        if (Polynomial != 0) {
            return test::ReferenceMultiply2m(a, b, Polynomial, Degree);
        }
        return static_cast<std::int32_t>(static_cast<std::int64_t>(a) * b % Size);
    }
    std::int32_t Add(std::int32_t a, std::int32_t b) const {
        if (!In(a) || !In(b)) {
            return 0;
        }
        return Polynomial != 0 ? a ^ b : (a + b) % Size;
    }
    std::int32_t Neg(std::int32_t a) const {
        if (!In(a)) {
            return 0;
        }
        return Polynomial != 0 || a == 0 ? a : Size - a;
    }
    std::int32_t Sub(std::int32_t a, std::int32_t b) const { return Add(a, Neg(b)); }
    std::int32_t Pow(std::int32_t a, std::int32_t k) const {
        std::int32_t r = 1;
        for (std::int32_t i = 0; i < k; ++i) {
            r = Mul(r, a);
        }
        return r;
    }
};

TrueField BinaryField(int m, std::int32_t polynomial) {
    return {1 << m, polynomial, m};
}

TrueField PrimeField(std::int32_t p) {
    return {p, 0, 0};
}

// g(x) = (x - r0)(x - r1) ... multiplied out, ascending powers.
Poly FromRoots(const TrueField& f, const Poly& roots) {
    Poly g = {1};
    for (std::int32_t r : roots) {
        Poly next(g.size() + 1, 0);
        for (std::size_t j = 0; j < g.size(); ++j) {
            next[j + 1] = f.Add(next[j + 1], g[j]);
            next[j] = f.Add(next[j], f.Mul(g[j], f.Neg(r)));
        }
        g = next;
    }
    return g;
}

// The generator with roots alpha^b .. alpha^(b+e-1).
Poly ExpectedGenerator(const TrueField& f, std::int32_t alpha, std::int32_t b, std::int32_t e) {
    Poly roots;
    for (std::int32_t i = 0; i < e; ++i) {
        roots.push_back(f.Pow(alpha, b + i));
    }
    return FromRoots(f, roots);
}

// Check symbols of data d1 .. dk (sending order) for generator g: -(D(x) x^e mod g), returned in
// sending order.
Poly ExpectedCheckSymbols(const TrueField& f, const Poly& g, const Poly& data) {
    const auto e = g.size() - 1;
    Poly r(e, 0); // running remainder, ascending powers
    for (std::int32_t d : data) {
        const std::int32_t feedback = f.Add(d, r[e - 1]);
        for (std::size_t j = e - 1; j > 0; --j) {
            r[j] = f.Sub(r[j - 1], f.Mul(feedback, g[j]));
        }
        r[0] = f.Sub(0, f.Mul(feedback, g[0]));
    }
    Poly out;
    for (std::size_t j = e; j-- > 0;) {
        out.push_back(f.Neg(r[j]));
    }
    return out;
}

std::string Show(const Poly& p) {
    std::ostringstream s;
    for (std::int32_t c : p) {
        s << c << ' ';
    }
    return s.str();
}

class RsChecker {
public:
    // "" when rs holds generator `expected` and computes the check symbols of `blocks` random
    // blocks as the long division with f does.
    std::string Check(const clsReedSolomon& rs, const TrueField& f, const Poly& expected) {
        const auto e = static_cast<std::int32_t>(expected.size()) - 1;
        if (rs.EccLength() != e) {
            return "ecc length " + std::to_string(rs.EccLength());
        }
        Poly actual;
        for (std::int32_t i = 0; i <= e + 1; ++i) {
            actual.push_back(rs.GeneratorCoefficient(i));
        }
        Poly padded = expected;
        padded.push_back(0);
        if (actual != padded) {
            return "generator " + Show(actual) + "expected " + Show(padded);
        }
        const std::int32_t k = rs.DataLength();
        for (int round = 0; round < 4; ++round) {
            Poly data(static_cast<std::size_t>(k));
            for (auto& d : data) {
                d = static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(f.Size));
            }
            std::vector<std::int32_t> block(static_cast<std::size_t>(k + e) + 3, -7);
            for (std::int32_t i = 0; i < k; ++i) {
                block[static_cast<std::size_t>(e + k - 1 - i)] = data[static_cast<std::size_t>(i)];
            }
            rs.ComputeEcc(block);
            Poly check;
            for (std::int32_t j = e - 1; j >= 0; --j) {
                check.push_back(block[static_cast<std::size_t>(j)]);
            }
            const Poly want = ExpectedCheckSymbols(f, expected, data);
            if (check != want) {
                return "check symbols " + Show(check) + "expected " + Show(want);
            }
            if (block[static_cast<std::size_t>(k + e)] != -7) {
                return "wrote beyond the block";
            }
        }
        return "";
    }

private:
    std::mt19937 rng{12345};
};

std::shared_ptr<clsFiniteField> Field(std::int32_t size, std::int32_t modulus, std::int32_t alpha) {
    auto f = std::make_shared<clsFiniteField>();
    EXPECT_TRUE(f->Init(size, modulus, alpha)) << size << " " << modulus << " " << alpha;
    return f;
}

// Primitive polynomials of degree 8 .. 14 (alpha = x = 2 generates each field); checked below.
struct BinaryCase {
    int Degree;
    std::int32_t Polynomial;
};
const BinaryCase kBinary[] = {{8, 0x11D},  {8, 0x12D},   {9, 0x211},   {10, 0x409},
                              {11, 0x805}, {12, 0x1053}, {13, 0x201B}, {14, 0x4443}};

TEST(ReedSolomonEdgePaths, PolynomialsOfTheTestsArePrimitive) {
    for (const auto& c : kBinary) {
        const TrueField f = BinaryField(c.Degree, c.Polynomial);
        EXPECT_EQ(test::ReferenceOrder(2, f.Size, [&](auto a, auto b) { return f.Mul(a, b); }),
                  f.Size - 1)
            << c.Polynomial;
    }
}

// One object through a sequence of set-ups: each Init must give the generator of the arguments
// in force, whatever was built before.
TEST(ReedSolomonEdgePaths, SequenceOfSetUpsOnOneObject) {
    RsChecker checker;
    clsReedSolomon rs;
    auto qr = Field(256, 0x11D, 2);
    TrueField f = BinaryField(8, 0x11D);

    ASSERT_TRUE(rs.Init(20, 10, qr, 0, 0));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, 0, 10)), "") << "first set-up";

    // The same field object set up again with another polynomial: the generator must follow.
    ASSERT_TRUE(qr->Init(256, 0x12D, 2));
    f = BinaryField(8, 0x12D);
    ASSERT_TRUE(rs.Init(20, 10, nullptr, 0, 0));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, 0, 10)), "") << "field set up again";

    // Only the first root changes, then changes back.
    ASSERT_TRUE(rs.Init(20, 10, nullptr, 0, 3));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, 3, 10)), "") << "first root 3";
    ASSERT_TRUE(rs.Init(20, 10, nullptr, 0, 0));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, 0, 10)), "") << "first root 0";

    // Only alpha changes (another primitive element of the same field).
    const std::int32_t alpha = f.Pow(2, 7); // 7 is prime to 255
    ASSERT_TRUE(rs.Init(20, 10, nullptr, alpha, 0));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, alpha, 0, 10)), "") << "alpha changed";

    // The field object set up again with the first polynomial, the stored alpha kept.
    ASSERT_TRUE(qr->Init(256, 0x11D, 2));
    f = BinaryField(8, 0x11D);
    ASSERT_TRUE(rs.Init(20, 10, nullptr, 0, 0));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, alpha, 0, 10)), "")
        << "field set up again, alpha stored";

    // A larger field stored by SetField; alpha stored as 0 falls back to the field's.
    auto big = Field(1024, 0x409, 2);
    f = BinaryField(10, 0x409);
    rs.SetField(big);
    rs.SetPrimitiveElement(0);
    ASSERT_TRUE(rs.Init(40, 16, nullptr, 0, 2));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, 2, 16)), "") << "GF(1024)";

    // Back to a small field with the same degree: nothing of the large one may stay.
    auto small = Field(16, 0x13, 2);
    f = BinaryField(4, 0x13);
    ASSERT_TRUE(rs.Init(5, 8, small, 2, 1));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, 1, 8)), "") << "GF(16)";

    // The small field set up again in place with its other primitive polynomial.
    ASSERT_TRUE(small->Init(16, 0x19, 2));
    f = BinaryField(4, 0x19);
    ASSERT_TRUE(rs.Init(5, 8, nullptr, 0, 1));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, 1, 8)), "") << "GF(16) again";

    // A prime field with an explicit alpha, then its first root and its alpha changed.
    auto prime = Field(929, 0, 3);
    f = PrimeField(929);
    ASSERT_TRUE(rs.Init(30, 12, prime, 3, 1));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 3, 1, 12)), "") << "GF(929)";
    ASSERT_TRUE(rs.Init(30, 12, nullptr, 3, 5));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 3, 5, 12)), "") << "GF(929) root 5";
    const std::int32_t otherAlpha = 926; // a primitive element of GF(929), checked here
    ASSERT_EQ(test::ReferenceOrder(otherAlpha, 929, [&](auto a, auto b) { return f.Mul(a, b); }),
              928);
    ASSERT_TRUE(prime->Init(929, 0, otherAlpha));
    ASSERT_TRUE(rs.Init(30, 12, nullptr, otherAlpha, 5));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, otherAlpha, 5, 12)), "")
        << "GF(929) other alpha";

    // And back to the QR field as the encoder uses it.
    f = BinaryField(8, 0x11D);
    ASSERT_TRUE(rs.Init(16, 10, qr, 2, 0));
    EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, 0, 10)), "") << "QR field at last";
}

// GF(2^m) for m = 8 .. 14 with check-symbol counts up to 32 (multiples of 8 among them) and
// beyond; data symbols use the whole field.
TEST(ReedSolomonEdgePaths, BinaryFieldsUpToSixteenThousandElements) {
    RsChecker checker;
    clsReedSolomon rs;
    for (const auto& c : kBinary) {
        auto field = Field(1 << c.Degree, c.Polynomial, 2);
        const TrueField f = BinaryField(c.Degree, c.Polynomial);
        for (std::int32_t e : {1, 2, 7, 8, 9, 16, 17, 24, 31, 32, 33, 48}) {
            for (std::int32_t b : {0, 1}) {
                ASSERT_TRUE(rs.Init(3 * e + 5, e, field, 0, b));
                EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, 2, b, e)), "")
                    << "GF(2^" << c.Degree << ") e " << e << " b " << b;
            }
        }
    }
}

// Prime fields with an alpha given explicitly (not the smallest primitive element, which the
// field would find by itself) and with alpha left to the field.
TEST(ReedSolomonEdgePaths, PrimeFieldsWithExplicitAlpha) {
    RsChecker checker;
    clsReedSolomon rs;
    for (std::int32_t p : {7, 13, 101, 257, 929, 7919, 16381}) {
        const TrueField f = PrimeField(p);
        const auto order = [&](std::int32_t g) {
            return test::ReferenceOrder(g, p, [&](auto a, auto b) { return f.Mul(a, b); });
        };
        // The largest primitive element below p.
        std::int32_t alpha = p - 1;
        while (order(alpha) != p - 1) {
            --alpha;
        }
        auto field = std::make_shared<clsFiniteField>();
        ASSERT_TRUE(field->Init(p, 12345, alpha));
        EXPECT_EQ(field->PrimitiveElement(), alpha) << p;
        EXPECT_EQ(field->ExpTableAt(1), alpha) << p;
        EXPECT_EQ(field->ExpTableAt(2), f.Mul(alpha, alpha)) << p;
        EXPECT_EQ(field->Multiply(alpha, p - 1), f.Neg(alpha)) << p;
        for (std::int32_t e : {1, 4, 6}) {
            rs.SetPrimitiveElement(0); // alpha from the field
            ASSERT_TRUE(rs.Init(9, e, field, 0, 1));
            EXPECT_EQ(rs.PrimitiveElement(), alpha);
            EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, alpha, 1, e)), "")
                << "GF(" << p << ") alpha " << alpha << " e " << e;
        }
        // The field's own choice when alpha is 0: the smallest primitive element.
        ASSERT_TRUE(field->Init(p, 0, 0));
        std::int32_t smallest = 2;
        while (order(smallest) != p - 1) {
            ++smallest;
        }
        EXPECT_EQ(field->PrimitiveElement(), smallest) << p;
        rs.SetPrimitiveElement(0);
        ASSERT_TRUE(rs.Init(9, 4, field, 0, 0));
        EXPECT_EQ(checker.Check(rs, f, ExpectedGenerator(f, smallest, 0, 4)), "") << p;
    }
}

// Sizes that are neither prime nor a power of two are set up as if they were prime: the tables
// hold the powers of alpha modulo q, the operations read those tables, and the Reed-Solomon
// encoder works through those operations.
TEST(ReedSolomonEdgePaths, SizesNeitherPrimeNorPowerOfTwo) {
    for (const auto& [q, alpha] : std::vector<std::pair<std::int32_t, std::int32_t>>{
             {9, 2}, {12, 5}, {15, 2}, {100, 3}, {1000, 7}}) {
        clsFiniteField field;
        ASSERT_TRUE(field.Init(q, 77, alpha)) << q;
        EXPECT_EQ(field.Size(), q);
        EXPECT_EQ(field.Modulus(), q);
        EXPECT_EQ(field.PrimitiveElement(), alpha);
        // The tables as their set-up rule writes them.
        std::vector<std::int32_t> exp(static_cast<std::size_t>(q), 0);
        std::vector<std::int32_t> log(static_cast<std::size_t>(q), 0);
        exp[0] = 1;
        exp[static_cast<std::size_t>(q - 1)] = 1;
        exp[1] = alpha;
        log[static_cast<std::size_t>(alpha)] = 1;
        std::int32_t x = alpha;
        for (std::int32_t k = 2; k <= q - 2; ++k) {
            x = x * alpha % q;
            exp[static_cast<std::size_t>(k)] = x;
            log[static_cast<std::size_t>(x)] = k;
        }
        for (std::int32_t i = 0; i < q; ++i) {
            EXPECT_EQ(field.ExpTableAt(i), exp[static_cast<std::size_t>(i)]) << q << " " << i;
            EXPECT_EQ(field.LogTableAt(i), log[static_cast<std::size_t>(i)]) << q << " " << i;
        }
        // Multiply through those tables; Add and Negate modulo q.
        const auto mul = [&](std::int32_t a, std::int32_t b) {
            if (a <= 0 || b <= 0 || a >= q || b >= q) {
                return 0;
            }
            std::int32_t s = log[static_cast<std::size_t>(a)] + log[static_cast<std::size_t>(b)];
            if (s >= q - 1) {
                s -= q - 1;
            }
            return exp[static_cast<std::size_t>(s)];
        };
        for (std::int32_t a = 0; a < std::min(q, 40); ++a) {
            for (std::int32_t b = 0; b < std::min(q, 40); ++b) {
                ASSERT_EQ(field.Multiply(a, b), mul(a, b)) << q << ": " << a << " * " << b;
                ASSERT_EQ(field.Add(a, b), (a + b) % q);
            }
            ASSERT_EQ(field.Negate(a), (q - a) % q);
        }
        // The generator made step by step with those operations (alpha^2 as square and
        // multiply forms it: 1 times alpha squared).
        auto shared = std::make_shared<clsFiniteField>(field);
        clsReedSolomon rs;
        const std::int32_t e = 5;
        ASSERT_TRUE(rs.Init(7, e, shared, 0, 2));
        const std::int32_t power = mul(1, mul(alpha, alpha));
        Poly g = {(q - power) % q, 1};
        std::int32_t r = g[0];
        for (std::int32_t i = 2; i <= e; ++i) {
            r = mul(r, alpha);
            Poly next(g.size() + 1, 0);
            next[g.size()] = 1;
            for (std::size_t j = g.size() - 1; j >= 1; --j) {
                next[j] = (g[j - 1] + mul(g[j], r)) % q;
            }
            next[0] = mul(g[0], r);
            g = next;
        }
        for (std::int32_t i = 0; i <= e; ++i) {
            EXPECT_EQ(rs.GeneratorCoefficient(i), g[static_cast<std::size_t>(i)])
                << "q " << q << " coefficient " << i;
        }
    }
}

// An alpha outside the field: every product with it is 0, so the roots after the first are 0
// (and the first is 0 too unless the first root is 0, where it is alpha^0 = 1).
TEST(ReedSolomonEdgePaths, AlphaOutsideTheField) {
    for (const auto& c : {kBinary[0], kBinary[3]}) {
        auto field = Field(1 << c.Degree, c.Polynomial, 2);
        const TrueField f = BinaryField(c.Degree, c.Polynomial);
        for (std::int32_t alpha : {f.Size, f.Size + 44, 16383, 20000, -3}) {
            for (std::int32_t b : {0, 1, 2}) {
                clsReedSolomon rs;
                ASSERT_TRUE(rs.Init(6, 4, field, alpha, b)) << alpha;
                const Poly expected = FromRoots(f, {b == 0 ? 1 : 0, 0, 0, 0});
                for (std::int32_t i = 0; i <= 4; ++i) {
                    EXPECT_EQ(rs.GeneratorCoefficient(i), expected[static_cast<std::size_t>(i)])
                        << "GF(2^" << c.Degree << ") alpha " << alpha << " b " << b << " x^" << i;
                }
            }
        }
    }
}

} // namespace
} // namespace ostrel
