#include "clsCodewordBlocks.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ostrel {

namespace {

using Block = std::array<std::int32_t, clsCodewordBlocks::BlockArrayLength>;

// Copies the data codewords of block b into the sequence (codeword i of the block at i x Blocks +
// b; the last of a long block after all full columns, among the long blocks only) and into the
// block array as a polynomial: the first codeword at the highest index, the last at index ec.
void LoadBlock(const clsCodewordBlocks::BlockTable& table, std::int32_t b, const std::uint8_t* data,
               std::uint8_t* sequence, Block& block) {
    const std::int32_t nb = table.Blocks;
    const std::int32_t ec = table.EccPerBlock;
    const std::int32_t longLength = table.LongLength();
    const std::int32_t shortBlocks = table.ShortBlocks();
    const std::int32_t blockLength = b < shortBlocks ? longLength - 1 : longLength;
    block[static_cast<std::size_t>(longLength + ec - 1)] = 0;
    std::int32_t* const top = block.data() + blockLength + ec - 1;
    for (std::int32_t i = 0; i < longLength - 1; ++i) {
        sequence[i * nb + b] = data[i];
        top[-i] = data[i];
    }
    if (blockLength == longLength) {
        const std::uint8_t value = data[longLength - 1];
        sequence[(longLength - 1) * nb + (b - shortBlocks)] = value;
        top[-(longLength - 1)] = value;
    }
}

// Check codeword k of block b (block array element ec - 1 - k) goes to dc + k x Blocks + b.
void StoreChecks(const clsCodewordBlocks::BlockTable& table, std::int32_t b, const Block& block,
                 std::uint8_t* sequence) {
    // (Held in locals: the stores through sequence could otherwise alias the table.)
    const std::int32_t nb = table.Blocks;
    const std::int32_t ec = table.EccPerBlock;
    std::uint8_t* const checks = sequence + table.DataCodewords() + b;
    for (std::int32_t k = 0; k < ec; ++k) {
        checks[static_cast<std::ptrdiff_t>(k) * nb] =
            static_cast<std::uint8_t>(block[static_cast<std::size_t>(ec - 1 - k)]);
    }
}

// The data codewords of the blocks (one after the other in data) into sequence column by column,
// the last column only from the long blocks.
void InterleaveData(const clsCodewordBlocks::BlockTable& table, const std::uint8_t* data,
                    std::uint8_t* sequence) {
    const std::int32_t nb = table.Blocks;
    const std::int32_t longLength = table.LongLength();
    const std::int32_t shortBlocks = table.ShortBlocks();
    std::int32_t next = 0;
    for (std::int32_t b = 0; b < nb; ++b) {
        const std::uint8_t* const block = data + next;
        for (std::int32_t i = 0; i < longLength - 1; ++i) {
            sequence[i * nb + b] = block[i];
        }
        if (b >= shortBlocks) {
            sequence[(longLength - 1) * nb + (b - shortBlocks)] = block[longLength - 1];
        }
        next += b < shortBlocks ? longLength - 1 : longLength;
    }
}

// Blocks from this many on go through the lanes where the processor has them: below it the
// pairs of word or vector registers cost less than a lane register's steps.
constexpr std::int32_t kLaneBlocks = 3;

// The pipeline's form of Interleave: each block's check codewords computed straight from its
// bytes into their places in the sequence (clsReedSolomon::ComputeEccBytes, or all blocks at once
// in the lanes), its data codewords copied to theirs; false when the coder has no byte form for
// its field (the caller then writes every codeword of the sequence its own way).
bool InterleaveBytes(const clsCodewordBlocks::BlockTable& table, const std::uint8_t* data,
                     std::uint8_t* sequence, const clsReedSolomon& reedSolomon) {
    const std::int32_t nb = table.Blocks;
    const std::int32_t longLength = table.LongLength();
    const std::int32_t shortBlocks = table.ShortBlocks();
    std::uint8_t* const checks = sequence + table.DataCodewords();
    if (nb == 1) {
        // One block (Micro QR, QR version 1 and 2, small rMQR): its data, then its checks.
        if (!reedSolomon.ComputeEccBytes(data, longLength, checks, 1)) {
            return false;
        }
        std::memcpy(sequence, data, static_cast<std::size_t>(longLength));
        return true;
    }
    if (nb >= kLaneBlocks && clsReedSolomon::LanesAvailable()) {
        // The data first: the lanes read their columns from the interleaved sequence.
        InterleaveData(table, data, sequence);
        if (reedSolomon.ComputeEccInterleaved(sequence, nb, shortBlocks, longLength, checks)) {
            return true;
        }
    }
    // Blocks two at a time, so that their divisions run side by side.
    std::int32_t next = 0; // next data codeword of the stream
    for (std::int32_t b = 0; b < nb; b += 2) {
        std::array<clsReedSolomon::ByteBlock, 2> pair{};
        for (std::int32_t j = 0; j < 2 && b + j < nb; ++j) {
            const std::int32_t length = b + j < shortBlocks ? longLength - 1 : longLength;
            pair[static_cast<std::size_t>(j)] = {data + next, length, checks + b + j};
            next += length;
        }
        if (!reedSolomon.ComputeEccBytesPair(pair[0], pair[1], nb)) {
            return false; // the same for every pair: nothing has been written
        }
    }
    InterleaveData(table, data, sequence);
    return true;
}

} // namespace

void clsCodewordBlocks::Pad(std::uint8_t* codewords, std::int32_t firstFree,
                            std::int32_t dataCodewords) {
    for (std::int32_t c = firstFree; c < dataCodewords; ++c) {
        codewords[c] = PadCodewords[(c - firstFree) & 1];
    }
}

void clsCodewordBlocks::Interleave(const BlockTable& table, const std::uint8_t* data,
                                   std::uint8_t* sequence, clsReedSolomon& reedSolomon,
                                   const std::shared_ptr<clsFiniteField>& field) {
    const std::int32_t nb = table.Blocks;
    const std::int32_t longLength = table.LongLength();
    const std::int32_t shortBlocks = table.ShortBlocks();
    // Every block, short or long, with one generator of degree ec.
    if (!reedSolomon.SetUpFor(longLength, table.EccPerBlock, field.get())) {
        reedSolomon.Init(longLength, table.EccPerBlock, field, 0, 0);
    }
    if (InterleaveBytes(table, data, sequence, reedSolomon)) {
        return;
    }
    // Blocks are taken two at a time, so that their divisions run side by side.
    std::array<Block, 2> blocks{};
    std::int32_t next = 0; // next data codeword of the stream
    for (std::int32_t first = 0; first < nb; first += 2) {
        const std::int32_t count = std::min(2, nb - first);
        for (std::int32_t j = 0; j < count; ++j) {
            const std::int32_t b = first + j;
            LoadBlock(table, b, data + next, sequence, blocks[static_cast<std::size_t>(j)]);
            next += b < shortBlocks ? longLength - 1 : longLength;
        }
        if (count == 2) {
            reedSolomon.ComputeEccPair(blocks[0], blocks[1]);
        } else {
            reedSolomon.ComputeEcc(blocks[0]);
        }
        for (std::int32_t j = 0; j < count; ++j) {
            StoreChecks(table, first + j, blocks[static_cast<std::size_t>(j)], sequence);
        }
    }
}

} // namespace ostrel
