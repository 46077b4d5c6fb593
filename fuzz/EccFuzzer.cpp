// clsFiniteField and clsReedSolomon driven by a random program of set-ups and operations.
//
// Checks:
// - no operation reads or writes outside its tables, whatever the arguments (AddressSanitizer
//   and UndefinedBehaviorSanitizer watch every access);
// - a refused Init changes nothing: the field's size, modulus, alpha and both tables, or the
//   encoder's field, lengths, alpha, first root and generator, compare equal before and after;
// - a field that was never set up, and operands outside 0 .. q-1, give 0;
// - an accepted Reed-Solomon Init gives a monic generator of degree e;
// - ComputeEcc changes only block[0 .. e-1], and nothing at all in a block that is too short;
// - over a field whose arithmetic is right (GF(2^8) of ISO/IEC 18004, or a prime field with a
//   primitive alpha), the finished codeword vanishes at every root of the generator.
#include "EccTestSupport.h"
#include "clsFiniteField.h"
#include "clsReedSolomon.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

using ostrel::clsFiniteField;
using ostrel::clsReedSolomon;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "EccFuzzer: %s\n", what);
    std::abort();
}

void Check(bool condition, const char* what) {
    if (!condition) {
        Fail(what);
    }
}

// Everything a caller can observe of a field.
struct FieldState {
    std::int32_t Size;
    std::int32_t Modulus;
    std::int32_t Alpha;
    std::vector<std::int32_t> Log;
    std::vector<std::int32_t> Exp;

    explicit FieldState(const clsFiniteField& f)
        : Size(f.Size()), Modulus(f.Modulus()), Alpha(f.PrimitiveElement()),
          Log(clsFiniteField::TableLength), Exp(clsFiniteField::TableLength) {
        for (std::int32_t i = 0; i < clsFiniteField::TableLength; ++i) {
            Log[static_cast<std::size_t>(i)] = f.LogTableAt(i);
            Exp[static_cast<std::size_t>(i)] = f.ExpTableAt(i);
        }
    }
    bool operator==(const FieldState&) const = default;
};

// Everything a caller can observe of a Reed-Solomon encoder.
struct CoderState {
    const clsFiniteField* Field;
    std::int32_t DataLength;
    std::int32_t EccLength;
    std::int32_t Alpha;
    std::int32_t FirstRoot;
    std::vector<std::int32_t> Generator;

    explicit CoderState(const clsReedSolomon& rs)
        : Field(rs.Field().get()), DataLength(rs.DataLength()), EccLength(rs.EccLength()),
          Alpha(rs.PrimitiveElement()), FirstRoot(rs.FirstRoot()),
          Generator(clsReedSolomon::MaxLength) {
        for (std::int32_t i = 0; i < clsReedSolomon::MaxLength; ++i) {
            Generator[static_cast<std::size_t>(i)] = rs.GeneratorCoefficient(i);
        }
    }
    bool operator==(const CoderState&) const = default;
};

// Independent arithmetic for the fields whose tables can be trusted: GF(2^8)/285 or a prime
// field. Mul is exact (carry-less product reduced, or product modulo q).
struct RefField {
    std::int32_t Q = 0;
    bool Binary = false;

    std::int32_t Mul(std::int32_t a, std::int32_t b) const {
        if (!Binary) {
            return static_cast<std::int32_t>(static_cast<std::int64_t>(a) * b % Q);
        }
        std::int32_t p = 0;
        for (; b != 0; b >>= 1) {
            if ((b & 1) != 0) {
                p ^= a;
            }
            a <<= 1;
            if ((a & 0x100) != 0) {
                a ^= 285;
            }
        }
        return p;
    }
    std::int32_t Add(std::int32_t a, std::int32_t b) const { return Binary ? a ^ b : (a + b) % Q; }
    std::int32_t Pow(std::int32_t a, std::int64_t k) const {
        std::int32_t r = 1;
        for (; k > 0; k >>= 1, a = Mul(a, a)) {
            if ((k & 1) != 0) {
                r = Mul(r, a);
            }
        }
        return r;
    }
    // True when a has multiplicative order q - 1.
    bool IsPrimitive(std::int32_t a) const {
        if (a <= 0 || a >= Q) {
            return false;
        }
        std::int32_t n = Q - 1;
        for (std::int32_t p = 2; p <= n; ++p) {
            if (n % p == 0) {
                if (Pow(a, (Q - 1) / p) == 1) {
                    return false;
                }
                while (n % p == 0) {
                    n /= p;
                }
            }
        }
        return true;
    }
};

// The reference arithmetic when the field is one whose tables are exact, else nullopt.
std::optional<RefField> Trusted(const clsFiniteField& f) {
    RefField ref;
    ref.Q = f.Size();
    if (f.Size() == 256 && f.Modulus() == 285) {
        ref.Binary = true;
    } else if (!ostrel::test::IsPrime(f.Size())) {
        return std::nullopt;
    }
    if (f.Size() > 2 && !ref.IsPrimitive(f.PrimitiveElement())) {
        return std::nullopt;
    }
    return ref;
}

