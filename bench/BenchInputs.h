#pragma once
// The inputs of the benchmark: the same bytes go to our encoder and to the peers.

#include "clsQRCode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::bench {

struct Input {
    std::string Name;                 // short name used in the benchmark names
    std::string Description;          // for the report
    std::vector<std::uint8_t> Bytes;  // UTF-8 (ASCII for the Latin inputs)
    std::int32_t Level = 3;           // level number, 3 = Q
    bool Kanji = true;                // our encoder's Kanji-mode setting
    bool Utf8NonAscii = false;        // the peers need to be told the text is UTF-8
    std::int32_t ExpectedVersion = 0; // the version our encoder must choose (0: not checked)
};

// Every input, in report order. Built once; the filling lengths are found with the encoder's own
// version choice and checked against the known figures (1663 letters for version 40 at level Q).
const std::vector<Input>& Inputs();

// The input of the given name; aborts when there is none.
const Input& InputNamed(const std::string& name);

} // namespace ostrel::bench
