#pragma once

#include "clsFiniteField.h"
#include "clsReedSolomon.h"

#include <cstdint>
#include <memory>

namespace ostrel {

// The error-correction structure of a symbol (ISO/IEC 18004 clauses 7.4.10, 7.5 and 7.6): pad
// codewords up to the data capacity, the split of the data codewords into blocks, Reed-Solomon
// check codewords per block (clsReedSolomon over GF(2^8)) and the interleaving of all blocks into
// the final codeword sequence.
//
// What a symbol type supplies is a block table per size and level (BlockTable): the total number
// of codewords, the number of blocks and the check codewords per block. The data codewords are
// split as the standard's tables list them: the first blocks ("short") hold one data codeword
// fewer than the others ("long"), all with the same number of check codewords. QR Code
// (clsQRCapacity), Micro QR (one block) and rMQR (ISO/IEC 23941 Table 8) all have that form.
class clsCodewordBlocks {
public:
    // ---- A block table ----
    struct BlockTable {
        std::int32_t Total = 0;       // codewords of the symbol
        std::int32_t Blocks = 0;      // error-correction blocks (>= 1 for a symbol)
        std::int32_t EccPerBlock = 0; // check codewords of every block

        std::int32_t DataCodewords() const { return Total - Blocks * EccPerBlock; }
        // Data codewords of a long block: the data codewords divided among the blocks, rounded up.
        std::int32_t LongLength() const { return (DataCodewords() + Blocks - 1) / Blocks; }
        // Blocks holding LongLength() - 1 data codewords; they come first.
        std::int32_t ShortBlocks() const {
            return DataCodewords() % Blocks > 0 ? Blocks - DataCodewords() % Blocks : 0;
        }
    };

    // Entries of a block array: the longest block of any QR version and level has 153 codewords.
    static constexpr std::int32_t BlockArrayLength = 256;

    // The pad codewords of clause 7.4.10, appended alternately.
    static constexpr std::uint8_t PadCodewords[2] = {0xEC, 0x11};

    // Fills codewords[firstFree .. dataCodewords-1] with the pad codewords alternately, starting
    // with 0xEC (nothing when firstFree >= dataCodewords).
    static void Pad(std::uint8_t* codewords, std::int32_t firstFree, std::int32_t dataCodewords);

    // Computes the check codewords of every block of data (table.DataCodewords() bytes, in stream
    // order: block 0 first) and writes the final sequence of table.Total codewords to sequence: the
    // data codewords column by column across the blocks (the last column only from the long
    // blocks), then the check codewords likewise. reedSolomon is set up for the table's blocks
    // (generator of degree EccPerBlock over field). table.Blocks >= 1 and every block no longer
    // than BlockArrayLength. Over GF(2^8) the checks of each block are computed from its bytes
    // straight into their places (clsReedSolomon::ComputeEccBytes); the block arrays and
    // ComputeEcc, the plain form, serve other fields.
    static void Interleave(const BlockTable& table, const std::uint8_t* data,
                           std::uint8_t* sequence, clsReedSolomon& reedSolomon,
                           const std::shared_ptr<clsFiniteField>& field);
};

} // namespace ostrel
