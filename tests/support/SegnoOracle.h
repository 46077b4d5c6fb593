#pragma once
// segno (Debian python3-segno), a whole-symbol peer for the tests: QR Code symbols made by
// another encoder at a given version, level and mask, to be compared module for module.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::test {

// One symbol for segno to make: the text (UTF-8), segno's mode ("hanzi", "byte", ...; empty for
// its own choice), version 1..40 (0: segno's smallest), level letter and mask 0..7. With
// Segments, the text is those segments in order, each with its mode, and Text and Mode are unused;
// a "byte" segment's text goes as its bytes, without a conversion. With Boost, segno raises the
// level as far as the version holds the data (its boost_error).
struct SegnoRequest {
    std::string Text;
    std::string Mode;
    int Version = 1;
    char Level = 'M';
    int Mask = 0;
    std::vector<std::pair<std::string, std::string>> Segments; // (mode, UTF-8 text or bytes)
    bool Boost = false;
};

// A symbol segno made: its level letter, version and modules (rows of '0' and '1').
struct SegnoSymbol {
    char Level = 0;
    int Version = 0;
    std::vector<std::string> Rows;
};

// The symbols of the requests in their order; nullopt for one segno refuses (as SegnoMatrices).
std::vector<std::optional<SegnoSymbol>> SegnoSymbols(const std::vector<SegnoRequest>& requests);

// The symbols' modules as rows of '0' and '1', without a quiet zone, in the order of the
// requests; nullopt for a symbol segno refuses. All requests go to one segno process
// (tests/tools/segno/segno-matrix.py under /usr/bin/python3); a process that cannot be run is
// a test failure, and every answer is then nullopt.
std::vector<std::optional<std::vector<std::string>>>
SegnoMatrices(const std::vector<SegnoRequest>& requests);

} // namespace ostrel::test
