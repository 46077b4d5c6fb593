#include "LinePipeline.h"
#include "LogoSetup.h"
#include "clsLogoArea.h"
#include "clsQRLayout.h"

#include "CliOutput.h"
#include "CodePage.h"
#include "Gs1DigitalLink.h"
#include "Gs1ElementString.h"
#include "PayloadFields.h"
#include "SymbolVerifier.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace ostrel::cli {

namespace {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsUtf8(const std::vector<std::uint8_t>& bytes) {
    return payload::PayloadFields::IsUtf8(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Whether a scanner's search found a symbol that was read back; unset when it was not read.
std::optional<bool> Detected(SymbolVerifier::Outcome outcome) {
    switch (outcome) {
    case SymbolVerifier::Outcome::Verified:
        return true;
    case SymbolVerifier::Outcome::Undetected:
        return false;
    case SymbolVerifier::Outcome::NotFound:
    case SymbolVerifier::Outcome::DifferentContent:
        break;
    }
    return std::nullopt;
}

// What a file that cannot be written means for the run: a full or read-only disk refuses every
// line after this one too.
LineResult::Status WriteFailure(int reason) {
    const bool diskRefuses = IsDiskRefusal(reason);
    return diskRefuses ? LineResult::Status::DiskFull : LineResult::Status::CannotWrite;
}

} // namespace

LinePipeline::LinePipeline(const CliOptions& options, int codePage, bool sha256)
    : m_Options(options), m_CodePage(codePage), m_Sha256(sha256) {}

LineResult LinePipeline::Run(std::span<const std::uint8_t> line, const std::string& path,
                             const SymbolPath& symbolPath, const std::string& caption) {
    std::string refusal;
    const std::vector<std::uint8_t> bytes = Bytes(line, refusal);
    if (!refusal.empty()) {
        LineResult result;
        result.Outcome = LineResult::Status::BadText;
        result.Message = refusal;
        return result;
    }
    return RunBytes(bytes, path, symbolPath, caption);
}

LineResult LinePipeline::RunBytes(const std::vector<std::uint8_t>& bytes, const std::string& path,
                                  const SymbolPath& symbolPath, const std::string& caption) {
    LineResult result;
    result.DataBytes = bytes.size();
    if (m_Sha256) {
        result.Sha256 = QCryptographicHash::hash(
                            QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                            QCryptographicHash::Sha256)
                            .toHex()
                            .toStdString();
    }
    if (m_Options.StructuredAppend && !m_Options.PrintPayload) {
        LineResult symbols = RunStructuredAppend(bytes, path, symbolPath);
        symbols.DataBytes = result.DataBytes;
        symbols.Sha256 = std::move(result.Sha256);
        return symbols;
    }
    // --print-payload: the bytes themselves are the output, no symbol is made.
    QByteArray data;
    std::optional<clsQRCode::Symbol> symbol;
    PrintSize::Resolved size;
    if (m_Options.PrintPayload) {
        data = QByteArray(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    } else {
        clsSymbolEncoder::Outcome outcome = Encode(bytes, result.DataWarning);
        if (!outcome.Symbol) {
            result.Outcome = LineResult::Status::TooLong;
            result.Message = RefusalMessage(outcome, m_Options);
            return result;
        }
        symbol = std::move(outcome.Symbol);
        result.Version = symbol->Version;
        result.Level = symbol->Level;
        result.Mask = symbol->Mask;
        if (m_KeepSymbols) {
            result.Symbol = std::move(symbol);
            result.Caption = caption;
            if (m_Options.Verify) {
                result.Encoded = bytes;
            }
            result.Outcome = LineResult::Status::Written;
            return result;
        }
        size = SymbolSize(*symbol, m_Options);
        if (!Draw(*symbol, size, caption, data, result)) {
            return result;
        }
    }
    result.Outcome = LineResult::Status::Written;
    if (path.empty()) {
        if (!symbol || Verified(*symbol, data, path, bytes, VerifyDpi(m_Options, size), result)) {
            result.Output = std::move(data);
        }
        return result;
    }
    int reason = 0;
    const std::string error = WriteWholeFile(path, data, &reason);
    if (!error.empty()) {
        result.Outcome = WriteFailure(reason);
        result.Message = error;
        return result;
    }
    if (symbol) {
        Verified(*symbol, data, path, bytes, VerifyDpi(m_Options, size), result);
    }
    return result;
}

bool LinePipeline::Draw(clsQRCode::Symbol& symbol, const PrintSize::Resolved& size,
                        const std::string& caption, QByteArray& data, LineResult& result) {
    if (!size.Error.empty()) {
        result.Outcome = LineResult::Status::CannotWrite;
        result.Message = size.Error;
        return false;
    }
    // A module size warns once for the whole run; a whole size for every symbol it fits badly.
    if (m_Options.WholeSize) {
        result.Warning = size.Warning;
    }
    std::shared_ptr<const render::LogoOverlay> logo;
    if (m_Options.Logo && !ApplyLogo(symbol, size.Pixels, logo, result)) {
        return false;
    }
    std::string captionError;
    data = SymbolOutput(symbol, m_Options, m_Renderer, size, logo, caption, &captionError);
    if (!captionError.empty()) {
        result.Outcome = LineResult::Status::BadText;
        result.Message = captionError;
        return false;
    }
    if (data.isEmpty()) {
        result.Outcome = LineResult::Status::CannotWrite;
        result.Message = "cannot make the picture";
        return false;
    }
    return true;
}

// --logo with the automatic version: the smallest version from the data's own up whose symbol
// takes the logo within its budget; the data's own when none does (the logo is then refused).
void LinePipeline::GrowForLogo(clsSymbolEncoder& encoder, const std::vector<std::uint8_t>& bytes,
                               const CliOptions& options, int codePage, bool fromText,
                               clsSymbolEncoder::Outcome& outcome) {
    const clsLogoArea::Request request{options.LogoSize.value_or(clsLogoArea::DefaultSize),
                                       options.LogoMargin, options.LogoBudget,
                                       !options.LogoSize.has_value()};
    for (std::int32_t version = outcome.Symbol->Version; version <= clsQRLayout::MaxVersion;
         ++version) {
        const auto plan =
            clsLogoArea::Measure(options.Kind, version, outcome.Symbol->Level, request);
        if (plan.Result != clsLogoArea::Verdict::Fits) {
            continue;
        }
        if (version == outcome.Symbol->Version) {
            return;
        }
        CliOptions grown = options;
        grown.Version = version;
        clsSymbolEncoder::Outcome larger =
            EncodeBytes(encoder, bytes, grown, codePage, fromText, nullptr);
        if (larger.Symbol) {
            outcome = std::move(larger);
        }
        return;
    }
}

bool LinePipeline::ApplyLogo(clsQRCode::Symbol& symbol, std::int32_t pixels,
                             std::shared_ptr<const render::LogoOverlay>& logo,
                             LineResult& result) const {
    const LogoSetup::Result applied = LogoSetup::Apply(symbol, m_Options, pixels);
    if (!applied.Error.empty()) {
        result.Outcome = LineResult::Status::TooLong;
        result.Message = applied.Error;
        return false;
    }
    for (const std::string& warning : applied.Warnings) {
        result.Warning += (result.Warning.empty() ? "" : "; ") + warning;
    }
    logo = applied.Overlay;
    return true;
}

std::vector<std::uint8_t> LinePipeline::Bytes(std::span<const std::uint8_t> line,
                                              std::string& refusal) const {
    if (m_Options.Hanzi) {
        return Gb2312Bytes(line, refusal);
    }
    if (m_Options.Gs1Input()) {
        std::vector<std::uint8_t> bytes = Gs1Bytes(line, refusal, m_Options.Gs1Link);
        if (refusal.empty() && m_Options.Verify && m_Options.Gs1) {
            refusal = Gs1VerifyFault(bytes);
        }
        return bytes;
    }
    if (m_Options.Utf8) {
        // The lines are UTF-8 already: their bytes as they are.
        return {line.begin(), line.end()};
    }
    const std::u16string text = platform::CodePage::Utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(line.data()), line.size()));
    return platform::CodePage::Utf16ToCodePage(text, m_CodePage);
}

clsSymbolEncoder::Outcome LinePipeline::Encode(const std::vector<std::uint8_t>& bytes,
                                               std::string& warning) {
    if (bytes.size() > static_cast<std::size_t>(clsQRCode::MaxInputLength)) {
        return clsSymbolEncoder::TooLong(EncoderSettings(m_Options),
                                         static_cast<std::int32_t>(bytes.size()));
    }
    clsSymbolEncoder::Outcome outcome =
        EncodeBytes(m_Encoder, bytes, m_Options, m_CodePage, m_FromText, &warning);
    if (outcome.Symbol && m_Options.Logo && m_Options.Version == 0 &&
        m_Options.Kind == Symbology::QR) {
        GrowForLogo(m_Encoder, bytes, m_Options, m_CodePage, m_FromText, outcome);
    }
    return outcome;
}

namespace {

// GB 2312 belongs to the family that designator 29 declares.
constexpr int Gb2312CodePage = 936;
constexpr std::int32_t Gb2312Designator = 29;

// The ECI designator and the Kanji mode of bytes as the options ask for them.
struct StreamChoice {
    std::int32_t Designator = 0;
    bool Kanji = false;
};

StreamChoice ChooseStream(const std::vector<std::uint8_t>& bytes, const CliOptions& options,
                          int codePage, bool fromText) {
    const int dataCodePage = options.Hanzi  ? Gb2312CodePage
                             : options.Utf8 ? platform::CodePage::Utf8
                                            : codePage;
    StreamChoice choice;
    // --hanzi starts without a designator: SettleHanziDesignator adds it where it is needed.
    if (options.EciAuto && !options.Hanzi) {
        choice.Designator = platform::CodePage::EciDesignatorFor(bytes, dataCodePage);
        if (dataCodePage == platform::CodePage::Utf8 && !IsUtf8(bytes)) {
            choice.Designator = 0; // raw bytes from standard input: nothing to declare
        }
    }
    choice.Kanji = KanjiModeOn(options, fromText, codePage, choice.Designator);
    return choice;
}

// The encoder's settings for bytes: the options' with the designator and Kanji mode chosen for
// the bytes.
clsSymbolEncoder::Settings SettingsFor(const StreamChoice& choice, const CliOptions& options) {
    clsSymbolEncoder::Settings settings = EncoderSettings(options);
    settings.Eci = choice.Designator;
    settings.Kanji = choice.Kanji;
    return settings;
}

// --hanzi, with the encoder set up without a designator: gives it designator 29 when a byte
// segment of some part of bytes holds a byte above 0x7F and the options let it declare (--eci
// not off); true when it did. With --eci off such bytes leave a warning instead.
//
// Hanzi segments are read as GB 2312 by themselves, but a GB 2312 character that the search puts
// into a byte segment (cheaper beside ASCII, as a lone character between Latin letters) is read
// by the declared character set or the reader's guess, and zxing-cpp guesses Shift JIS. Text
// whose Chinese characters all go to Hanzi segments gets no designator: the plain Hanzi symbol,
// 12 bits shorter.
//
// The designator's own bits may raise the version into another count class, whose search may
// cut otherwise. So the question is asked of the symbol without it, at the version chosen for
// that (version 0: the automatic one), and the answer stands: should the larger version's search
// put every character into a Hanzi segment after all, dropping the designator would bring back
// the smaller version and its byte segment. A symbol without the designator thus never carries
// a GB 2312 byte in byte mode; one with it at worst declares what it need not.
bool SettleHanziDesignator(clsSymbolEncoder& encoder, std::span<const std::uint8_t> bytes,
                           std::span<const clsStructuredAppend::Part> parts,
                           clsSymbolEncoder::Settings& settings, const CliOptions& options,
                           std::string& warning) {
    const bool needed = std::ranges::any_of(parts, [&](const clsStructuredAppend::Part& part) {
        return encoder.ByteSegmentHoldsHighByte(
            bytes.subspan(static_cast<std::size_t>(part.Offset),
                          static_cast<std::size_t>(part.Length)),
            settings);
    });
    if (!needed) {
        return false;
    }
    if (options.EciGiven && !options.EciAuto) {
        warning = "--eci off: GB 2312 characters in byte segments go without their designator "
                  "(ECI 29), and readers may take those bytes for another character set";
        return false;
    }
    settings.Eci = Gb2312Designator;
    return true;
}

} // namespace

clsSymbolEncoder::Outcome LinePipeline::EncodeBytes(clsSymbolEncoder& encoder,
                                                    const std::vector<std::uint8_t>& bytes,
                                                    const CliOptions& options, int codePage,
                                                    bool fromText, std::string* warning) {
    clsSymbolEncoder::Settings settings =
        SettingsFor(ChooseStream(bytes, options, codePage, fromText), options);
    if (options.Hanzi) {
        const clsStructuredAppend::Part whole{0, static_cast<std::int32_t>(bytes.size())};
        std::string ignored;
        SettleHanziDesignator(encoder, bytes, std::span(&whole, 1), settings, options,
                              warning ? *warning : ignored);
    }
    return encoder.Encode(bytes, settings);
}

std::vector<std::uint8_t> LinePipeline::Gs1Bytes(std::span<const std::uint8_t> text,
                                                 std::string& error,
                                                 const std::optional<std::string>& link) {
    const payload::Gs1ElementString::Parsed parsed = payload::Gs1ElementString::Parse(
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    error = parsed.Error;
    if (!parsed.Ok()) {
        return {};
    }
    if (link) {
        const payload::PayloadResult uri = payload::Gs1DigitalLink::Build(parsed.Elements, *link);
        error = uri.Error;
        return {uri.Bytes.begin(), uri.Bytes.end()};
    }
    const std::string bytes = payload::Gs1ElementString::Join(parsed.Elements);
    return {bytes.begin(), bytes.end()};
}

std::string LinePipeline::Gs1VerifyFault(const std::vector<std::uint8_t>& bytes) {
    if (std::find(bytes.begin(), bytes.end(), '%') == bytes.end()) {
        return {};
    }
    return "--verify cannot check GS1 data with a '%': its reader (zxing-cpp 1.4) stops reading "
           "at a '%' of an alphanumeric segment; leave --verify out for this data";
}

std::vector<std::uint8_t> LinePipeline::Gb2312Bytes(std::span<const std::uint8_t> utf8,
                                                    std::string& error) {
    const std::vector<std::uint8_t> bytes(utf8.begin(), utf8.end());
    if (!IsUtf8(bytes)) {
        error = "--hanzi takes UTF-8 text, and the data is not UTF-8";
        return {};
    }
    const auto converted = platform::CodePage::Utf16ToGb2312(platform::CodePage::Utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
    if (converted.Missing) {
        error = platform::CodePage::NameCharacter(*converted.Missing, converted.MissingPosition) +
                " is not in GB 2312, which --hanzi encodes";
        return {};
    }
    error.clear();
    return converted.Bytes;
}

LinePipeline::SymbolSet LinePipeline::EncodeStructuredAppend(clsSymbolEncoder& encoder,
                                                             const std::vector<std::uint8_t>& bytes,
                                                             const CliOptions& options,
                                                             int codePage, bool fromText) {
    using Characters = clsStructuredAppend::Characters;
    clsSymbolEncoder::Settings settings =
        SettingsFor(ChooseStream(bytes, options, codePage, fromText), options);
    // Parts are cut between characters: of GB 2312 with --hanzi, of UTF-8 text, of the ANSI
    // code page (double-byte for Shift JIS, GBK, Big5 and the Korean one), else between bytes.
    Characters characters = Characters::Bytes;
    if (options.Hanzi ||
        (!options.Utf8 && (codePage == 936 || codePage == 949 || codePage == 950))) {
        characters = Characters::DoubleByte;
    } else if (options.Utf8 && IsUtf8(bytes)) {
        characters = Characters::Utf8;
    } else if (settings.Kanji || (!options.Utf8 && codePage == 932)) {
        characters = Characters::ShiftJis;
    }
    SymbolSet set;
    const auto split = [&] {
        return encoder.Split(bytes, settings, options.StructuredAppend.value_or(0), characters);
    };
    set.Plan = split();
    // --hanzi decides the designator for the whole set (readers join the parts, and a part
    // boundary may move once it is there): split again when a part needs it.
    if (options.Hanzi && !set.Plan.Parts.empty()) {
        clsSymbolEncoder::Settings atVersion = settings;
        atVersion.Version = set.Plan.Version;
        if (SettleHanziDesignator(encoder, bytes, set.Plan.Parts, atVersion, options,
                                  set.Warning)) {
            settings.Eci = atVersion.Eci;
            set.Plan = split();
        }
    }
    if (set.Plan.Parts.empty()) {
        return set;
    }
    set.Symbols = encoder.EncodeParts(bytes, set.Plan, settings);
    if (set.Symbols.empty()) {
        // The split measured every part with this encoder: a part that does not fit is a fault
        // of the split, reported rather than written.
        set.Plan.Error =
            "a symbol of the " + std::to_string(set.Plan.Parts.size()) + " could not be made";
    }
    return set;
}

bool LinePipeline::Verified(const clsQRCode::Symbol& symbol, const QByteArray& data,
                            const std::string& path, std::span<const std::uint8_t> bytes,
                            double renderDpi, LineResult& result) const {
    if (!m_Options.Verify) {
        return true;
    }
    const SymbolVerifier::Check check = SymbolVerifier::CheckWritten(
        m_Options.EffectiveFormat(), m_Options.Margin, m_Options.Invert, symbol, data, path, bytes,
        renderDpi, std::nullopt, VerifyScan(symbol, m_Options));
    result.Verified = check.Passed();
    result.Detected = Detected(check.Result);
    if (check.Passed()) {
        if (!check.Message.empty()) {
            result.ScanWarnings.push_back(check.Message);
        }
        return true;
    }
    result.Message = check.Message;
    result.Outcome = LineResult::Status::Unreadable;
    return false;
}

namespace {

// Removes the files (the symbols of a set already written), as far as they can be.
void RemoveFiles(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::path(std::u8string(
                                    reinterpret_cast<const char8_t*>(file.data()), file.size())),
                                ignored);
    }
}

} // namespace

bool LinePipeline::RenderSymbols(const SymbolSet& set, std::vector<QByteArray>& outputs,
                                 std::vector<double>& renderDpi, LineResult& result) {
    for (const clsQRCode::Symbol& symbol : set.Symbols) {
        const PrintSize::Resolved size = SymbolSize(symbol, m_Options);
        if (!size.Error.empty()) {
            result.Outcome = LineResult::Status::CannotWrite;
            result.Message = size.Error;
            return false;
        }
        outputs.push_back(SymbolOutput(symbol, m_Options, m_Renderer, size));
        renderDpi.push_back(VerifyDpi(m_Options, size));
        if (outputs.back().isEmpty()) {
            result.Outcome = LineResult::Status::CannotWrite;
            result.Message = "cannot make the picture";
            return false;
        }
    }
    return true;
}

bool LinePipeline::VerifiedPart(const SymbolSet& set, const QByteArray& output, double renderDpi,
                                std::span<const std::uint8_t> bytes, std::int32_t index,
                                const std::string& file, LineResult& result) const {
    const auto k = static_cast<std::size_t>(index);
    const auto count = static_cast<std::int32_t>(set.Symbols.size());
    const auto& part = set.Plan.Parts[k];
    const SymbolVerifier::Check check = SymbolVerifier::CheckWritten(
        m_Options.EffectiveFormat(), m_Options.Margin, m_Options.Invert, set.Symbols[k], output,
        file,
        bytes.subspan(static_cast<std::size_t>(part.Offset), static_cast<std::size_t>(part.Length)),
        renderDpi, clsQRCode::StructuredAppendHeader{index, count, set.Plan.Parity},
        VerifyScan(set.Symbols[k], m_Options));
    const std::string which =
        "symbol " + std::to_string(index + 1) + " of " + std::to_string(count) + ": ";
    const std::optional<bool> detected = Detected(check.Result);
    if (detected && result.Detected.value_or(true)) {
        result.Detected = detected; // false once any symbol is missed
    }
    if (!check.Passed()) {
        result.Outcome = LineResult::Status::Unreadable;
        result.Message = which + check.Message;
        result.Verified = false;
        result.Detected = detected;
    } else if (!check.Message.empty()) {
        result.ScanWarnings.push_back(which + check.Message);
    }
    return check.Passed();
}

LineResult LinePipeline::RunStructuredAppend(const std::vector<std::uint8_t>& bytes,
                                             const std::string& path,
                                             const SymbolPath& symbolPath) {
    LineResult result;
    const SymbolSet set =
        EncodeStructuredAppend(m_Encoder, bytes, m_Options, m_CodePage, m_FromText);
    result.DataWarning = set.Warning;
    if (set.Symbols.empty()) {
        result.Outcome = LineResult::Status::TooLong;
        result.Message = set.Plan.Error;
        return result;
    }
    const auto count = static_cast<std::int32_t>(set.Symbols.size());
    result.Version = set.Plan.Version;
    result.Level = set.Symbols[0].Level;
    result.Mask = set.Symbols[0].Mask;
    std::vector<QByteArray> outputs;
    std::vector<double> renderDpi;
    if (!RenderSymbols(set, outputs, renderDpi, result)) {
        return result;
    }
    const auto verified = [&](std::int32_t index, const std::string& file) {
        return VerifiedPart(set, outputs[static_cast<std::size_t>(index)],
                            renderDpi[static_cast<std::size_t>(index)], bytes, index, file, result);
    };
    result.Outcome = LineResult::Status::Written;
    if (path.empty()) {
        for (std::int32_t index = 0; index < count; ++index) {
            if (m_Options.Verify && !verified(index, {})) {
                return result;
            }
            result.Output += (index > 0 ? "\n" : "") + outputs[static_cast<std::size_t>(index)];
        }
        result.Verified = m_Options.Verify ? std::optional<bool>(true) : std::nullopt;
        return result;
    }
    std::vector<std::string> written;
    const auto removeWritten = [&written] { RemoveFiles(written); };
    for (std::int32_t index = 0; index < count; ++index) {
        const std::string file = symbolPath(index + 1);
        int reason = 0;
        // %d or %i may stand in a folder's name: each symbol's folder is made when it is needed.
        std::string error = m_Options.MakeDirs ? MakeFolderOf(file) : std::string();
        if (error.empty()) {
            error = WriteWholeFile(file, outputs[static_cast<std::size_t>(index)], &reason);
        }
        if (!error.empty()) {
            removeWritten();
            result.Outcome = WriteFailure(reason);
            result.Message = error + "; no symbol of the " + std::to_string(count) + " is left";
            return result;
        }
        written.push_back(file);
    }
    for (std::int32_t index = 0; m_Options.Verify && index < count; ++index) {
        if (!verified(index, written[static_cast<std::size_t>(index)])) {
            removeWritten();
            result.Message += "; the other " + std::to_string(count - 1) + " are removed as well";
            return result;
        }
    }
    result.Verified = m_Options.Verify ? std::optional<bool>(true) : std::nullopt;
    result.Files = std::move(written);
    return result;
}

} // namespace ostrel::cli
