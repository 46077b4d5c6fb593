// The deflate coder of repeated rows against zlib's inflate (an independent decoder, which also
// checks the Adler-32): every shape of band, every split of a long match, blocks of their own
// Huffman codes, windows the bands do not fit in.
#include "RowDeflater.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ostrel::render::RowDeflater;

// A first row as a picture makes them: filter byte 0, then runs of a few byte values (runs up
// to 600 bytes, so that a run crosses the longest match), or a stretch of the row before.
std::vector<std::uint8_t> RandomRow(std::mt19937& random, std::size_t size,
                                    const std::vector<std::uint8_t>& before) {
    static const std::uint8_t Values[] = {0x00, 0xFF, 0x0F, 0xF0, 0x3C, 0x81, 0x02};
    const std::size_t alphabet = 2 + random() % 6;
    std::vector<std::uint8_t> row(size);
    for (std::size_t i = 1; i < size;) {
        const std::size_t run = std::min<std::size_t>(size - i, 1 + random() % (i % 5 ? 9 : 600));
        const bool up = !before.empty() && random() % 3 == 0;
        const std::uint8_t value = Values[random() % alphabet];
        for (std::size_t k = i; k < i + run; ++k) {
            row[k] = up ? before[k] : value;
        }
        i += run;
    }
    return row;
}

// The stream inflated by zlib (which checks the Adler-32), or an empty vector when zlib refuses
// it or it holds more than expected bytes.
std::vector<std::uint8_t> Inflate(std::string_view stream, std::size_t expected) {
    std::vector<std::uint8_t> inflated(expected + 1);
    uLongf size = static_cast<uLongf>(inflated.size());
    if (uncompress(inflated.data(), &size, reinterpret_cast<const Bytef*>(stream.data()),
                   static_cast<uLong>(stream.size())) != Z_OK) {
        return {};
    }
    inflated.resize(size);
    return inflated;
}

TEST(RowDeflater, InflatesToTheFilteredRowsOfEveryShapeOfBand) {
    // Rows up to 2 bytes past the longest match (259-261: the split that must not leave 1 or 2
    // bytes), rows whose band is longer than the 32 KiB window (16385 with a repeat), a row
    // longer than the window (33000); 0 to 7 repeated rows.
    const std::size_t rowSizes[] = {2,   3,   4,   5,   6,   22,  38,   87,    129,  130,
                                    258, 259, 260, 261, 262, 517, 4100, 16385, 33000};
    std::mt19937 random(30);
    RowDeflater reused;
    for (const std::size_t rowSize : rowSizes) {
        for (const std::size_t repeats : {0, 1, 2, 3, 7}) {
            const std::size_t bands = std::max<std::size_t>(2, 400000 / (rowSize * (repeats + 1)));
            std::vector<std::uint8_t> plain;
            std::vector<std::uint8_t> row;
            RowDeflater fresh;
            const bool search = (rowSize + repeats) % 2 == 0; // both ways for most shapes
            fresh.Begin(rowSize, repeats, search);
            reused.Begin(rowSize, repeats, search);
            for (std::size_t b = 0; b < std::min<std::size_t>(bands, 40); ++b) {
                row = b % 4 == 3 ? row : RandomRow(random, rowSize, row); // a band may repeat
                fresh.AddBand(row.data());
                reused.AddBand(row.data());
                plain.insert(plain.end(), row.begin(), row.end());
                for (std::size_t r = 0; r < repeats; ++r) {
                    plain.push_back(2);
                    plain.resize(plain.size() + rowSize - 1);
                }
            }
            const std::string stream(fresh.Finish());
            EXPECT_EQ(Inflate(stream, plain.size()), plain)
                << "row " << rowSize << ", repeats " << repeats;
            // The same rows give the same bytes, whatever the object coded before.
            EXPECT_EQ(reused.Finish(), stream) << "row " << rowSize << ", repeats " << repeats;
            // Repeated rows are matches: the stream is smaller than the first rows alone.
            EXPECT_LT(stream.size(), plain.size() / (repeats + 1) + 200)
                << "row " << rowSize << ", repeats " << repeats;
        }
    }
}

// A picture of random bytes: more literals than one block holds, so the stream has several
// blocks, each with its own codes, the matches of a later block reaching into the one before.
TEST(RowDeflater, ManyBlocksOfTheirOwnCodes) {
    std::mt19937 random(1950);
    const std::size_t rowSize = 3001;
    RowDeflater deflater;
    deflater.Begin(rowSize, 3, true);
    std::vector<std::uint8_t> plain;
    std::vector<std::uint8_t> row(rowSize);
    for (int band = 0; band < 30; ++band) {
        for (std::size_t i = 1; i < rowSize; ++i) {
            row[i] = static_cast<std::uint8_t>(band < 10 ? random() : random() % 3);
        }
        deflater.AddBand(row.data());
        plain.insert(plain.end(), row.begin(), row.end());
        for (int r = 0; r < 3; ++r) {
            plain.push_back(2);
            plain.resize(plain.size() + rowSize - 1);
        }
    }
    ASSERT_GT(30 * rowSize, 3 * RowDeflater::BlockTokens);
    EXPECT_EQ(Inflate(deflater.Finish(), plain.size()), plain);
}

// Rows of 10923 bytes: the fourth repeats the first, 32769 bytes back, one byte beyond the
// window; the two between are one byte, so the hash still holds the first row's positions.
TEST(RowDeflater, HashSearchStaysWithinTheWindow) {
    std::mt19937 random(32768);
    const std::size_t rowSize = 10923;
    std::vector<std::uint8_t> first(rowSize);
    for (std::size_t i = 1; i < rowSize; ++i) {
        first[i] = static_cast<std::uint8_t>(random());
    }
    std::vector<std::uint8_t> same(rowSize, 0x55);
    same[0] = 0;
    RowDeflater deflater;
    deflater.Begin(rowSize, 0, true);
    std::vector<std::uint8_t> plain;
    for (const auto* row : {&first, &same, &same, &first}) {
        deflater.AddBand(row->data());
        plain.insert(plain.end(), row->begin(), row->end());
    }
    EXPECT_EQ(Inflate(deflater.Finish(), plain.size()), plain);
}

} // namespace
