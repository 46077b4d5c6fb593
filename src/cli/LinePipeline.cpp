#include "LinePipeline.h"

#include "CliOutput.h"
#include "CodePage.h"
#include "SymbolVerifier.h"
#include "clsMaskPenalty.h"

#include <QCryptographicHash>

#include <cerrno>

namespace ostrel::cli {

namespace {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsUtf8(const std::vector<std::uint8_t>& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i];
        std::size_t count = 0;
        std::uint32_t min = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            count = 1;
            min = 0x80;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            count = 2;
            min = 0x800;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            count = 3;
            min = 0x10000;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (i + count >= bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= count; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (bytes[i + k] & 0x3Fu);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += count + 1;
    }
    return true;
}

} // namespace

LinePipeline::LinePipeline(const CliOptions& options, int codePage, bool sha256)
    : m_Options(options), m_CodePage(codePage), m_Sha256(sha256) {}

LineResult LinePipeline::Run(std::span<const std::uint8_t> line, const std::string& path) {
    LineResult result;
    const std::vector<std::uint8_t> bytes = Bytes(line);
    result.DataBytes = bytes.size();
    if (m_Sha256) {
        result.Sha256 = QCryptographicHash::hash(
                            QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                            QCryptographicHash::Sha256)
                            .toHex()
                            .toStdString();
    }
    // --print-payload: the bytes themselves are the output, no symbol is made.
    QByteArray data;
    std::optional<clsQRCode::Symbol> symbol;
    PrintSize::Resolved size;
    if (m_Options.PrintPayload) {
        data = QByteArray(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    } else {
        symbol = Encode(bytes);
        if (!symbol) {
            result.Outcome = LineResult::Status::TooLong;
            result.Message = DoesNotFit(std::to_string(bytes.size()) + " bytes", m_Options);
            return result;
        }
        result.Version = symbol->Version;
        result.Level = symbol->Level;
        result.Mask = symbol->Mask;
        size = SymbolSize(*symbol, m_Options);
        if (!size.Error.empty()) {
            result.Outcome = LineResult::Status::CannotWrite;
            result.Message = size.Error;
            return result;
        }
        // A module size warns once for the whole run; a whole size for every symbol it fits
        // badly.
        if (m_Options.WholeSize) {
            result.Warning = size.Warning;
        }
        data = SymbolOutput(*symbol, m_Options, m_Png, size);
        if (data.isEmpty()) {
            result.Outcome = LineResult::Status::CannotWrite;
            result.Message = "cannot make the picture";
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
        // A full or read-only disk refuses every line after this one too.
        const bool diskRefuses = reason == ENOSPC || reason == EROFS
#ifdef EDQUOT
                                 || reason == EDQUOT
#endif
            ;
        result.Outcome =
            diskRefuses ? LineResult::Status::DiskFull : LineResult::Status::CannotWrite;
        result.Message = error;
        return result;
    }
    if (symbol) {
        Verified(*symbol, data, path, bytes, VerifyDpi(m_Options, size), result);
    }
    return result;
}

std::vector<std::uint8_t> LinePipeline::Bytes(std::span<const std::uint8_t> line) const {
    if (m_Options.Utf8) {
        // The lines are UTF-8 already: their bytes as they are.
        return {line.begin(), line.end()};
    }
    const std::u16string text = platform::CodePage::Utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(line.data()), line.size()));
    return platform::CodePage::Utf16ToCodePage(text, m_CodePage);
}

std::optional<clsQRCode::Symbol> LinePipeline::Encode(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() > static_cast<std::size_t>(clsQRCode::MaxInputLength)) {
        return std::nullopt;
    }
    // The lines of a batch are text.
    return EncodeBytes(m_Encoders, bytes, m_Options, m_CodePage, true);
}

std::optional<clsQRCode::Symbol> LinePipeline::EncodeBytes(SymbolEncoders& encoders,
                                                           const std::vector<std::uint8_t>& bytes,
                                                           const CliOptions& options, int codePage,
                                                           bool fromText) {
    std::int32_t designator = 0;
    if (options.EciAuto) {
        designator = platform::CodePage::EciDesignatorFor(
            bytes, options.Utf8 ? platform::CodePage::Utf8 : codePage);
        if (options.Utf8 && !IsUtf8(bytes)) {
            designator = 0; // raw bytes from standard input: nothing to declare
        }
    }
    const bool kanji = KanjiModeOn(options, fromText, codePage, designator);
    const auto length = static_cast<std::int32_t>(bytes.size());
    switch (options.Kind) {
    case Symbology::Micro:
        encoders.Micro.SetKanjiMode(kanji);
        return encoders.Micro.EncodeMatrix(bytes, length, options.Version, options.Level,
                                           options.MaskAuto ? clsMicroQRCode::AutomaticMask
                                                            : options.Mask);
    case Symbology::RMQR:
        encoders.RMQR.SetKanjiMode(kanji);
        encoders.RMQR.SetEciDesignator(designator);
        encoders.RMQR.SetRequiredHeight(options.RMQRHeight);
        return encoders.RMQR.EncodeMatrix(
            bytes, length, options.Version > 0 ? options.Version - 1 : clsRMQRCode::AutomaticSize,
            options.Level);
    case Symbology::QR:
        break;
    }
    clsQRCode& encoder = encoders.QR;
    encoder.SetEciDesignator(designator);
    encoder.SetKanjiMode(kanji);
    if (options.MaskAuto) {
        return clsMaskPenalty::EncodeBestMask(encoder, bytes, length, options.Version,
                                              options.Level);
    }
    return encoder.EncodeMatrix(bytes, length, options.Version, options.Level, options.Mask);
}

bool LinePipeline::Verified(const clsQRCode::Symbol& symbol, const QByteArray& data,
                            const std::string& path, std::span<const std::uint8_t> bytes,
                            double renderDpi, LineResult& result) const {
    if (!m_Options.Verify) {
        return true;
    }
    result.Message =
        SymbolVerifier::CheckWritten(m_Options.EffectiveFormat(), m_Options.Margin,
                                     m_Options.Invert, symbol, data, path, bytes, renderDpi);
    result.Verified = result.Message.empty();
    if (result.Message.empty()) {
        return true;
    }
    result.Outcome = LineResult::Status::Unreadable;
    return false;
}

} // namespace ostrel::cli
