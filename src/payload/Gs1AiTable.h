#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ostrel::payload {

// The GS1 application identifiers (GS1's published AI table and its list of AIs of predefined
// length), one row per AI or per run of AIs that share one format
// (3100-3105: net weight in kg with the decimal point in the last digit), as data: a reader can
// hold the rows beside the published list.
//
// A row describes the data field after the AI: its shortest and longest length, the characters
// it takes (numeric, the 82 characters of GS1 set 82, the 39 of set 39, the 64 of set 64), how
// many leading characters are digits whatever the set (a country code before an address, a GTIN
// before a serial), a mod-10 check digit over a field (its first character and length), a date
// at the start (YYMMDD; day 00 allowed where GS1 allows a month without its day);
// and whether the AI is of predefined length, so that no FNC1 separator follows it.
class Gs1AiTable {
public:
    enum class Characters : std::uint8_t { Numeric, Set82, Set39, Set64 };
    enum class Date : std::uint8_t {
        None,
        Yymmdd,   // a real day
        Yymmd0,   // a real day, or day 00 for the whole month
        Yymmddhh, // a real day and an hour 00..23
    };

    struct Row {
        std::uint16_t First; // the AI, or the first of a run (91 .. 99, 3100 .. 3105)
        std::uint16_t Last;
        std::uint8_t Digits; // digits of the AI: 2, 3 or 4
        std::uint8_t MinLength;
        std::uint8_t MaxLength;
        Characters Set;
        std::uint8_t NumericPrefix; // leading characters that are digits (all for Numeric)
        std::uint8_t CheckStart;    // the check-digit field: its first character ...
        std::uint8_t CheckLength;   // ... and its length, the check digit last; 0 for none
        Date DateField;             // at the start of the data
        bool Predefined;            // of predefined length: no separator after it
    };

    // Every row, by AI.
    static std::span<const Row> Rows();

    // The row of an AI written as its 2 to 4 digits ("01", "3103"); null for none.
    static const Row* Find(std::string_view ai);

    // Whether a character belongs to a set.
    static bool InSet(char c, Characters set);
};

} // namespace ostrel::payload
