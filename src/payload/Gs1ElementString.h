#pragma once

#include "Gs1AiTable.h"
#include "PayloadResult.h"

#include <string>
#include <string_view>
#include <vector>

namespace ostrel::payload {

// GS1 element strings in the human-readable form, each AI in brackets or in parentheses
// ("[01]09501101530003[17]260101[10]ABC123", "(01)09501101530003(17)..."), checked against
// Gs1AiTable and turned into the data of a symbol with FNC1 in first position: the AIs and their
// data one after the other, the separator 0x1D after every element that is not of predefined
// length and not the last.
//
// The parenthesis form reads '(' as the start of an AI: data that holds '(' takes the bracket
// form ('[' is outside GS1 set 82).
class Gs1ElementString {
public:
    static constexpr char Separator = '\x1D';

    struct Element {
        std::string Ai;
        std::string Data;
    };

    // The elements of text, or why it is none; Error names the AI and the position (1 for
    // text's first character) of the first fault.
    struct Parsed {
        std::vector<Element> Elements;
        std::string Error;
        bool Ok() const { return Error.empty(); }
    };
    static Parsed Parse(std::string_view text);

    // The symbol data of text (PayloadResult::Bytes), or Parse's error.
    static PayloadResult Encode(std::string_view text);

    // The symbol data of checked elements.
    static std::string Join(const std::vector<Element>& elements);

    // The fault of one element's data against its row, empty when there is none; offset receives
    // the fault's place in the data.
    static std::string Check(const Gs1AiTable::Row& row, std::string_view data,
                             std::size_t& offset);

    // The GS1 mod-10 check digit of digits (weights 3, 1, 3, ... from the right).
    static char CheckDigit(std::string_view digits);
};

} // namespace ostrel::payload
