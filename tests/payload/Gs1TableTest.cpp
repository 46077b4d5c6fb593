// The AI table against the GS1 list (tests/payload/data/gs1-ai-list.txt, from the GS1 Barcode
// Syntax Dictionary): every entry of the list is one row of the table with the same AIs, and the
// row's lengths, character set, numeric prefix, check-digit field, date and predefined length
// are those the entry's components give; the table has no row the list lacks. Then the checks
// of single elements at the edges the rows give.
#include "Gs1AiTable.h"
#include "Gs1ElementString.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel::payload {
namespace {

using Set = Gs1AiTable::Characters;
using Date = Gs1AiTable::Date;

// One entry of the list, read as the table writes a row.
struct Entry {
    std::string First;
    std::string Last;
    Gs1AiTable::Row Row{};
};

struct Component {
    char Type = 'N';
    std::int32_t Length = 0; // the longest
    bool Fixed = true;
    bool Optional = false;
    std::string Checks; // ",csum,key"
};

Component ReadComponent(std::string text) {
    Component c;
    if (text.front() == '[') {
        c.Optional = true;
        text.erase(0, 1);
        text.erase(text.find(']'), 1);
    }
    const std::size_t comma = text.find(',');
    c.Checks = comma == std::string::npos ? "" : text.substr(comma);
    std::string size = text.substr(1, comma == std::string::npos ? std::string::npos : comma - 1);
    c.Type = text[0];
    c.Fixed = size.rfind("..", 0) != 0;
    c.Length = std::stoi(c.Fixed ? size : size.substr(2));
    return c;
}

Date DateOf(const std::string& checks) {
    if (checks.find(",yymmddhh") != std::string::npos) {
        return Date::Yymmddhh;
    }
    if (checks.find(",yymmd0") != std::string::npos) {
        return Date::Yymmd0;
    }
    return checks.find(",yymmdd") != std::string::npos ? Date::Yymmdd : Date::None;
}

Set SetOf(char type) {
    return type == 'X' ? Set::Set82 : type == 'Y' ? Set::Set39 : Set::Set64;
}

// The row an entry's components give, under the table's conventions: lengths summed (optional
// components add nothing to the shortest, variable ones one character), the set of the first
// component that is not digits, the digits ahead of it (all of an all-digit field), the first
// csum component's place, a date checked at the start.
Gs1AiTable::Row RowOf(const std::vector<Component>& components) {
    Gs1AiTable::Row row{};
    bool digitsSoFar = true;
    row.Set = Set::Numeric;
    std::int32_t offset = 0;
    std::int32_t shortest = 0;
    for (const Component& c : components) {
        if (c.Type != 'N' && digitsSoFar) {
            digitsSoFar = false;
            row.Set = SetOf(c.Type);
            row.NumericPrefix = static_cast<std::uint8_t>(offset);
        }
        if ((c.Checks + ",").find(",csum,") != std::string::npos) {
            if (row.CheckLength == 0) {
                row.CheckStart = static_cast<std::uint8_t>(offset);
                row.CheckLength = static_cast<std::uint8_t>(c.Length);
            }
        }
        if (offset == 0) {
            row.DateField = DateOf(c.Checks);
        }
        shortest += c.Optional ? 0 : (c.Fixed ? c.Length : 1);
        offset += c.Length;
    }
    row.MinLength = static_cast<std::uint8_t>(shortest);
    row.MaxLength = static_cast<std::uint8_t>(offset);
    if (digitsSoFar) {
        row.NumericPrefix = row.MaxLength;
    }
    return row;
}

std::vector<Entry> ReadList() {
    std::ifstream file(OSTREL_GS1_AI_LIST);
    std::vector<Entry> entries;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream words(line);
        std::string ais;
        words >> ais;
        Entry entry;
        const std::size_t dash = ais.find('-');
        entry.First = ais.substr(0, dash);
        entry.Last = dash == std::string::npos ? entry.First : ais.substr(dash + 1);
        std::vector<Component> components;
        bool predefined = false;
        for (std::string word; words >> word;) {
            if (word == "*") {
                predefined = true;
            } else {
                components.push_back(ReadComponent(word));
            }
        }
        entry.Row = RowOf(components);
        entry.Row.Predefined = predefined;
        entry.Row.Digits = static_cast<std::uint8_t>(entry.First.size());
        entries.push_back(entry);
    }
    return entries;
}

