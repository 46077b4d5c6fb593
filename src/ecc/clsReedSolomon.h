#pragma once

#include "OstrelExport.h"

#include "clsFiniteField.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace ostrel {

// Systematic Reed-Solomon encoder over a clsFiniteField: builds the generator polynomial
// g(x) = (x - a^b)(x - a^(b+1)) ... (x - a^(b+e-1)) once per Init and computes, for each block,
// the remainder of D(x) * x^e divided by g(x). With GF(2^8)/285, alpha 2 and first root 0 this is
// the error-correction coding of ISO/IEC 18004 clause 7.5.2.
//
// Polynomials are arrays in ascending powers of x. A block of k data symbols d1 .. dk (d1 sent
// first) holds d1 at index e + k - 1 and dk at index e; ComputeEcc writes the check symbols to
// indices 0 .. e-1, the first one to send at index e - 1.
class OSTREL_API clsReedSolomon {
public:
    // Length of the generator and work arrays: k + e never exceeds it.
    static constexpr std::int32_t MaxLength = 1024;

    // The field used for all arithmetic (shared with its creator); empty on a new object.
    std::shared_ptr<const clsFiniteField> Field() const { return m_Field; }
    // Stores a field for a later Init; nothing is rebuilt.
    void SetField(std::shared_ptr<const clsFiniteField> field) { m_Field = std::move(field); }

    std::int32_t PrimitiveElement() const { return m_PrimitiveElement; }
    // Stores alpha for a later Init; nothing is rebuilt.
    void SetPrimitiveElement(std::int32_t alpha) { m_PrimitiveElement = alpha; }

    std::int32_t DataLength() const { return m_DataLength; }
    std::int32_t EccLength() const { return m_EccLength; }
    std::int32_t FirstRoot() const { return m_FirstRoot; }
    // Coefficient of x^index of the generator, index 0 .. 1023; 0 outside that range.
    std::int32_t GeneratorCoefficient(std::int32_t index) const;

    // Builds the generator of degree eccLength. Returns false, and changes nothing, unless
    // dataLength > 0, eccLength > 0, dataLength + eccLength <= 1024 and firstRoot >= 0, and a
    // field (the given one, else the stored one) and a non-zero alpha (the given one, else the
    // stored one, else the field's) are at hand.
    bool Init(std::int32_t dataLength, std::int32_t eccLength,
              std::shared_ptr<const clsFiniteField> field, std::int32_t primitiveElement,
              std::int32_t firstRoot);

    // True when Init(dataLength, eccLength, field, 0, 0) would leave the object as it is: a
    // successful Init set it up so, with its generator made for the field as it is now (an
    // encoder skips the call for every symbol of one size).
    bool SetUpFor(std::int32_t dataLength, std::int32_t eccLength,
                  const clsFiniteField* field) const {
        return m_GeneratorSetUp != 0 && field != nullptr && m_Field.get() == field &&
               m_GeneratorField == field && field->m_SetUpStamp == m_GeneratorSetUp &&
               m_DataLength == dataLength && m_EccLength == eccLength && m_FirstRoot == 0 &&
               m_GeneratorFirstRoot == 0 && m_GeneratorDegree == eccLength &&
               m_PrimitiveElement == m_GeneratorAlpha;
    }

    // Replaces block[0 .. e-1] by the check symbols of the data at block[e .. e+k-1]; every other
    // entry is left as it was. Before a successful Init, or when the block holds fewer than
    // k + e entries, the block is left unchanged.
    void ComputeEcc(std::span<std::int32_t> block) const;
    // The same for two blocks at once, exactly as ComputeEcc(first) and ComputeEcc(second) give
    // them. With the kept products (see below) the two divisions run side by side, so that each
    // one's chain of dependent table look-ups overlaps the other's.
    void ComputeEccPair(std::span<std::int32_t> first, std::span<std::int32_t> second) const;
    // The same check symbols for a block of bytes as the encoder holds it: data[0 .. length-1],
    // the first symbol sent first, length at most DataLength (a shorter block is one whose
    // leading symbols are zero). Check symbol t in sending order (the coefficient of x^(e-1-t))
    // goes to checks[t * stride], so that the checks of one block land interleaved among those
    // of the others. Only for a field of 256 elements with the kept products (see below); false,
    // touching nothing, otherwise: the caller then takes ComputeEcc.
    bool ComputeEccBytes(const std::uint8_t* data, std::int32_t length, std::uint8_t* checks,
                         std::ptrdiff_t stride) const;
    // Two blocks of bytes at once, exactly as ComputeEccBytes gives each (their divisions side by
    // side, as in ComputeEccPair); the second's Checks may be null for none. False, touching
    // nothing, where ComputeEccBytes would refuse either block.
    struct ByteBlock {
        const std::uint8_t* Data = nullptr;
        std::int32_t Length = 0;
        std::uint8_t* Checks = nullptr;
    };
    // Where the compiler has vector extensions (GCC), the registers of a pair (second.Checks
    // set) are 16-byte vectors; words takes the 64-bit word registers instead, the form of one
    // block alone and of every other compiler, and the reference the vectors are tested against.
    bool ComputeEccBytesPair(const ByteBlock& first, const ByteBlock& second, std::ptrdiff_t stride,
                             bool words = false) const;

