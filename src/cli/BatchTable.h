#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

// The input of a batch run as rows of fields, read from plain lines, CSV or TSV.
//
// - lines: every line is one row of one field; %d counts lines, empty lines included.
// - csv: RFC 4180 (fields separated by commas, a field in double quotes may hold commas, line
//   breaks and doubled quotes ""), parsed by libcsv in its strict mode; blanks around a field
//   are part of it. Line breaks outside quotes are LF, CR LF or CR.
// - tsv: fields separated by tabs, one row per line, no quoting.
//
// For csv and tsv the first row is the header: it names the columns, and the column "data"
// (required) holds the text to encode, "file" (optional) the text for %s in the output pattern;
// names are compared without letter case and surrounding blanks. Rows count from 1 after the
// header; lines without any field are not rows. A UTF-8 byte order mark at the very start is
// dropped, and the last line needs no line break.
//
// A row that cannot be read (a quote in the wrong place, a quoted field not closed before the end
// of the input, a different number of fields from the header) keeps its number and the reason;
// the rows around it are read as usual. The reader keeps every column, also those it has no use
// for, so that a row is always its fields beside the header.
class BatchTable {
public:
    enum class Format { Lines, Csv, Tsv };

    struct Row {
        std::int64_t Number = 0; // the line number for lines, else the row number after the header
        std::int64_t Line = 0;   // the input line the row starts on (the header is line 1)
        std::vector<std::string> Fields;
        std::string Error; // why the row cannot be used; empty for a good row
    };

    // Reads the whole input. Without dataColumn (for a batch of structured payloads, whose
    // columns are the payload's fields) a csv or tsv header needs no "data" column, and a row is
    // empty when every field but the file column is.
    static BatchTable Read(std::string_view input, Format format, bool dataColumn = true);

    // The text of the data and file columns; empty when the row has no such field.
    std::string_view Data(const Row& row) const;
    std::string_view FileText(const Row& row) const;

    // "line 7" for lines, "row 6 (line 7)" for csv and tsv: how messages name a row.
    std::string Where(const Row& row) const;

    // An error that stops the whole run before anything is written (a header without a "data"
    // column, a header that cannot be read); empty when the table can be used.
    const std::string& Error() const { return m_Error; }
    // The header's column names (csv, tsv); empty for lines.
    const std::vector<std::string>& Header() const { return m_Header; }
    // The columns that the batch does not use, by name, in header order.
    std::vector<std::string> UnusedColumns() const;
    bool HasFileColumn() const { return m_FileColumn >= 0; }

    // The rows to encode, in input order, the bad ones included; rows and lines whose data is
    // empty are left out and counted, and kept in Skipped with their number and line only (no
    // fields), in input order.
    std::vector<Row> Rows;
    std::int64_t EmptyRows = 0;
    std::vector<Row> Skipped;

private:
    void ReadLines(std::string_view input);
    void ReadCsv(std::string_view input);
    void ReadTsv(std::string_view input);
    // True when every field of the row but the file column is empty.
    bool Blank(const Row& row) const;
    // Takes the first row as the header, then checks and keeps the others.
    void Arrange(std::vector<Row> rows);

    Format m_Format = Format::Lines;
    std::vector<std::string> m_Header;
    int m_DataColumn = 0;
    int m_FileColumn = -1;
    bool m_NeedsData = true;
    std::string m_Error;
};

} // namespace ostrel::cli
