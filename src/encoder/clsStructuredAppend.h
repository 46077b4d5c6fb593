#pragma once

#include "OstrelExport.h"

#include "clsQRCode.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ostrel {

// Structured append (ISO/IEC 18004 clause 8): a message too long for one symbol, or for the
// version a label has room for, spread over up to 16 QR Code symbols that a reader joins again.
// Every symbol starts with the 20-bit header (mode indicator 0011, the symbol's position 0..15,
// the number of symbols less one, and the parity byte: the XOR of every data byte of the whole
// message) and carries an optimal segmentation of its part after it.
//
// This class decides the split: the version of the symbols and where each part begins. It cuts
// only between characters (never inside a UTF-8 sequence or a double-byte pair), measures every
// part with the encoder's own segmentation search (clsQRCode::BuildBitStream, with whatever
// Kanji, Hanzi and ECI settings the encoder has) and never changes the encoder's settings.
//
// Standard library only; no state.
class OSTREL_API clsStructuredAppend {
public:
    // ---- Constants of clause 8 ----
    static constexpr std::int32_t MaxSymbols = 16;
    // Mode indicator 0011, 4-bit position, 4-bit count less one, 8-bit parity.
    static constexpr std::int32_t HeaderBits = 20;

    // Where the data may be cut: between any two bytes, or only between characters of UTF-8
    // (a sequence 2..4 bytes long stays whole), of Shift JIS (a lead byte 81..9F or E0..FC keeps
    // its trail byte) or of a double-byte character set in the EUC manner, GB 2312, GBK, Big5
    // (a lead byte 81..FE keeps its trail byte).
    enum class Characters { Bytes, Utf8, ShiftJis, DoubleByte };

    // One symbol's part of the data.
    struct Part {
        std::int32_t Offset = 0;
        std::int32_t Length = 0;
    };

    // The split of a message: the version every symbol has, the parts in order (their number
    // is the symbols' count) and the parity byte. On failure Parts is empty and Error says why
    // in words for the user ("the data needs 17 symbols of version 3 at level Q; structured
    // append joins 16 at most").
    struct Plan {
        std::int32_t Version = 0;
        std::vector<Part> Parts;
        std::uint8_t Parity = 0;
        std::string Error;
    };

    // The XOR of all bytes (0 for none).
    static std::uint8_t Parity(std::span<const std::uint8_t> data);

    // Splits data for level 1..4 (anything else is M, as in EncodeMatrix).
    // - version 1..40 and symbols 0: the fewest symbols of that version that hold the data;
    // - version 1..40 and symbols 1..16: exactly that many;
    // - version 0 (automatic): the smallest version at which `symbols` symbols (0: at most 16)
    //   hold the data, then as above.
    // The parts are as equal in length as the split allows: the longest part is as short as any
    // split into that many symbols can make it. Errors: symbols outside 0..16, a version outside
    // 0..40, more than 16 symbols needed, more symbols asked for than the data has characters,
    // and a part that no symbol of the version holds.
    static Plan Split(const clsQRCode& encoder, std::span<const std::uint8_t> data,
                      std::int32_t level, std::int32_t version, std::int32_t symbols,
                      Characters characters);

    // The positions where data may be cut, 0 and data.size() included, in increasing order.
    static std::vector<std::int32_t> CutPositions(std::span<const std::uint8_t> data,
                                                  Characters characters);
};

} // namespace ostrel