    // The checks of nb blocks at once, one block in each byte lane of 64-byte vectors, where the
    // processor has GFNI and AVX-512 (GCC on x86-64, not on Windows): each multiplication by a
    // generator coefficient is one affine transformation of 64 bytes. The data codewords are read
    // interleaved as a symbol sends them: codeword i of block b at sequence[i * nb + b], the
    // first shortBlocks blocks one codeword shorter than longLength, and the last codeword of
    // each longer block b at sequence[(longLength - 1) * nb + b - shortBlocks]. Check t of block
    // b goes to checks[t * nb + b]. Exactly what ComputeEccBytes gives each block; false,
    // touching nothing, where it would refuse a block, or where the processor cannot
    // (LanesAvailable).
    bool ComputeEccInterleaved(const std::uint8_t* sequence, std::int32_t nb,
                               std::int32_t shortBlocks, std::int32_t longLength,
                               std::uint8_t* checks) const;
    static bool LanesAvailable();

private:
    using WorkArray = std::array<std::int32_t, MaxLength>;

    // Long division of work (D(x) * x^e, data at e .. e+k-1, zeros below) by the generator,
    // leaving the remainder in work[0 .. e-1]. The table form works on the field's logarithm
    // and power tables directly; it returns false, touching nothing, when it would not give
    // exactly what the field's Subtract and Multiply give (not a 2^m field, tables that reach
    // outside the field, or a data symbol or generator coefficient outside the field).
    bool RemainderByTables(WorkArray& work) const;
    void RemainderByOperations(WorkArray& work) const;

    // For fields of 2^m <= 256 elements and up to 32 check symbols, Init also keeps the products
    // of every element c with the generator: row c holds c * g(j) in byte j (bits 8j .. 8j+7 of
    // the four words, from the lowest), so the division runs as a shift register, one row per data
    // symbol. Valid while the field is the one, and has the set-up, that they were made from.
    static constexpr std::int32_t ProductRowBytes = 32;
    using ProductRow = std::array<std::uint64_t, ProductRowBytes / 8>;
    void BuildProducts();
    void BuildTopProducts();
    // The check symbols by the kept products; false, touching nothing, when they are stale or a
    // data symbol lies outside the field.
    bool RemainderByProducts(std::span<std::int32_t> block) const;
    // Whether the kept products hold for the field as it is now and every data symbol of the
    // block (at least k + e entries) lies in the field.
    bool ProductsApply(std::span<const std::int32_t> block) const;
    // The byte form of one block alone (ComputeEccBytesPair without a second block's checks): one
    // word register, the products checked to apply already.
    void DivideOne(const ByteBlock& block, std::ptrdiff_t stride) const;

    std::shared_ptr<const clsFiniteField> m_Field;
    std::int32_t m_DataLength = 0;
    std::int32_t m_EccLength = 0;
    std::int32_t m_PrimitiveElement = 0;
    std::int32_t m_FirstRoot = 0;
    std::array<std::int32_t, MaxLength> m_GeneratorPoly{};
    // What the generator was built from (set-up stamp 0: nothing built yet).
    const clsFiniteField* m_GeneratorField = nullptr;
    std::uint64_t m_GeneratorSetUp = 0;
    std::int32_t m_GeneratorAlpha = 0;
    std::int32_t m_GeneratorFirstRoot = 0;
    std::int32_t m_GeneratorDegree = 0;
    std::array<ProductRow, 256> m_Products{};
    // The same products for the vector registers: row c holds c * g(j) in byte 32 - e + j, so
    // that the top coefficient is always byte 31 (the bytes below 32 - e are zero).
    struct alignas(16) TopProductRow {
        std::array<std::uint8_t, ProductRowBytes> Bytes;
    };
    std::array<TopProductRow, 256> m_TopProducts{};
    // The products as GFNI's affine matrices: entry j multiplies a byte by g(j) (byte 7 - i holds
    // the input bits that make output bit i).
    std::array<std::uint64_t, ProductRowBytes> m_LaneMatrices{};
    const clsFiniteField* m_ProductField = nullptr; // none kept when null
    std::uint64_t m_ProductSetUp = 0;
};

} // namespace ostrel
