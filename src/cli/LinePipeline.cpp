#include "LinePipeline.h"

#include "CliOutput.h"
#include "CodePage.h"
#include "SymbolVerifier.h"

namespace ostrel::cli {

LinePipeline::LinePipeline(const CliOptions& options, const OutputPattern* pattern, int codePage,
                           bool kanji)
    : m_Options(options), m_Pattern(pattern), m_CodePage(codePage) {
    m_Encoder.SetKanjiMode(kanji);
}

LineResult LinePipeline::Run(std::int64_t lineNumber, std::span<const std::uint8_t> line) {
    LineResult result;
    const std::vector<std::uint8_t> bytes = Bytes(line);
    const auto symbol = Encode(bytes);
    if (!symbol) {
        result.Outcome = LineResult::Status::TooLong;
        result.Message = DoesNotFit(std::to_string(bytes.size()) + " bytes", m_Options);
        return result;
    }
    QByteArray data = Render(*symbol);
    if (data.isEmpty()) {
        result.Outcome = LineResult::Status::CannotWrite;
        result.Message = "cannot make the picture";
        return result;
    }
    const std::string path =
        m_Pattern == nullptr ? std::string() : m_Pattern->Expand(lineNumber, line);
    if (m_Pattern == nullptr) {
        if (Verified(*symbol, data, path, bytes, result)) {
            result.Output = std::move(data);
        }
        return result;
    }
    const std::string error = WriteWholeFile(path, data);
    if (!error.empty()) {
        result.Outcome = LineResult::Status::CannotWrite;
        result.Message = error;
        return result;
    }
    Verified(*symbol, data, path, bytes, result);
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
    return m_Encoder.EncodeMatrix(bytes, static_cast<std::int32_t>(bytes.size()), m_Options.Version,
                                  m_Options.Level, m_Options.Mask);
}

bool LinePipeline::Verified(const clsQRCode::Symbol& symbol, const QByteArray& data,
                            const std::string& path, std::span<const std::uint8_t> bytes,
                            LineResult& result) const {
    if (!m_Options.Verify) {
        return true;
    }
    result.Message = SymbolVerifier::CheckWritten(m_Options.EffectiveFormat(), m_Options.Margin,
                                                  m_Options.Invert, symbol, data, path, bytes);
    if (result.Message.empty()) {
        return true;
    }
    result.Outcome = LineResult::Status::Unreadable;
    return false;
}

QByteArray LinePipeline::Render(const clsQRCode::Symbol& symbol) {
    return SymbolOutput(symbol, m_Options, m_Png);
}

} // namespace ostrel::cli
