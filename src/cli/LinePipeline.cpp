#include "LinePipeline.h"

#include "CliOutput.h"
#include "CodePage.h"

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
    if (m_Pattern == nullptr) {
        result.Output = std::move(data);
        return result;
    }
    const std::string error = WriteWholeFile(m_Pattern->Expand(lineNumber, line), data);
    if (!error.empty()) {
        result.Outcome = LineResult::Status::CannotWrite;
        result.Message = error;
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
    return m_Encoder.EncodeMatrix(bytes, static_cast<std::int32_t>(bytes.size()), m_Options.Version,
                                  m_Options.Level, m_Options.Mask);
}

QByteArray LinePipeline::Render(const clsQRCode::Symbol& symbol) {
    return SymbolOutput(symbol, m_Options, m_Png);
}

} // namespace ostrel::cli