TEST(Gs1AiTable, EveryAiIsTheEntryOfTheGs1List) {
    const std::vector<Entry> entries = ReadList();
    ASSERT_GT(entries.size(), 200U);
    std::size_t listed = 0;
    for (const Entry& entry : entries) {
        for (std::int32_t value = std::stoi(entry.First); value <= std::stoi(entry.Last); ++value) {
            std::string ai = std::to_string(value);
            ai.insert(0, entry.First.size() - ai.size(), '0');
            const Gs1AiTable::Row* row = Gs1AiTable::Find(ai);
            ASSERT_NE(row, nullptr) << "AI " << ai;
            const Gs1AiTable::Row& want = entry.Row;
            const std::string what = "AI " + ai;
            EXPECT_EQ(row->Digits, want.Digits) << what;
            EXPECT_EQ(row->MinLength, want.MinLength) << what;
            EXPECT_EQ(row->MaxLength, want.MaxLength) << what;
            EXPECT_EQ(row->Set, want.Set) << what;
            EXPECT_EQ(row->NumericPrefix, want.NumericPrefix) << what;
            EXPECT_EQ(row->CheckStart, want.CheckStart) << what;
            EXPECT_EQ(row->CheckLength, want.CheckLength) << what;
            EXPECT_EQ(row->DateField, want.DateField) << what;
            EXPECT_EQ(row->Predefined, want.Predefined) << what;
            ++listed;
        }
    }
    std::size_t covered = 0;
    for (const Gs1AiTable::Row& row : Gs1AiTable::Rows()) {
        covered += row.Last - row.First + 1U;
    }
    EXPECT_EQ(covered, listed) << "AIs of the table that the list does not have";
}

// Each row at its edges: the shortest and longest data of its own characters are taken, one
// character less or more is refused naming the AI, and so is a character outside its set.
TEST(Gs1AiTable, EveryRowTakesItsLengthsAndRefusesOthers) {
    for (const Gs1AiTable::Row& row : Gs1AiTable::Rows()) {
        const std::string ai = std::to_string(row.First);
        const std::string padded = std::string(row.Digits - ai.size(), '0') + ai;
        const auto data = [&](std::size_t length) {
            // Dates of 1 January, digits elsewhere; a valid check digit where there is one.
            std::string text(length, '1');
            if (row.DateField != Date::None && length >= 6) {
                text.replace(0, 6, "200101");
            }
            if (row.CheckLength > 0 && length >= row.CheckStart + row.CheckLength) {
                text[row.CheckStart + row.CheckLength - 1U] =
                    Gs1ElementString::CheckDigit(text.substr(row.CheckStart, row.CheckLength - 1U));
            }
            return "[" + padded + "]" + text;
        };
        EXPECT_TRUE(Gs1ElementString::Parse(data(row.MinLength)).Ok()) << data(row.MinLength);
        EXPECT_TRUE(Gs1ElementString::Parse(data(row.MaxLength)).Ok()) << data(row.MaxLength);
        const auto tooLong = Gs1ElementString::Parse(data(row.MaxLength + 1U));
        EXPECT_NE(tooLong.Error.find("AI (" + padded + ")"), std::string::npos) << tooLong.Error;
        if (row.MinLength > 1) {
            EXPECT_FALSE(Gs1ElementString::Parse(data(row.MinLength - 1U)).Ok()) << padded;
        }
        const std::string outside =
            data(row.MaxLength).substr(0, row.Digits + 2U + row.MaxLength - 1U) + "~";
        EXPECT_FALSE(Gs1ElementString::Parse(outside).Ok()) << outside;
    }
}

// Dates by the rows' kinds: day 00 (the whole month) only where the row allows it, 29 February
// only in a year divisible by four, the hour of YYMMDDHH below 24.
TEST(Gs1AiTable, DatesAreCheckedByTheirKind) {
    for (const Gs1AiTable::Row& row : Gs1AiTable::Rows()) {
        if (row.DateField == Date::None) {
            continue;
        }
        std::string ai = "[";
        ai.append(std::to_string(row.First)).append("]");
        const auto with = [&](const std::string& date) {
            return Gs1ElementString::Parse(ai + date + std::string(row.MinLength - 6U, '0')).Ok();
        };
        EXPECT_EQ(with("260100"), row.DateField == Date::Yymmd0) << ai;
        EXPECT_TRUE(with("240229")) << ai;
        EXPECT_FALSE(with("250229")) << ai;
        EXPECT_FALSE(with("250431")) << ai;
        EXPECT_FALSE(with("251301")) << ai;
    }
    EXPECT_FALSE(Gs1ElementString::Parse("[8008]25010124").Ok());
    EXPECT_TRUE(Gs1ElementString::Parse("[8008]25010123").Ok());
}

} // namespace
} // namespace ostrel::payload
