#include "BatchTable.h"

#include <csv.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace ostrel::cli {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
// A long line goes to libcsv in chunks of this size; its field buffer grows by at least
// MinimumBlock bytes.
constexpr std::size_t ChunkBytes = 1 << 16;
constexpr std::size_t MinimumBlock = 1024;

// The input split at line feeds: each line without its LF (a CR before it stays), the last one
// also when no LF ends it.
template <typename Visit> void ForEachLine(std::string_view input, Visit visit) {
    std::size_t start = 0;
    std::int64_t number = 0;
    while (start < input.size()) {
        const std::size_t end = input.find('\n', start);
        const std::size_t stop = end == std::string_view::npos ? input.size() : end;
        visit(++number, input.substr(start, stop - start), end != std::string_view::npos);
        start = stop + 1;
    }
}

std::string_view WithoutCr(std::string_view line) {
    return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
}

// A column name as the header is matched: ASCII letters in lower case, blanks around it gone.
std::string ColumnKey(std::string_view name) {
    const auto first = name.find_first_not_of(" \t");
    const auto last = name.find_last_not_of(" \t");
    std::string key(first == std::string_view::npos ? std::string_view()
                                                    : name.substr(first, last + 1 - first));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return key;
}

// libcsv's state between its callbacks: the row being read, where it began, the rows done.
struct CsvRows {
    std::vector<BatchTable::Row> Done;
    BatchTable::Row Current;
    bool InRow = false;
    std::int64_t LineNumber = 0;

    void Begin() {
        if (!InRow) {
            InRow = true;
            Current.Line = LineNumber;
        }
    }
    void End() {
        Done.push_back(std::move(Current));
        Current = BatchTable::Row{};
        InRow = false;
    }

    static void Field(void* text, std::size_t length, void* self) {
        auto& rows = *static_cast<CsvRows*>(self);
        rows.Begin();
        rows.Current.Fields.emplace_back(static_cast<const char*>(text), length);
    }
    static void RowEnd(int /*terminator*/, void* self) {
        auto& rows = *static_cast<CsvRows*>(self);
        rows.Begin();
        rows.End();
    }
};

// Blanks belong to the field (RFC 4180 clause 2.4): libcsv would trim spaces and tabs.
int NoSpace(unsigned char /*c*/) {
    return 0;
}

// One libcsv parser in strict mode: a quote inside an unquoted field, or anything but a comma
// or a line break after a closing quote, is an error, and so is a quoted field still open at
// the end of the input.
class CsvParser {
public:
    CsvParser() {
        m_Ready = csv_init(&m_Parser, CSV_STRICT | CSV_STRICT_FINI) == 0;
        if (m_Ready) {
            csv_set_space_func(&m_Parser, NoSpace);
        }
    }
    ~CsvParser() {
        if (m_Ready) {
            csv_free(&m_Parser);
        }
    }
    CsvParser(const CsvParser&) = delete;
    CsvParser& operator=(const CsvParser&) = delete;

    bool Ready() const { return m_Ready; }
    csv_parser* get() { return &m_Parser; }

private:
    csv_parser m_Parser{};
    bool m_Ready = false;
};
using Parser = std::unique_ptr<CsvParser>;

Parser NewParser() {
    auto parser = std::make_unique<CsvParser>();
    return parser->Ready() ? std::move(parser) : nullptr;
}

} // namespace

BatchTable BatchTable::Read(std::string_view input, Format format, bool dataColumn) {
    BatchTable table;
    table.m_Format = format;
    table.m_NeedsData = dataColumn;
    if (input.starts_with(ByteOrderMark)) {
        input.remove_prefix(ByteOrderMark.size());
    }
    switch (format) {
    case Format::Lines:
        table.ReadLines(input);
        break;
    case Format::Csv:
        table.ReadCsv(input);
        break;
    case Format::Tsv:
        table.ReadTsv(input);
        break;
    }
    return table;
}

void BatchTable::ReadLines(std::string_view input) {
    ForEachLine(input, [this](std::int64_t number, std::string_view line, bool) {
        line = WithoutCr(line);
        if (line.empty()) {
            ++EmptyRows;
            Skipped.push_back(Row{number, number, {}, {}});
            return;
        }
        Row row;
        row.Number = number;
        row.Line = number;
        row.Fields.emplace_back(line);
        Rows.push_back(std::move(row));
    });
}

void BatchTable::ReadTsv(std::string_view input) {
    std::vector<Row> rows;
    ForEachLine(input, [&rows](std::int64_t number, std::string_view line, bool) {
        line = WithoutCr(line);
        if (line.empty()) {
            return;
        }
        Row row;
        row.Line = number;
        std::size_t start = 0;
        while (true) {
            const std::size_t tab = line.find('\t', start);
            row.Fields.emplace_back(line.substr(start, tab - start));
            if (tab == std::string_view::npos) {
                break;
            }
            start = tab + 1;
        }
        rows.push_back(std::move(row));
    });
    Arrange(std::move(rows));
}

