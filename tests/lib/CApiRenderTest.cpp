// The C interface's files against the tool: every format, symbology and size, colour and
// quiet-zone setting gives the bytes that ostrel-qr-cli writes with the same options, and a
// setting the tool refuses is refused here too. zxing-cpp reads the pictures back.
#include <ostrel/qr.h>

#include "CliRunner.h"
#include "PeerReaders.h"
#include "TestFiles.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using ostrel::test::RunCli;

using SymbolPointer = std::unique_ptr<ostrel_qr_symbol, decltype(&ostrel_qr_symbol_free)>;

struct Symbology {
    int Number;
    QStringList Arguments; // the same symbol from the tool
};

const Symbology Symbologies[] = {
    {OSTREL_QR_SYMBOLOGY_QR, {"--symbology", "qr", "--level", "Q", "--mask", "auto"}},
    {OSTREL_QR_SYMBOLOGY_MICRO_QR, {"--symbology", "micro", "--level", "L", "--mask", "auto"}},
    {OSTREL_QR_SYMBOLOGY_RMQR, {"--symbology", "rmqr", "--level", "M"}},
};

const char* const FormatNames[] = {"png", "svg", "pdf", "eps", "bmp", "matrix", "utf8", "ansi"};

// A render setting in both languages.
struct Setting {
    std::function<void(ostrel_qr_render_options&)> Set;
    QStringList Arguments;
};

const std::vector<Setting>& Settings() {
    static const std::vector<Setting> settings = {
        {[](ostrel_qr_render_options&) {}, {}},
        {[](ostrel_qr_render_options& o) { o.scale = 3; }, {"--scale", "3"}},
        {[](ostrel_qr_render_options& o) {
             o.module_size = 0.5;
             o.unit = OSTREL_QR_UNIT_MILLIMETRE;
             o.dpi = 300;
         },
         {"--module-size", "0.5mm", "--dpi", "300"}},
        {[](ostrel_qr_render_options& o) {
             o.size = 1.2;
             o.unit = OSTREL_QR_UNIT_INCH;
         },
         {"--size", "1.2in"}},
        {[](ostrel_qr_render_options& o) {
             o.size = 3;
             o.unit = OSTREL_QR_UNIT_CENTIMETRE;
         },
         {"--size", "3cm"}},
        {[](ostrel_qr_render_options& o) { o.dpi = 150; }, {"--dpi", "150"}},
        {[](ostrel_qr_render_options& o) {
             o.foreground = 0x1A237EFFU;
             o.background = 0xFFFFFF80U;
         },
         {"--foreground", "1a237eff", "--background", "ffffff80"}},
        {[](ostrel_qr_render_options& o) { o.cmyk = 1; }, {"--cmyk"}},
        {[](ostrel_qr_render_options& o) { o.invert = 1; }, {"--invert"}},
        {[](ostrel_qr_render_options& o) { o.quiet_zone = 0; }, {"--margin", "0"}},
        {[](ostrel_qr_render_options& o) { o.scale = 101; }, {"--scale", "101"}},
        {[](ostrel_qr_render_options& o) {
             o.module_size = 0.01;
             o.unit = OSTREL_QR_UNIT_MILLIMETRE;
             o.dpi = 72;
         },
         {"--module-size", "0.01mm", "--dpi", "72"}},
    };
    return settings;
}

SymbolPointer Encode(const std::string& text, int symbology) {
    ostrel_qr_options options;
    ostrel_qr_options_init(&options);
    options.symbology = symbology;
    options.level = symbology == OSTREL_QR_SYMBOLOGY_QR         ? OSTREL_QR_LEVEL_Q
                    : symbology == OSTREL_QR_SYMBOLOGY_MICRO_QR ? OSTREL_QR_LEVEL_L
                                                                : OSTREL_QR_LEVEL_M;
    options.mask = OSTREL_QR_MASK_AUTO;
    ostrel_qr_symbol* symbol = nullptr;
    EXPECT_EQ(ostrel_qr_encode(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                               &options, &symbol),
              OSTREL_QR_OK);
    return SymbolPointer(symbol, &ostrel_qr_symbol_free);
}

// The file from the C interface, or its error code.
int Render(const ostrel_qr_symbol* symbol, const ostrel_qr_render_options& options,
           std::string& file) {
    unsigned char* memory = nullptr;
    size_t length = 99;
    const int code = ostrel_qr_render(symbol, &options, &memory, &length);
    if (code != OSTREL_QR_OK) {
        EXPECT_EQ(memory, nullptr);
        EXPECT_EQ(length, 0U);
        return code;
    }
    file.assign(reinterpret_cast<const char*>(memory), length);
    ostrel_qr_free(memory);
    return code;
}