// An operand for a field of q elements: mostly an element, sometimes just outside, sometimes
// any integer.
std::int32_t Operand(FuzzedDataProvider& in, std::int32_t q) {
    const std::int32_t top = std::clamp(q, 0, 1 << 20);
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return in.ConsumeIntegral<std::int32_t>();
    case 1:
        return in.ConsumeIntegralInRange<std::int32_t>(-2, top + 2);
    default:
        return top > 0 ? in.ConsumeIntegralInRange<std::int32_t>(0, top - 1) : 0;
    }
}

std::int32_t SizeArgument(FuzzedDataProvider& in) {
    static constexpr std::array<std::int32_t, 16> kSizes = {
        -1, 0, 1, 2, 3, 4, 7, 8, 16, 101, 256, 257, 1024, 8192, 16384, 16385};
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return in.ConsumeIntegral<std::int32_t>();
    case 1:
        return in.ConsumeIntegralInRange<std::int32_t>(-4, 16400);
    default:
        return in.PickValueInArray(kSizes);
    }
}

void FieldOperation(FuzzedDataProvider& in, const clsFiniteField& f) {
    const std::int32_t q = f.Size();
    const std::int32_t a = Operand(in, q);
    const std::int32_t b = Operand(in, q);
    const bool aIn = a >= 0 && a < q;
    const bool bIn = b >= 0 && b < q;
    std::int32_t r = 0;
    const int op = in.ConsumeIntegralInRange<int>(0, 14);
    switch (op) {
    case 0:
        r = f.Add(a, b);
        break;
    case 1:
        r = f.Subtract(a, b);
        break;
    case 2:
        r = f.Multiply(a, b);
        break;
    case 3:
        r = f.MultiplyDirect(a, b);
        break;
    case 4:
        r = f.Divide(a, b);
        break;
    case 5:
        r = f.DivideDirect(a, b);
        break;
    case 6:
        r = f.Negate(a);
        break;
    case 7:
        r = f.Inverse(a);
        break;
    case 8:
        r = f.InverseDirect(a);
        break;
    case 9:
        r = f.Log(a);
        break;
    case 10:
        r = f.Exp(in.ConsumeIntegral<std::int32_t>());
        break;
    case 11:
        r = f.LogTableAt(in.ConsumeIntegral<std::int32_t>());
        break;
    case 12:
        r = f.ExpTableAt(in.ConsumeIntegral<std::int32_t>());
        break;
    case 13:
        r = f.FindPrimitiveElement();
        Check(r == 0 || (r >= 2 && r < q), "FindPrimitiveElement gave a non-element");
        return;
    default:
        return;
    }
    const bool unary = op >= 6 && op <= 9;
    if (op <= 9 && (!aIn || (!unary && !bIn))) {
        Check(r == 0, "an operand outside the field did not give 0");
    }
    if (q == 0) {
        Check(r == 0, "a field that was never set up did not give 0");
    }
    // Over a trusted field every in-range result is exact.
    if (op <= 9 && aIn && (unary || bIn)) {
        if (const auto ref = Trusted(f)) {
            switch (op) {
            case 0:
                Check(r == ref->Add(a, b), "Add is wrong");
                break;
            case 2:
            case 3:
                Check(r == ref->Mul(a, b), "Multiply is wrong");
                break;
            case 4:
                Check(b == 0 || a == 0 || ref->Mul(r, b) == a, "Divide is wrong");
                break;
            case 7:
                Check(a == 0 || ref->Mul(r, a) == 1, "Inverse is wrong");
                break;
            default:
                break;
            }
        }
    }
}

// What the last accepted Reed-Solomon Init built on: the field's set-up count and alpha. The
// generator follows the field as it was then, so the root test needs both unchanged.
struct Built {
    bool Valid = false;
    int Generation = 0;
    std::int32_t Alpha = 0;
};

void CoderInit(FuzzedDataProvider& in, clsReedSolomon& rs,
               const std::shared_ptr<clsFiniteField>& field, int generation, Built& built) {
    std::int32_t k = 0;
    std::int32_t e = 0;
    if (in.ConsumeBool()) {
        k = in.ConsumeIntegral<std::int32_t>();
        e = in.ConsumeIntegral<std::int32_t>();
    } else {
        k = in.ConsumeIntegralInRange<std::int32_t>(-2, 1030);
        e = in.ConsumeIntegralInRange<std::int32_t>(-2, 70);
    }
    const std::shared_ptr<const clsFiniteField> given = in.ConsumeBool() ? field : nullptr;
    const std::int32_t alpha = in.ConsumeBool() ? 0 : Operand(in, field->Size());
    const std::int32_t b = in.ConsumeBool() ? in.ConsumeIntegral<std::int32_t>()
                                            : in.ConsumeIntegralInRange<std::int32_t>(-1, 5);
    const CoderState before(rs);
    const bool accepted = rs.Init(k, e, given, alpha, b);
    if (!accepted) {
        Check(CoderState(rs) == before, "a refused Reed-Solomon Init changed the encoder");
        return;
    }
    Check(k > 0 && e > 0 && k + e <= clsReedSolomon::MaxLength && b >= 0,
          "Reed-Solomon Init accepted bad lengths");
    Check(rs.Field() != nullptr, "Reed-Solomon Init accepted without a field");
    Check(rs.DataLength() == k && rs.EccLength() == e && rs.FirstRoot() == b,
          "Reed-Solomon Init stored other lengths");
    Check(rs.PrimitiveElement() != 0, "Reed-Solomon Init stored alpha 0");
    Check(rs.GeneratorCoefficient(e) == 1, "the generator is not monic");
    built = Built{rs.Field() == field, generation, rs.PrimitiveElement()};
    for (std::int32_t i = e + 1; i < clsReedSolomon::MaxLength; ++i) {
        Check(rs.GeneratorCoefficient(i) == 0, "the generator has terms above degree e");
    }
}

