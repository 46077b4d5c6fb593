#include "Gs1Samples.h"

#include "Gs1AiTable.h"

#include <algorithm>

namespace ostrel::test {

namespace {

using payload::Gs1AiTable;

// The characters of GS1 set 82.
const std::string kSet82 = "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_"
                           "abcdefghijklmnopqrstuvwxyz";

std::int32_t Uniform(std::mt19937& random, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(random);
}

std::string Digits(std::mt19937& random, std::int32_t n) {
    std::string text;
    for (std::int32_t k = 0; k < n; ++k) {
        text.push_back(static_cast<char>('0' + Uniform(random, 0, 9)));
    }
    return text;
}

std::string TwoDigits(std::int32_t value) {
    std::string text(1, static_cast<char>('0' + value / 10));
    text.push_back(static_cast<char>('0' + value % 10));
    return text;
}

// A real date YYMMDD (days 1..28, valid in every month).
std::string RandomDate(std::mt19937& random) {
    std::string date = TwoDigits(Uniform(random, 0, 99));
    date.append(TwoDigits(Uniform(random, 1, 12)));
    date.append(TwoDigits(Uniform(random, 1, 28)));
    return date;
}

// The characters of GS1 set 82 that QR Code's alphanumeric mode has, '%' left out.
const std::string kAlphanumeric = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ*+-./:";

std::string Text(std::mt19937& random, std::int32_t n, Gs1Text kind) {
    const std::string& set = kind == Gs1Text::Set82 ? kSet82 : kAlphanumeric;
    std::string text;
    for (std::int32_t k = 0; k < n; ++k) {
        const bool mark = kind == Gs1Text::Percent && Uniform(random, 0, 3) == 0;
        text.push_back(mark ? '%'
                            : set[static_cast<std::size_t>(
                                  Uniform(random, 0, static_cast<std::int32_t>(set.size()) - 1))]);
    }
    return text;
}

// Valid data of one AI of SampleAis.
std::string RandomData(const std::string& ai, std::mt19937& random, std::int32_t maxLength,
                       Gs1Text text) {
    const Gs1AiTable::Row* row = Gs1AiTable::Find(ai);
    const std::int32_t high = std::min<std::int32_t>(row->MaxLength, maxLength);
    const std::int32_t length = Uniform(random, std::min<std::int32_t>(row->MinLength, high), high);
    if (row->DateField != Gs1AiTable::Date::None) {
        // A time after the date (7003) as HHMM.
        return RandomDate(random) + (row->MinLength > 6 ? TwoDigits(Uniform(random, 0, 23)) +
                                                              TwoDigits(Uniform(random, 0, 59))
                                                        : "");
    }
    if (row->CheckLength > 0) {
        std::string key = Digits(random, row->CheckLength - 1);
        key.push_back(Mod10(key));
        return key;
    }
    if (row->Set == Gs1AiTable::Characters::Numeric) {
        return Digits(random, length);
    }
    return Text(random, length, text);
}

} // namespace

const std::vector<std::string>& SampleAis() {
    static const std::vector<std::string> ais = {
        "00",   "01",   "02",   "10",   "11",  "12",  "13",   "15",   "16",   "17",
        "20",   "21",   "22",   "30",   "37",  "240", "241",  "242",  "250",  "251",
        "400",  "403",  "410",  "414",  "415", "420", "3102", "3205", "3300", "3922",
        "7003", "7006", "8005", "8020", "90",  "91",  "99"};
    return ais;
}

Gs1Sample RandomGs1(std::mt19937& random, std::int32_t maxElements, std::int32_t maxLength,
                    Gs1Text text) {
    Gs1Sample sample;
    sample.Elements = Uniform(random, 1, maxElements);
    const auto& ais = SampleAis();
    for (std::int32_t k = 0; k < sample.Elements; ++k) {
        const std::string& ai = ais[static_cast<std::size_t>(
            Uniform(random, 0, static_cast<std::int32_t>(ais.size()) - 1))];
        const std::string data = RandomData(ai, random, maxLength, text);
        sample.Bracketed.append("[" + ai + "]" + data);
        if (k > 0 && !PredefinedLength(sample.LastAi)) {
            sample.Transmitted.push_back('\x1D');
        }
        sample.Transmitted.append(ai + data);
        sample.LastAi = ai;
    }
    return sample;
}

bool PredefinedLength(const std::string& ai) {
    const std::int32_t prefix = 10 * (ai[0] - '0') + (ai[1] - '0');
    return prefix <= 4 || (prefix >= 11 && prefix <= 20) || prefix == 23 ||
           (prefix >= 31 && prefix <= 36) || prefix == 41;
}

char Mod10(const std::string& digits) {
    std::int32_t sum = 0;
    for (std::size_t k = 0; k < digits.size(); ++k) {
        // The digit next to the check digit weighs 3.
        const bool three = (digits.size() - k) % 2 == 1;
        sum += (three ? 3 : 1) * (digits[k] - '0');
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

} // namespace ostrel::test