TEST(CApiRender, EveryFormatAndSettingGivesTheToolsBytesOrItsRefusal) {
    const std::string text = "HELLO 123";
    int written = 0;
    for (const Symbology& symbology : Symbologies) {
        const SymbolPointer symbol = Encode(text, symbology.Number);
        ASSERT_NE(symbol, nullptr);
        for (int format = 0; format < static_cast<int>(std::size(FormatNames)); ++format) {
            for (std::size_t index = 0; index < Settings().size(); ++index) {
                ostrel_qr_render_options options;
                ostrel_qr_render_options_init(&options);
                options.format = format;
                Settings()[index].Set(options);
                QStringList arguments = symbology.Arguments;
                arguments << "--format" << FormatNames[format] << Settings()[index].Arguments
                          << "-o"
                          << "-" << QString::fromStdString(text);
                const auto tool = RunCli(arguments);
                std::string file;
                const int code = Render(symbol.get(), options, file);
                const std::string where = arguments.join(' ').toStdString();
                ASSERT_FALSE(tool.Crashed) << where;
                if (tool.ExitCode != 0) {
                    EXPECT_TRUE(code == OSTREL_QR_ERROR_INVALID_RENDER_OPTION ||
                                code == OSTREL_QR_ERROR_SIZE)
                        << where << ": the tool refuses (" << tool.Err.toStdString()
                        << ") but the library answers " << code;
                    continue;
                }
                ASSERT_EQ(code, OSTREL_QR_OK) << where << ": " << ostrel_qr_error_message(code);
                EXPECT_EQ(file, tool.Out.toStdString()) << where;
                ++written;
            }
        }
    }
    // Most settings suit most formats: the sweep must not pass by refusing everything.
    EXPECT_GT(written, 120);
}

TEST(CApiRender, PicturesReadBackAndFilesAreWrittenWholeOrNotAtAll) {
    const std::string text = "https://example.com/ostrel?q=0123456789";
    const SymbolPointer symbol = Encode(text, OSTREL_QR_SYMBOLOGY_QR);
    ostrel_qr_render_options options;
    ostrel_qr_render_options_init(&options);
    options.scale = 4;
    for (const int format : {OSTREL_QR_FORMAT_PNG, OSTREL_QR_FORMAT_BMP}) {
        options.format = format;
        std::string file;
        ASSERT_EQ(Render(symbol.get(), options, file), OSTREL_QR_OK);
        QImage picture;
        ASSERT_TRUE(picture.loadFromData(reinterpret_cast<const uchar*>(file.data()),
                                         static_cast<int>(file.size())));
        const auto reading = ostrel::test::ReadWithZXing(picture);
        ASSERT_TRUE(reading.has_value()) << "format " << format;
        EXPECT_EQ(reading->Text, text);
    }

    QTemporaryDir folder;
    const std::string path = QDir(folder.path()).filePath("symbol.png").toStdString();
    options.format = OSTREL_QR_FORMAT_PNG;
    std::string expected;
    ASSERT_EQ(Render(symbol.get(), options, expected), OSTREL_QR_OK);
    ASSERT_EQ(ostrel_qr_render_file(symbol.get(), &options, path.c_str()), OSTREL_QR_OK);
    EXPECT_EQ(ostrel::test::ReadFile(QString::fromStdString(path)).toStdString(), expected);
    // A refused size and a missing folder leave the file as it was, and nothing beside it.
    options.scale = 0;
    EXPECT_EQ(ostrel_qr_render_file(symbol.get(), &options, path.c_str()),
              OSTREL_QR_ERROR_INVALID_RENDER_OPTION);
    options.scale = 4;
    const std::string missing = QDir(folder.path()).filePath("no/such.png").toStdString();
    errno = 0;
    EXPECT_EQ(ostrel_qr_render_file(symbol.get(), &options, missing.c_str()),
              OSTREL_QR_ERROR_WRITE);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(ostrel::test::ReadFile(QString::fromStdString(path)).toStdString(), expected);
    EXPECT_EQ(ostrel::test::Entries(folder), QStringList{"symbol.png"});
}

TEST(CApiRender, BadArgumentsAreRefusedWithTheirCodeAndNothingHandedOut) {
    const SymbolPointer symbol = Encode("abc", OSTREL_QR_SYMBOLOGY_QR);
    ostrel_qr_render_options options;
    std::memset(&options, 0x5A, sizeof options);
    ostrel_qr_render_options_init(&options);
    std::string file;
    EXPECT_EQ(Render(nullptr, options, file), OSTREL_QR_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(ostrel_qr_render(symbol.get(), nullptr, nullptr, nullptr),
              OSTREL_QR_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(ostrel_qr_render_file(symbol.get(), &options, nullptr),
              OSTREL_QR_ERROR_NULL_ARGUMENT);
    const std::vector<std::function<void(ostrel_qr_render_options&)>> faults = {
        [](ostrel_qr_render_options& o) { o.format = 8; },
        [](ostrel_qr_render_options& o) { o.unit = -1; },
        [](ostrel_qr_render_options& o) { o.quiet_zone = 65; },
        [](ostrel_qr_render_options& o) { o.dpi = 2401; },
        [](ostrel_qr_render_options& o) { o.module_size = -1; },
        [](ostrel_qr_render_options& o) { o.size = 1.0 / 0.0; },
        [](ostrel_qr_render_options& o) { o.module_size = o.size = 1; },
        [](ostrel_qr_render_options& o) { o.cmyk = 2; },
        [](ostrel_qr_render_options& o) { o.reserved[7] = 1; },
    };
    for (std::size_t index = 0; index < faults.size(); ++index) {
        ostrel_qr_render_options bad = options;
        faults[index](bad);
        EXPECT_EQ(Render(symbol.get(), bad, file), OSTREL_QR_ERROR_INVALID_RENDER_OPTION)
            << "fault " << index;
    }
}

} // namespace