void CoderRun(FuzzedDataProvider& in, const clsReedSolomon& rs, int generation,
              const Built& built) {
    const std::int32_t k = rs.DataLength();
    const std::int32_t e = rs.EccLength();
    const std::size_t n = in.ConsumeBool() ? static_cast<std::size_t>(k + e)
                                           : in.ConsumeIntegralInRange<std::size_t>(0, 1100);
    const std::int32_t q = rs.Field() ? rs.Field()->Size() : 0;
    const bool inField = in.ConsumeBool();
    std::vector<std::int32_t> block(n);
    for (auto& x : block) {
        x = inField && q > 0 ? in.ConsumeIntegralInRange<std::int32_t>(0, q - 1) : Operand(in, q);
    }
    const std::vector<std::int32_t> before = block;
    rs.ComputeEcc(block);
    if (e <= 0 || n < static_cast<std::size_t>(k + e)) {
        Check(block == before, "ComputeEcc changed a block it could not use");
        return;
    }
    for (std::size_t i = static_cast<std::size_t>(e); i < n; ++i) {
        Check(block[i] == before[i], "ComputeEcc changed an entry above the check symbols");
    }

    // The codeword c(x) = D(x) x^e - R(x) is a multiple of the generator: it vanishes at
    // alpha^b .. alpha^(b+e-1).
    if (!built.Valid || built.Generation != generation || !rs.Field()) {
        return;
    }
    const auto ref = Trusted(*rs.Field());
    const std::int32_t alpha = built.Alpha;
    if (!ref || alpha <= 0 || alpha >= q) {
        return;
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(k + e); ++i) {
        if (block[i] < 0 || block[i] >= q) {
            return; // data outside the field: nothing is promised
        }
    }
    for (std::int32_t j = 0; j < e; ++j) {
        const std::int32_t root = ref->Pow(alpha, static_cast<std::int64_t>(rs.FirstRoot()) + j);
        std::int32_t value = 0; // Horner, highest power first
        for (std::size_t i = static_cast<std::size_t>(k + e); i-- > 0;) {
            value = ref->Add(ref->Mul(value, root), block[i]);
        }
        Check(value == 0, "the codeword does not vanish at a root of the generator");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto field = std::make_shared<clsFiniteField>();
    clsReedSolomon rs;
    int generation = 0; // successful field set-ups so far
    Built built;

    // A new field gives 0 everywhere.
    Check(field->Size() == 0 && field->Multiply(1, 1) == 0 && field->Exp(3) == 0,
          "a new field is not all 0");

    for (int steps = 0; steps < 64 && in.remaining_bytes() > 0; ++steps) {
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: { // field set-up
            const std::int32_t q = SizeArgument(in);
            const std::int32_t modulus = in.ConsumeBool()
                                             ? in.ConsumeIntegral<std::int32_t>()
                                             : in.ConsumeIntegralInRange<std::int32_t>(0, 0x7FFF);
            const std::int32_t alpha = in.ConsumeBool() ? 0 : Operand(in, q);
            const bool refuse = q < 2 || q > clsFiniteField::TableLength ||
                                (q != 2 && (q & (q - 1)) == 0 && modulus == 0);
            const FieldState before(*field);
            if (!field->Init(q, modulus, alpha)) {
                Check(FieldState(*field) == before, "a refused field Init changed the field");
                Check(refuse, "field Init refused good arguments");
            } else {
                Check(!refuse, "field Init accepted bad arguments");
                Check(field->Size() == q, "field Init stored another size");
                ++generation;
            }
            break;
        }
        case 1: // the field of the QR encoder
            Check(field->Init(256, 285, 2), "Init(256, 285, 2) refused");
            ++generation;
            break;
        case 2:
            CoderInit(in, rs, field, generation, built);
            break;
        case 3:
            CoderRun(in, rs, generation, built);
            break;
        case 4:
            rs.SetPrimitiveElement(Operand(in, field->Size()));
            break;
        case 5:
            if (in.ConsumeBool()) {
                rs.SetField(field);
            } else {
                rs.SetField(nullptr);
            }
            break;
        default:
            FieldOperation(in, *field);
            break;
        }
    }
    return 0;
}
