#pragma once

#include "OstrelExport.h"

#include <array>
#include <cstdint>

namespace ostrel {

// Arithmetic in a finite field GF(q): q = 2^m (the polynomial representation, elements as bit
// masks of degree < m), q prime (integers modulo q) or q = 2. The QR encoder uses one instance,
// GF(2^8) with the reduction polynomial x^8 + x^4 + x^3 + x^2 + 1 (285) and primitive element 2,
// the field of ISO/IEC 18004 clause 7.5.2.
//
// A new object has every member 0 and must be set up with Init before any arithmetic. Operands
// are elements 0 .. q-1; an operand outside that range, or any operation on an object that was
// never set up, gives 0 and never touches memory outside the tables.
class OSTREL_API clsFiniteField {
public:
    // Length of the logarithm and power tables; Init refuses larger fields.
    static constexpr std::int32_t TableLength = 16384;

    // Number of field elements q (0 until Init succeeds).
    std::int32_t Size() const { return m_Size; }
    // The reduction polynomial as a bit mask for q = 2^m (q > 2), else q itself (2 for GF(2)).
    std::int32_t Modulus() const { return m_Modulus; }
    // The element alpha whose powers fill the tables.
    std::int32_t PrimitiveElement() const { return m_PrimitiveElement; }

    // Smallest element of multiplicative order q-1 for the current Size and Modulus, found by
    // testing g^((q-1)/p) != 1 for every prime p dividing q-1; 0 when none passes.
    std::int32_t FindPrimitiveElement() const;

    // Sets the field up. Returns false, and changes nothing, for q < 2, q > 16384, or a
    // power-of-two q with modulus 0. For q = 2 the modulus and alpha arguments are ignored
    // (alpha becomes 1); for other q that are not powers of two, q is taken to be prime and
    // the modulus argument is ignored. alpha = 0 asks for FindPrimitiveElement.
    bool Init(std::int32_t size, std::int32_t modulus, std::int32_t primitiveElement);

    std::int32_t Add(std::int32_t a, std::int32_t b) const;
    std::int32_t Negate(std::int32_t a) const;
    std::int32_t Subtract(std::int32_t a, std::int32_t b) const;
    // a * b through the tables: 0 when a or b is 0.
    std::int32_t Multiply(std::int32_t a, std::int32_t b) const;
    // a * b without tables: carry-less product reduced by Modulus, or (a * b) mod q.
    std::int32_t MultiplyDirect(std::int32_t a, std::int32_t b) const;
    // 1 / a through the tables; 0 for a = 0.
    std::int32_t Inverse(std::int32_t a) const;
    // 1 / a by the extended Euclidean algorithm (prime fields); 1 for q = 2, 0 for other 2^m.
    std::int32_t InverseDirect(std::int32_t a) const;
    // a / b through the tables; division by zero gives 0.
    std::int32_t Divide(std::int32_t a, std::int32_t b) const;
    // a / b without tables (prime fields); 1 for q = 2, 0 for other 2^m.
    std::int32_t DivideDirect(std::int32_t a, std::int32_t b) const;
    // The logarithm table entry of a; Log(0) = Log(1) = 0.
    std::int32_t Log(std::int32_t a) const;
    // alpha^k for any integer k (negative exponents included).
    std::int32_t Exp(std::int32_t k) const;

    // Raw table entries (0 for an index outside 0 .. TableLength-1).
    std::int32_t LogTableAt(std::int32_t index) const;
    std::int32_t ExpTableAt(std::int32_t index) const;

private:
    // The Reed-Solomon encoder reads the tables directly in its inner loop.
    friend class clsReedSolomon;

    bool IsPowerOfTwo() const { return (m_Size & (m_Size - 1)) == 0; }
    bool IsElement(std::int32_t a) const { return a >= 0 && a < m_Size; }
    // The inverse of x modulo Size by the extended Euclidean algorithm, made non-negative.
    std::int32_t EuclideanInverse(std::int32_t x) const;
    // Stores k as the logarithm of x when x indexes the table.
    void SetLog(std::int32_t x, std::int32_t k);
    // Recomputes m_TablesInRange after a set-up.
    void CheckTables();

    std::int32_t m_Size = 0;
    std::int32_t m_Modulus = 0;
    std::int32_t m_PrimitiveElement = 0;
    std::array<std::int16_t, TableLength> m_LogTable{};
    std::array<std::int16_t, TableLength> m_ExpTable{};
    // True when every ExpTable entry 0 .. q-1 is an element and every LogTable entry 0 .. q-1
    // lies in 0 .. q-2: then Multiply always reads ExpTable below q-1 and gives an element.
    // False after a set-up with an alpha outside the field or a non-primitive alpha that left
    // logarithms of an earlier, larger field in place.
    bool m_TablesInRange = false;
    // True for q = 2^m when the powers alpha^0 .. alpha^(q-2) in ExpTable are q-1 distinct
    // non-zero elements and LogTable inverts them: alpha is then primitive, the polynomial ring
    // is a field, and Multiply is its product, which distributes over Add (XOR).
    bool m_IsBinaryField = false;
    // Stamp of the last set-up: a number no other set-up of any object has had, so that a user
    // of the tables (the Reed-Solomon encoder) can tell that what it derived from them is stale.
    std::uint64_t m_SetUpStamp = 0;
};

} // namespace ostrel
