// Whole Micro QR and rMQR symbols against zint, module for module, and read back by zxing-wasm.
//
// With the version (size), level and mask forced, input of one mode gives one segment in both
// encoders, so the symbols must be identical: every Micro QR version x level x mask and every
// rMQR size x level, with random data of each allowed mode at three lengths (one character,
// half and all of the capacity). Every symbol is also written as a PNG file with the 2-module
// quiet zone and read back by zxing-wasm in one node process per test, which must return exactly
// the data. The automatic choices are held against zint's: the Micro QR mask (the edge
// evaluation) must be the same, and the automatic size never larger.
#include "PngFile.h"
#include "SmallSymbolData.h"
#include "ZintOracle.h"
#include "ZxingWasmReader.h"
#include "clsMicroQRCode.h"
#include "clsMicroQRTable.h"
#include "clsRMQRCode.h"
#include "clsRMQRTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::ZintSymbol;

// Module differences between our symbol and zint's (all of them when the sizes differ).
std::int32_t Differences(const clsQRCode::Symbol& ours, const ZintSymbol& zint) {
    if (ours.Columns() != zint.Width || ours.Rows() != zint.Height) {
        return ours.Columns() * ours.Rows() + 1;
    }
    std::int32_t count = 0;
    for (std::int32_t y = 0; y < zint.Height; ++y) {
        for (std::int32_t x = 0; x < zint.Width; ++x) {
            count += ours.At(x, y) != zint.At(x, y) ? 1 : 0;
        }
    }
    return count;
}

// The lengths of a sweep for a capacity: one character, half, all of it.
std::vector<std::int32_t> SweepLengths(std::int32_t capacity) {
    std::vector<std::int32_t> lengths = {1};
    if (capacity / 2 > 1) {
        lengths.push_back(capacity / 2);
    }
    if (capacity > 1) {
        lengths.push_back(capacity);
    }
    return lengths;
}

// Symbols written as PNG files into a folder of their own, with the data each must read back as,
// read by zxing-wasm in one go.
class ReadBack {
public:
    explicit ReadBack(const std::string& name)
        : m_Folder(std::filesystem::temp_directory_path() /
                   (name + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                    "-" + std::to_string(std::random_device()()))) {
        std::filesystem::create_directories(m_Folder);
    }
    ~ReadBack() { std::filesystem::remove_all(m_Folder); }
    ReadBack(const ReadBack&) = delete;
    ReadBack& operator=(const ReadBack&) = delete;

    void Add(const clsQRCode::Symbol& symbol, std::vector<std::uint8_t> data, std::string format,
             std::string version, std::string what) {
        const std::string path = (m_Folder / (std::to_string(m_Files.size()) + ".png")).string();
        ASSERT_TRUE(test::WriteModulePng(
            path, symbol.Columns(), symbol.Rows(),
            [&](std::int32_t x, std::int32_t y) { return symbol.At(x, y) != 0; },
            clsMicroQRTable::QuietZone, 3));
        m_Files.push_back(path);
        m_Expected.push_back(
            {std::move(data), std::move(format), std::move(version), std::move(what)});
    }

    // Every file read, as what it was made as.
    void Check() const {
        if (test::ZxingWasmReaderPath().empty()) {
            GTEST_SKIP() << "zxing-wasm not installed (run the ctest fixture zxing_wasm_setup)";
        }
        const auto readings = test::ReadWithZxingWasm(m_Files, true);
        ASSERT_EQ(readings.size(), m_Files.size()) << "zxing-wasm could not be run";
        std::int32_t failures = 0;
        for (std::size_t k = 0; k < readings.size(); ++k) {
            const auto& expected = m_Expected[k];
            const auto& reading = readings[k];
            const bool ok = reading.Read && reading.Format == expected.Format &&
                            reading.Version == expected.Version && reading.Bytes == expected.Data;
            if (!ok && ++failures <= 10) {
                ADD_FAILURE() << expected.What << ": read " << (reading.Read ? "" : "nothing ")
                              << reading.Format << " " << reading.Version << " "
                              << reading.Bytes.size() << " bytes " << reading.Error;
            }
        }
        EXPECT_EQ(failures, 0) << "of " << readings.size() << " symbols";
    }

private:
    struct Expected {
        std::vector<std::uint8_t> Data;
        std::string Format;
        std::string Version;
        std::string What;
    };
    std::filesystem::path m_Folder;
    std::vector<std::string> m_Files;
    std::vector<Expected> m_Expected;
};

