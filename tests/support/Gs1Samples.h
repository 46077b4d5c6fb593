#pragma once
// Random GS1 element strings for the GS1 tests: valid data for a set of common AIs, in the
// bracket form that zint and the tool read, and the symbol data a reader must report (the AIs
// and their data, 0x1D after each element that is not last and whose AI is not of predefined
// length by the GS1 list of two-digit prefixes).

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ostrel::test {

struct Gs1Sample {
    std::string Bracketed;   // "[01]09501101530003[10]AB%1"
    std::string Transmitted; // "010950110153000310AB%1"
    std::int32_t Elements = 0;
    std::string LastAi;
};

// The characters of the set-82 fields of a sample.
enum class Gs1Text {
    Alphanumeric, // those of QR Code's alphanumeric mode: digits, A-Z, * + - . / :
    Percent,      // the same and '%', often
    Set82,        // all of GS1 set 82
};

// Between one and maxElements elements, the variable ones up to maxLength characters.
Gs1Sample RandomGs1(std::mt19937& random, std::int32_t maxElements, std::int32_t maxLength,
                    Gs1Text text);

// The AIs the samples draw from.
const std::vector<std::string>& SampleAis();

// Whether an AI is of predefined length: its first two digits are one of those in GS1's
// list of AIs of predefined length (00-04, 11-20, 23, 31-36, 41).
bool PredefinedLength(const std::string& ai);

// The GS1 mod-10 check digit of digits, the check digit itself not included.
char Mod10(const std::string& digits);

} // namespace ostrel::test
