// Logos over QR Code symbols of versions 2 to 40 at every level and several sizes, as the PNG
// writer composites them: every logo the area accepts is read back exactly by zxing-cpp, ZBar
// and OpenCV's WeChat reader (the picture a worst case: black and white noise, which a
// reader's binariser turns into wrong modules), every one it refuses is over budget by the brute
// force (LogoBruteForce). Prints the table of docs/logo.md.
#include "LogoBruteForce.h"
#include "LogoComposite.h"
#include "PeerReaders.h"
#include "clsLogoArea.h"
#include "clsSymbolEncoder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <random>
#include <string>

namespace ostrel {
namespace {

constexpr std::int32_t kScale = 3;
constexpr std::int32_t kQuietZone = 4;
constexpr std::int32_t kMargin = 1;
const std::string kText = "EXAMPLE.COM/SHOP/42"; // 2-H holds 20 such characters

struct Tally {
    int Tried = 0;
    int Accepted = 0;
    int ZXing = 0;
    int ZBar = 0;
    int WeChat = 0;
    int OverBudget = 0;
    int ReachesFunction = 0;
};

render::LogoOverlay NoiseLogo(const clsLogoArea::Plan& plan, std::mt19937& rng) {
    render::LogoOverlay logo;
    logo.X = plan.Logo.X;
    logo.Y = plan.Logo.Y;
    logo.Side = plan.Logo.Side;
    logo.Pixels = plan.Logo.Side * kScale;
    logo.Function = clsLogoArea::FunctionModules(Symbology::QR, plan.Version);
    for (std::int32_t i = 0; i < logo.Pixels * logo.Pixels; ++i) {
        const auto grey = static_cast<std::uint8_t>(rng() % 2 == 0 ? 0 : 255);
        logo.Rgba.insert(logo.Rgba.end(), {grey, grey, grey, 255});
    }
    return logo;
}

clsQRCode::Symbol Encode(std::int32_t version, std::int32_t level) {
    clsSymbolEncoder encoder;
    clsSymbolEncoder::Settings settings;
    settings.Version = version;
    settings.Level = level;
    auto outcome = encoder.Encode(
        std::span(reinterpret_cast<const std::uint8_t*>(kText.data()), kText.size()), settings);
    return outcome.Symbol.value_or(clsQRCode::Symbol{});
}

// The pictures of the accepted symbols, by name, for the WeChat reader, and the row of each.
struct Pictures {
    QTemporaryDir Folder;
    std::map<std::string, std::string> Rows;
};

// The accepted symbol drawn with the logo, read by zxing-cpp and ZBar and kept for WeChat.
void ReadBack(const clsQRCode::Symbol& symbol, const clsLogoArea::Plan& plan, std::mt19937& rng,
              Tally& tally, const std::string& name, Pictures& pictures) {
    clsQRCode::Symbol printed = symbol;
    clsLogoArea::Clear(printed, plan);
    const std::string png =
        render::LogoComposite::Png(printed, NoiseLogo(plan, rng), kScale, kQuietZone, render::Black,
                                   render::White, std::nullopt);
    const QByteArray bytes = QByteArray::fromStdString(png);
    const QImage picture = QImage::fromData(bytes, "PNG");
    ASSERT_FALSE(picture.isNull()) << name;
    const auto zxing = test::ReadWithZXing(picture);
    const auto zbar = test::ReadWithZBar(picture, test::ZBarData::Binary);
    tally.ZXing += zxing && zxing->Bytes == kText ? 1 : 0;
    tally.ZBar += zbar && *zbar == kText ? 1 : 0;
    EXPECT_TRUE(zxing && zxing->Bytes == kText) << name << " not read by zxing-cpp";
    EXPECT_TRUE(zbar && *zbar == kText) << name << " not read by ZBar";
    QFile file(pictures.Folder.filePath(QString::fromStdString(name) + ".png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// OpenCV's WeChat reader over every kept picture (tests/tools/logo/wechat-read.py).
void ReadWithWeChat(const Pictures& pictures, std::map<std::string, Tally>& rows) {
    QProcess wechat;
    wechat.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(OSTREL_WECHAT_SCRIPT), pictures.Folder.path(),
                  QString::fromStdString(kText)});
    ASSERT_TRUE(wechat.waitForFinished(300000));
    ASSERT_EQ(wechat.exitCode(), 0) << "OpenCV's WeChat reader (python3-opencv): "
                                    << wechat.readAllStandardError().toStdString();
    std::size_t lines = 0;
    for (const QByteArray& line : wechat.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2) {
            ++lines;
            const std::string name = fields[0].toStdString();
            rows[pictures.Rows.at(name)].WeChat += fields[1] == "read" ? 1 : 0;
            EXPECT_EQ(fields[1], "read") << name << " not read by WeChat";
        }
    }
    EXPECT_EQ(lines, pictures.Rows.size());
}

std::string TableRow(const std::string& label, const Tally& t) {
    return "| " + label + " | " + std::to_string(t.Tried) + " | " + std::to_string(t.Accepted) +
           " | " + std::to_string(t.ZXing) + " | " + std::to_string(t.ZBar) + " | " +
           std::to_string(t.WeChat) + " | " + std::to_string(t.OverBudget) + " | " +
           std::to_string(t.ReachesFunction) + " |\n";
}

// One symbol with one logo size and budget: read back when accepted, checked by the brute force
// either way.
void SweepOne(const clsQRCode::Symbol& symbol, double size, std::int32_t budget, std::mt19937& rng,
              std::map<std::string, Tally>& rows, Pictures& pictures) {
    const char* levels = "LMQH";
    const char level = levels[symbol.Level - 1];
    char label[48];
    std::snprintf(label, sizeof label, "%d%%, %c, %.2f", budget, level, size);
    const std::string name = std::to_string(symbol.Version) + level + "-" +
                             std::to_string(static_cast<int>(size * 100)) + "-" +
                             std::to_string(budget);
    Tally& tally = rows[label];
    ++tally.Tried;
    const auto plan = clsLogoArea::Measure(Symbology::QR, symbol.Version, symbol.Level,
                                           {size, kMargin, budget, false});
    const clsLogoArea::Square& c = plan.Cleared;
    if (plan.Result == clsLogoArea::Verdict::ReachesFunction) {
        ++tally.ReachesFunction;
    } else if (plan.Result == clsLogoArea::Verdict::OverBudget) {
        ++tally.OverBudget;
        EXPECT_FALSE(test::BruteForceFits(symbol, c.X, c.Y, c.Side, budget)) << name;
    } else {
        ++tally.Accepted;
        EXPECT_TRUE(test::BruteForceFits(symbol, c.X, c.Y, c.Side, budget)) << name;
        pictures.Rows[name] = label;
        ReadBack(symbol, plan, rng, tally, name, pictures);
    }
}

TEST(LogoSweepTest, AcceptedLogosReadBackAndRefusedOnesAreOverBudget) {
    std::mt19937 rng(4242);
    std::map<std::string, Tally> rows;
    Pictures pictures;
    ASSERT_TRUE(pictures.Folder.isValid());
    for (std::int32_t version = 2; version <= 40; ++version) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            const clsQRCode::Symbol symbol = Encode(version, level);
            ASSERT_EQ(symbol.Version, version);
            for (const double size : {0.15, 0.2, 0.25, 0.3}) {
                SweepOne(symbol, size, 50, rng, rows, pictures);
            }
            // The whole correction used: the capacity arithmetic at its edge.
            for (const double size : {0.2, 0.3}) {
                SweepOne(symbol, size, 100, rng, rows, pictures);
            }
        }
    }
    ReadWithWeChat(pictures, rows);
    std::string table =
        "| budget, level, logo size | symbols | accepted | read by zxing-cpp | read by "
        "ZBar | read by WeChat | refused: over budget | refused: reaches a function pattern |\n"
        "|---|---|---|---|---|---|---|---|\n";
    Tally all;
    for (const auto& [label, t] : rows) {
        table += TableRow(label, t);
        all.Tried += t.Tried;
        all.Accepted += t.Accepted;
        all.ZXing += t.ZXing;
        all.ZBar += t.ZBar;
        all.WeChat += t.WeChat;
        all.OverBudget += t.OverBudget;
        all.ReachesFunction += t.ReachesFunction;
    }
    table += TableRow("all", all);
    std::fputs(table.c_str(), stdout);
    EXPECT_GT(all.Accepted, all.Tried / 3); // the sweep tests something
}

} // namespace
} // namespace ostrel