std::string RMQRName(std::int32_t index) {
    return std::string("R") + std::to_string(clsRMQRTable::Height(index)) + "x" +
           std::to_string(clsRMQRTable::Width(index));
}

TEST(MicroQROracle, EveryVersionLevelMaskAndModeIsZintsSymbolAndReadsBack) {
    std::mt19937 random(1807);
    clsMicroQRCode encoder;
    ReadBack reader("micro-sweep");
    std::int32_t compared = 0;
    for (std::int32_t version = 1; version <= clsMicroQRTable::MaxVersion; ++version) {
        for (std::int32_t level = 1; level <= 3; ++level) {
            if (!clsMicroQRTable::HasLevel(version, level)) {
                continue;
            }
            for (std::int32_t mode = 0; mode < 4; ++mode) {
                const std::int32_t capacity =
                    test::Capacity(clsMicroQRTable::DataBits(version, level),
                                   clsMicroQRTable::IndicatorBits(version),
                                   clsMicroQRTable::CountBits(version, mode), mode);
                if (capacity == 0) {
                    continue;
                }
                for (const std::int32_t n : SweepLengths(capacity)) {
                    for (std::int32_t mask = 0; mask < clsMicroQRTable::MaskCount; ++mask) {
                        const auto data = test::RandomOfMode(mode, n, random);
                        const std::string what =
                            std::string("M") + std::to_string(version) + " level " +
                            std::to_string(level) + " mode " + std::to_string(mode) + " length " +
                            std::to_string(n) + " mask " + std::to_string(mask);
                        const auto ours = encoder.EncodeMatrix(
                            data, static_cast<std::int32_t>(data.size()), version, level, mask);
                        ASSERT_TRUE(ours.has_value()) << what;
                        const ZintSymbol zint =
                            test::ZintMicroQR(data, version, level, mask, mode == 3);
                        ASSERT_GT(zint.Width, 0) << what << ": " << zint.Error;
                        EXPECT_EQ(Differences(*ours, zint), 0) << what;
                        reader.Add(*ours, data, "MicroQRCode",
                                   std::string("M") + std::to_string(version), what);
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_EQ(compared, 300);
    reader.Check();
}

TEST(MicroQROracle, AutomaticMaskIsZintsEdgeEvaluation) {
    std::mt19937 random(2203);
    clsMicroQRCode encoder;
    for (std::int32_t version = 1; version <= clsMicroQRTable::MaxVersion; ++version) {
        for (std::int32_t level = 1; level <= 3; ++level) {
            if (!clsMicroQRTable::HasLevel(version, level)) {
                continue;
            }
            for (std::int32_t trial = 0; trial < 12; ++trial) {
                const auto data = test::RandomOfMode(1, 1 + trial % 4, random);
                const auto ours =
                    encoder.EncodeMatrix(data, static_cast<std::int32_t>(data.size()), version,
                                         level, clsMicroQRCode::AutomaticMask);
                ASSERT_TRUE(ours.has_value());
                const ZintSymbol zint = test::ZintMicroQR(data, version, level, -1, false);
                EXPECT_EQ(Differences(*ours, zint), 0)
                    << "M" << version << " level " << level << " trial " << trial << ": mask "
                    << ours->Mask;
            }
        }
    }
}

// Random text over digits, upper- and lower-case letters, so that the segmentations differ.
std::vector<std::uint8_t> MixedText(std::int32_t n, std::mt19937& random) {
    static const std::string alphabet = "0123456789012345ABCDEFGHIJKLMNOPabcdefgh $.:";
    std::vector<std::uint8_t> data;
    for (std::int32_t k = 0; k < n; ++k) {
        data.push_back(static_cast<std::uint8_t>(alphabet[random() % alphabet.size()]));
    }
    return data;
}

TEST(MicroQROracle, AutomaticVersionIsNeverLargerThanZints) {
    std::mt19937 random(4409);
    clsMicroQRCode encoder;
    for (std::int32_t level = 1; level <= 3; ++level) {
        for (std::int32_t n = 0; n <= clsMicroQRCode::MaxInputLength; ++n) {
            const auto data = MixedText(n, random);
            const auto ours =
                encoder.EncodeMatrix(data, n, 0, level, clsMicroQRCode::AutomaticMask);
            const ZintSymbol zint = test::ZintMicroQR(data, 0, level, -1, false);
            if (zint.Width > 0) {
                ASSERT_TRUE(ours.has_value()) << "level " << level << " length " << n;
                EXPECT_LE(ours->Side, zint.Width) << "level " << level << " length " << n;
            }
        }
    }
}

TEST(RMQROracle, EverySizeLevelAndModeIsZintsSymbolAndReadsBack) {
    std::mt19937 random(3301);
    clsRMQRCode encoder;
    ReadBack reader("rmqr-sweep");
    std::int32_t compared = 0;
    for (std::int32_t index = 0; index < clsRMQRTable::SizeCount; ++index) {
        for (const std::int32_t level : {2, 4}) {
            for (std::int32_t mode = 0; mode < 4; ++mode) {
                const std::int32_t capacity = test::Capacity(
                    8 * clsRMQRTable::DataCodewords(index, level), clsRMQRTable::IndicatorBits,
                    clsRMQRTable::CountBits(index, mode), mode);
                // One length per mode and size, from the sweep's three in turn.
                const auto lengths = SweepLengths(capacity);
                const std::int32_t n =
                    lengths[static_cast<std::size_t>(index + mode) % lengths.size()];
                const auto data = test::RandomOfMode(mode, n, random);
                const std::string what = RMQRName(index) + " level " + std::to_string(level) +
                                         " mode " + std::to_string(mode) + " length " +
                                         std::to_string(n);
                const auto ours = encoder.EncodeMatrix(data, static_cast<std::int32_t>(data.size()),
                                                       index, level);
                ASSERT_TRUE(ours.has_value()) << what;
                const ZintSymbol zint = test::ZintRMQR(data, index, level, mode == 3);
                ASSERT_GT(zint.Width, 0) << what << ": " << zint.Error;
                EXPECT_EQ(Differences(*ours, zint), 0) << what;
                reader.Add(*ours, data, "RMQRCode", RMQRName(index), what);
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 256);
    reader.Check();
}

TEST(RMQROracle, EciHeaderIsZintsAndDeclaresTheCharacterSet) {
    std::mt19937 random(5501);
    clsRMQRCode encoder;
    ReadBack reader("rmqr-eci");
    for (const std::int32_t designator : {3, 26, 899}) {
        encoder.SetEciDesignator(designator);
        for (const std::int32_t index : {1, 15, 31}) {
            const auto data = test::RandomOfMode(0, 3, random);
            const auto ours =
                encoder.EncodeMatrix(data, static_cast<std::int32_t>(data.size()), index, 2);
            ASSERT_TRUE(ours.has_value());
            const ZintSymbol zint = test::ZintRMQR(data, index, 2, false, designator);
            ASSERT_GT(zint.Width, 0) << zint.Error;
            EXPECT_EQ(Differences(*ours, zint), 0)
                << "ECI " << designator << " " << RMQRName(index);
            reader.Add(*ours, data, "RMQRCode", RMQRName(index),
                       "ECI " + std::to_string(designator));
        }
    }
    reader.Check();
}

TEST(RMQROracle, AutomaticSizeIsNeverLargerThanZints) {
    std::mt19937 random(6607);
    clsRMQRCode encoder;
    for (const std::int32_t level : {2, 4}) {
        for (std::int32_t n = 0; n <= 200; n += 1 + n / 8) {
            const auto data = MixedText(n, random);
            // Any height (0), then each height alone.
            for (std::int32_t height = 0; height <= clsRMQRTable::MaxHeight;
                 height += height == 0 ? clsRMQRTable::MinHeight : 2) {
                encoder.SetRequiredHeight(height);
                const auto ours = encoder.EncodeMatrix(data, n, clsRMQRCode::AutomaticSize, level);
                const ZintSymbol zint = test::ZintRMQR(data, -1, level, false, 0, height);
                const std::string what = "level " + std::to_string(level) + " length " +
                                         std::to_string(n) + " height " + std::to_string(height);
                if (zint.Width > 0) {
                    ASSERT_TRUE(ours.has_value()) << what;
                    EXPECT_LE(ours->Columns() * ours->Rows(), zint.Width * zint.Height) << what;
                }
                if (ours && height > 0) {
                    EXPECT_EQ(ours->Rows(), height) << what;
                }
            }
        }
    }
}

} // namespace
} // namespace ostrel
