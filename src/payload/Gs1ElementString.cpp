#include "Gs1ElementString.h"

#include <algorithm>
#include <array>

namespace ostrel::payload {

namespace {

using Row = Gs1AiTable::Row;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::int32_t TwoDigits(std::string_view text, std::size_t at) {
    return 10 * (text[at] - '0') + (text[at + 1] - '0');
}

// Days of month (1..12) in year yy: February has 29 in every year divisible by four, which
// holds for each year that two digits stand for (1951 .. 2049 and beyond, 2000 included).
std::int32_t DaysIn(std::int32_t month, std::int32_t yy) {
    constexpr std::array<std::int32_t, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && yy % 4 == 0 ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// The fault of the date at the start of data (all digits, long enough), empty when none.
std::string DateFault(Gs1AiTable::Date kind, std::string_view data, std::size_t& offset) {
    const std::int32_t yy = TwoDigits(data, 0);
    const std::int32_t month = TwoDigits(data, 2);
    const std::int32_t day = TwoDigits(data, 4);
    if (month < 1 || month > 12) {
        offset = 2;
        std::string fault = "no month ";
        fault.append(data.substr(2, 2));
        return fault;
    }
    const bool wholeMonth = day == 0 && kind == Gs1AiTable::Date::Yymmd0;
    if (!wholeMonth && (day < 1 || day > DaysIn(month, yy))) {
        offset = 4;
        std::string fault = "no day ";
        fault.append(data.substr(4, 2));
        fault.append(" in month ");
        fault.append(data.substr(2, 2));
        return fault;
    }
    if (kind == Gs1AiTable::Date::Yymmddhh && TwoDigits(data, 6) > 23) {
        offset = 6;
        std::string fault = "no hour ";
        fault.append(data.substr(6, 2));
        return fault;
    }
    return {};
}

std::string SetName(Gs1AiTable::Characters set) {
    switch (set) {
    case Gs1AiTable::Characters::Numeric:
        return "digits";
    case Gs1AiTable::Characters::Set82:
        return "GS1 set 82";
    case Gs1AiTable::Characters::Set39:
        return "GS1 set 39";
    case Gs1AiTable::Characters::Set64:
        return "GS1 set 64";
    }
    return {};
}

std::string LengthFault(const Row& row, std::size_t length) {
    std::string fault = "the data has " + std::to_string(length) + " characters, not ";
    fault.append(std::to_string(row.MinLength));
    if (row.MaxLength != row.MinLength) {
        fault.append(row.MinLength == 1 ? " to " : "..");
        fault.append(std::to_string(row.MaxLength));
    }
    return fault;
}

} // namespace

char Gs1ElementString::CheckDigit(std::string_view digits) {
    std::int32_t sum = 0;
    std::int32_t weight = 3;
    for (auto c = digits.rbegin(); c != digits.rend(); ++c) {
        sum += weight * (*c - '0');
        weight = 4 - weight;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string Gs1ElementString::Check(const Row& row, std::string_view data, std::size_t& offset) {
    offset = 0;
    if (data.size() < row.MinLength || data.size() > row.MaxLength) {
        return LengthFault(row, data.size());
    }
    for (std::size_t k = 0; k < data.size(); ++k) {
        const bool digit = k < row.NumericPrefix;
        if (digit ? !IsDigit(data[k]) : !Gs1AiTable::InSet(data[k], row.Set)) {
            offset = k;
            std::string fault = "'";
            fault.push_back(data[k]);
            fault.append("' is outside ");
            fault.append(digit ? "the digits" : SetName(row.Set));
            return fault;
        }
    }
    if (row.CheckLength > 0) {
        const std::size_t last = row.CheckStart + row.CheckLength - 1U;
        const char expected = CheckDigit(data.substr(row.CheckStart, row.CheckLength - 1U));
        if (data[last] != expected) {
            offset = last;
            std::string fault = "check digit ";
            fault.push_back(data[last]);
            fault.append(", expected ");
            fault.push_back(expected);
            return fault;
        }
    }
    if (row.DateField != Gs1AiTable::Date::None) {
        return DateFault(row.DateField, data, offset);
    }
    return {};
}

Gs1ElementString::Parsed Gs1ElementString::Parse(std::string_view text) {
    Parsed parsed;
    if (text.empty() || (text[0] != '[' && text[0] != '(')) {
        parsed.Error = "GS1 data starts with an AI in brackets, [01] or (01)";
        return parsed;
    }
    const char open = text[0];
    const char close = open == '[' ? ']' : ')';
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find(close, at + 1);
        const std::string_view ai = text.substr(
            at + 1, end == std::string_view::npos ? std::string_view::npos : end - at - 1);
        const std::string place = " at position " + std::to_string(at + 2);
        const Row* row = end == std::string_view::npos ? nullptr : Gs1AiTable::Find(ai);
        if (row == nullptr) {
            parsed.Error = "AI (" + std::string(ai.substr(0, 8)) + ")" + place + ": no such AI";
            return parsed;
        }
        const std::size_t next = std::min(text.find(open, end + 1), text.size());
        const std::string_view data = text.substr(end + 1, next - end - 1);
        std::size_t offset = 0;
        const std::string fault = Check(*row, data, offset);
        if (!fault.empty()) {
            parsed.Error = "AI (" + std::string(ai) + ") at position " +
                           std::to_string(end + 2 + offset) + ": " + fault;
            return parsed;
        }
        parsed.Elements.push_back({std::string(ai), std::string(data)});
        at = next;
    }
    return parsed;
}

std::string Gs1ElementString::Join(const std::vector<Element>& elements) {
    std::string bytes;
    for (std::size_t k = 0; k < elements.size(); ++k) {
        bytes.append(elements[k].Ai);
        bytes.append(elements[k].Data);
        const Row* row = Gs1AiTable::Find(elements[k].Ai);
        if (k + 1 < elements.size() && row != nullptr && !row->Predefined) {
            bytes.push_back(Separator);
        }
    }
    return bytes;
}

PayloadResult Gs1ElementString::Encode(std::string_view text) {
    const Parsed parsed = Parse(text);
    if (!parsed.Ok()) {
        return PayloadResult::Failure(parsed.Error);
    }
    return {Join(parsed.Elements), {}};
}

} // namespace ostrel::payload
