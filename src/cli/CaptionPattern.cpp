#include "CaptionPattern.h"

#include <algorithm>
#include <cctype>

namespace ostrel::cli {

namespace {

std::string Folded(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    std::string folded(first == std::string_view::npos ? std::string_view()
                                                       : text.substr(first, last - first + 1));
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

} // namespace

CaptionPattern::CaptionPattern(const std::string& pattern, const std::vector<std::string>& header) {
    for (std::size_t i = 0; i < pattern.size() && m_Error.empty();) {
        const char c = pattern[i];
        if (c == '%') {
            ParsePercent(pattern, i);
            continue;
        }
        if (c == '{') {
            const std::size_t close = pattern.find('}', i);
            if (close == std::string::npos) {
                m_Error = "--caption: a '{' without its '}'";
                break;
            }
            const std::string name = Folded(std::string_view(pattern).substr(i + 1, close - i - 1));
            const auto column =
                std::find_if(header.begin(), header.end(),
                             [&](const std::string& h) { return Folded(h) == name; });
            if (column == header.end()) {
                m_Error = "--caption: {" + pattern.substr(i + 1, close - i - 1) + "} names no " +
                          (header.empty() ? "column (plain lines have none; use %s or a csv or "
                                            "tsv batch)"
                                          : "column of the batch's header");
                break;
            }
            m_Columns.push_back(name);
            Part part;
            part.What = Part::Kind::Column;
            part.Column = static_cast<std::size_t>(column - header.begin());
            m_Parts.push_back(part);
            i = close + 1;
            continue;
        }
        if (m_Parts.empty() || m_Parts.back().What != Part::Kind::Text) {
            m_Parts.emplace_back();
        }
        m_Parts.back().Text += c;
        ++i;
    }
}

bool CaptionPattern::ParsePercent(const std::string& pattern, std::size_t& i) {
    std::size_t at = i + 1;
    Part part;
    if (at < pattern.size() && pattern[at] == '%') {
        part.Text = "%";
    } else if (at < pattern.size() && pattern[at] == 's') {
        part.What = Part::Kind::Name;
    } else {
        if (at + 2 < pattern.size() && pattern[at] == '0' &&
            std::isdigit(static_cast<unsigned char>(pattern[at + 1])) != 0) {
            part.Width = pattern[at + 1] - '0';
            at += 2;
        }
        if (at >= pattern.size() || pattern[at] != 'd') {
            m_Error = "--caption: '%' is followed by %s, %d, %0Nd or %% only (a '%' alone is %%)";
            return false;
        }
        part.What = Part::Kind::Number;
    }
    m_Parts.push_back(part);
    i = at + 1;
    return true;
}

bool CaptionPattern::Uses(const std::string& name) const {
    return std::find(m_Columns.begin(), m_Columns.end(), Folded(name)) != m_Columns.end();
}

std::string CaptionPattern::Expand(const std::vector<std::string>& fields,
                                   std::string_view nameText, std::int64_t number) const {
    std::string caption;
    for (const Part& part : m_Parts) {
        switch (part.What) {
        case Part::Kind::Text:
            caption += part.Text;
            break;
        case Part::Kind::Column:
            if (part.Column < fields.size()) {
                caption += fields[part.Column];
            }
            break;
        case Part::Kind::Name:
            caption += nameText;
            break;
        case Part::Kind::Number: {
            const std::string digits = std::to_string(number);
            if (static_cast<int>(digits.size()) < part.Width) {
                caption.append(static_cast<std::size_t>(part.Width) - digits.size(), '0');
            }
            caption += digits;
            break;
        }
        }
    }
    return caption;
}

} // namespace ostrel::cli
