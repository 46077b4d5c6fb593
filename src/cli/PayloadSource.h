#pragma once

#include "CliOptions.h"
#include "PayloadBuilder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::cli {

// The data of a symbol when --payload or --field asks for a structured payload: the payload of
// the options' kind built from the --field values and, in a batch of a table, the row's columns,
// then converted as --encoding says. Field values are UTF-8, so the payload is built in UTF-8
// (the links percent-encode UTF-8 octets, as their RFCs want) and converted as a whole: with
// --encoding ansi every character the code page lacks becomes '?', as for any TEXT. The
// conversion never lengthens a vCard or iCalendar line: no code page takes more octets for a
// character than UTF-8 does, so the lines folded at 75 octets stay within it.
class PayloadSource {
public:
    // The creation time of events: SOURCE_DATE_EPOCH when it holds a number, read once; else
    // each event's start stands in for it, so the same rows always give the same bytes.
    explicit PayloadSource(const CliOptions& options);

    // The payload for a row (column name and value; "file" already left out): the row's fields,
    // then every --field whose name no column of the row has. The result's error names the
    // field at fault.
    payload::PayloadResult Build(const std::vector<std::pair<std::string, std::string>>& row) const;

    // The payload's bytes as the symbol holds them: UTF-8, or (utf8 false, --encoding ansi) the
    // system's ANSI code page.
    static std::vector<std::uint8_t> Bytes(const std::string& payload, bool utf8);

    static std::optional<std::int64_t> CreationTime();

private:
    const CliOptions& m_Options;
    std::optional<std::int64_t> m_Stamp;
};

} // namespace ostrel::cli
