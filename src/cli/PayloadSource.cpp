#include "PayloadSource.h"

#include "CodePage.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace ostrel::cli {

PayloadSource::PayloadSource(const CliOptions& options)
    : m_Options(options), m_Stamp(CreationTime()) {}

std::optional<std::int64_t> PayloadSource::CreationTime() {
    // SOURCE_DATE_EPOCH, the reproducible-builds convention: seconds since 1970-01-01 UTC.
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr) {
        std::int64_t seconds = 0;
        const char* end = epoch + std::char_traits<char>::length(epoch);
        const auto [ptr, error] = std::from_chars(epoch, end, seconds);
        if (error == std::errc{} && ptr == end && ptr != epoch && seconds >= 0) {
            return seconds;
        }
    }
    return std::nullopt;
}

payload::PayloadResult
PayloadSource::Build(const std::vector<std::pair<std::string, std::string>>& row) const {
    payload::PayloadFields fields;
    std::vector<std::string> columns;
    for (const auto& [name, value] : row) {
        fields.Add(name, value);
        columns.push_back(payload::PayloadFields::NormalName(name));
    }
    for (const auto& [name, value] : m_Options.Fields) {
        if (std::find(columns.begin(), columns.end(), name) == columns.end()) {
            fields.Add(name, value);
        }
    }
    return payload::PayloadBuilder::Build(m_Options.Payload, fields, m_Stamp);
}

std::vector<std::uint8_t> PayloadSource::Bytes(const std::string& payload, bool utf8) {
    if (utf8) {
        return {payload.begin(), payload.end()};
    }
    return platform::CodePage::TextToBytes(platform::CodePage::Utf8ToUtf16(payload), false);
}

} // namespace ostrel::cli
