#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

// The caption of each row of a batch, from --caption's pattern: {name} is the row's field in the
// column of that name (as the header spells it, without regard to letter case or surrounding
// blanks), %s the text that names the row's file (its 'file' column, else its data), %d the row
// number (%05d padded to five digits), %% a '%'. Everything else is taken as it stands.
class CaptionPattern {
public:
    // header: the table's column names (none for plain lines, where {name} is refused).
    CaptionPattern(const std::string& pattern, const std::vector<std::string>& header);

    // Why the pattern cannot be used (an unknown column, a '%' other than %s, %d, %0Nd and %%,
    // a '{' without its '}'); empty when it can.
    const std::string& Error() const { return m_Error; }

    // Whether a {name} of the pattern names the column name.
    bool Uses(const std::string& name) const;

    std::string Expand(const std::vector<std::string>& fields, std::string_view nameText,
                       std::int64_t number) const;

private:
    struct Part {
        enum class Kind { Text, Column, Name, Number } What = Kind::Text;
        std::string Text;       // Kind::Text
        std::size_t Column = 0; // Kind::Column
        int Width = 0;          // Kind::Number: zero-padded to this many digits
    };
    bool ParsePercent(const std::string& pattern, std::size_t& i);

    std::vector<Part> m_Parts;
    std::vector<std::string> m_Columns; // the names of the columns used, folded
    std::string m_Error;
};

} // namespace ostrel::cli