void BatchTable::ReadCsv(std::string_view input) {
    CsvRows state;
    Parser parser = NewParser();
    if (!parser) {
        m_Error = "cannot start the CSV reader";
        return;
    }
    // A failed row: the reason, then the reader starts again on the next line.
    auto fail = [&](const std::string& reason) {
        state.Begin();
        state.Current.Fields.clear();
        state.Current.Error = reason;
        state.End();
        parser = NewParser();
    };
    // Fed one line at a time, so that every row knows the line it starts on.
    ForEachLine(input, [&](std::int64_t number, std::string_view line, bool ended) {
        state.LineNumber = number;
        if (!parser) {
            return;
        }
        if (!WithoutCr(line).empty()) {
            state.Begin();
        }
        const std::size_t length = line.size() + (ended ? 1 : 0);
        std::size_t used = 0;
        while (used < length) {
            // libcsv grows a field's buffer by a fixed block: grown by its own size before each
            // chunk instead, a field of n bytes costs O(n) copying, not O(n^2 / block).
            csv_set_blk_size(parser->get(),
                             std::max(MinimumBlock, csv_get_buffer_size(parser->get())));
            const std::size_t chunk = std::min(ChunkBytes, length - used);
            const std::size_t done = csv_parse(parser->get(), line.data() + used, chunk,
                                               CsvRows::Field, CsvRows::RowEnd, &state);
            used += done;
            if (done < chunk) {
                break;
            }
        }
        if (used < length) {
            const int error = csv_error(parser->get());
            fail(error == CSV_EPARSE
                     ? "a double quote inside a field that does not start with one, or "
                       "something other than a comma or a line break after a closing quote "
                       "(line " +
                           std::to_string(number) + ")"
                     : std::string(csv_strerror(error)));
        }
    });
    if (parser && csv_fini(parser->get(), CsvRows::Field, CsvRows::RowEnd, &state) != 0) {
        fail("a quoted field is not closed: its closing double quote is missing");
    }
    if (!parser) {
        m_Error = "cannot start the CSV reader";
        return;
    }
    Arrange(std::move(state.Done));
}

void BatchTable::Arrange(std::vector<Row> rows) {
    if (rows.empty()) {
        return;
    }
    const Row& header = rows.front();
    if (!header.Error.empty()) {
        m_Error = "the header row (line " + std::to_string(header.Line) +
                  ") cannot be read: " + header.Error;
        return;
    }
    m_Header = header.Fields;
    m_DataColumn = -1;
    for (std::size_t i = 0; i < m_Header.size(); ++i) {
        const std::string key = ColumnKey(m_Header[i]);
        if (key != "data" && key != "file") {
            continue;
        }
        int& column = key == "data" ? m_DataColumn : m_FileColumn;
        if (column >= 0) {
            m_Error = "the header names the column '" + key + "' twice";
            return;
        }
        column = static_cast<int>(i);
    }
    if (m_DataColumn < 0 && m_NeedsData) {
        std::string names;
        for (const std::string& name : m_Header) {
            names += (names.empty() ? "'" : ", '") + name + "'";
        }
        m_Error =
            "the header row has no 'data' column for the text to encode (its columns: " + names +
            ")";
        return;
    }
    Rows.reserve(rows.size() - 1);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        Row& row = rows[i];
        row.Number = static_cast<std::int64_t>(i);
        if (row.Error.empty() && row.Fields.size() != m_Header.size()) {
            row.Error = std::to_string(row.Fields.size()) +
                        (row.Fields.size() == 1 ? " field" : " fields") +
                        " where the header names " + std::to_string(m_Header.size());
        }
        const bool empty = m_NeedsData ? Data(row).empty() : Blank(row);
        if (row.Error.empty() && empty) {
            ++EmptyRows;
            Skipped.push_back(Row{row.Number, row.Line, {}, {}});
            continue;
        }
        Rows.push_back(std::move(row));
    }
}

std::string_view BatchTable::Data(const Row& row) const {
    const auto column = static_cast<std::size_t>(m_DataColumn);
    return m_DataColumn >= 0 && column < row.Fields.size() ? std::string_view(row.Fields[column])
                                                           : std::string_view();
}

bool BatchTable::Blank(const Row& row) const {
    for (std::size_t i = 0; i < row.Fields.size(); ++i) {
        if (static_cast<int>(i) != m_FileColumn && !row.Fields[i].empty()) {
            return false;
        }
    }
    return true;
}

std::string_view BatchTable::FileText(const Row& row) const {
    const auto column = static_cast<std::size_t>(m_FileColumn);
    return m_FileColumn >= 0 && column < row.Fields.size() ? std::string_view(row.Fields[column])
                                                           : std::string_view();
}

std::string BatchTable::Where(const Row& row) const {
    if (m_Format == Format::Lines) {
        return "line " + std::to_string(row.Line);
    }
    return "row " + std::to_string(row.Number) + " (line " + std::to_string(row.Line) + ")";
}

std::vector<std::string> BatchTable::UnusedColumns() const {
    std::vector<std::string> unused;
    for (std::size_t i = 0; i < m_Header.size(); ++i) {
        if (static_cast<int>(i) != m_DataColumn && static_cast<int>(i) != m_FileColumn) {
            unused.push_back(m_Header[i]);
        }
    }
    return unused;
}

} // namespace ostrel::cli
