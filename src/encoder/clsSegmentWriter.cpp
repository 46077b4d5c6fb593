#include "clsSegmentWriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ostrel {

namespace {

using Mode = clsModeTable::Mode;

// Structured append (clause 8, QR Code only): its 4-bit mode indicator, then position, count less
// one and parity.
constexpr std::uint32_t kStructuredAppendIndicator = 0b0011;
constexpr std::int32_t kStructuredAppendFieldBits = 4;
constexpr std::int32_t kParityBits = 8;
// The prefixes of the two- and three-byte designators and the bits that follow them.
constexpr std::uint32_t kEciTwoBytePrefix = 0b10;
constexpr std::int32_t kEciTwoByteValueBits = 14;
constexpr std::uint32_t kEciThreeBytePrefix = 0b110;
constexpr std::int32_t kEciThreeByteValueBits = 21;

constexpr std::uint32_t kAlphanumericRadix = 45;
// Only the low four bits of an ASCII digit carry its value.
constexpr std::uint8_t kDigitValueMask = 0x0F;

std::uint32_t Digit(std::uint8_t byte) {
    return byte & kDigitValueMask;
}

// The length in bytes of the segment starting at s: the run of equal modes, at most limit bytes,
// eight modes compared at a time while they last.
std::int32_t SegmentLength(const std::uint8_t* modes, std::int32_t s, std::int32_t limit) {
    const std::uint8_t mode = modes[s];
    const std::uint64_t same = 0x0101010101010101ULL * mode;
    std::int32_t len = 1;
    for (std::uint64_t word = 0; len + 8 <= limit; len += 8) {
        std::memcpy(&word, modes + s + len, sizeof word);
        if (word != same) {
            break;
        }
    }
    while (len < limit && modes[s + len] == mode) {
        ++len;
    }
    return len;
}

template <typename Writer>
void WriteNumeric(Writer& out, const std::uint8_t* at, std::int32_t len) {
    std::int32_t k = 0;
    for (; k + 3 <= len; k += 3) {
        out.Put(100 * Digit(at[k]) + 10 * Digit(at[k + 1]) + Digit(at[k + 2]),
                clsModeTable::NumericTripleBits);
    }
    if (len - k == 2) {
        out.Put(10 * Digit(at[k]) + Digit(at[k + 1]), clsModeTable::NumericPairBits);
    } else if (len - k == 1) {
        out.Put(Digit(at[k]), clsModeTable::NumericSingleBits);
    }
}

template <typename Writer>
void WriteAlphanumeric(Writer& out, const std::uint8_t* at, std::int32_t len) {
    const auto value = [](std::uint8_t byte) {
        return static_cast<std::uint32_t>(clsModeTable::AlphanumericValue(byte));
    };
    std::int32_t k = 0;
    for (; k + 2 <= len; k += 2) {
        out.Put(kAlphanumericRadix * value(at[k]) + value(at[k + 1]),
                clsModeTable::AlphanumericPairBits);
    }
    if (k < len) {
        out.Put(value(at[k]), clsModeTable::AlphanumericSingleBits);
    }
}

// Under FNC1 in first position: the characters of an alphanumeric segment, the separator 0x1D as
// '%' and a '%' as '%%'. Returns how many bytes of at[0 .. len-1] start the segment while its
// characters stay within limit, and their characters in chars.
std::int32_t Fnc1Characters(const std::uint8_t* at, std::int32_t len, std::int32_t limit,
                            std::vector<std::uint8_t>& chars) {
    chars.clear();
    std::int32_t k = 0;
    for (; k < len; ++k) {
        const std::size_t width = at[k] == '%' ? 2 : 1;
        if (chars.size() + width > static_cast<std::size_t>(limit)) {
            break;
        }
        chars.insert(chars.end(), width, at[k] == clsModeTable::Fnc1Separator ? '%' : at[k]);
    }
    return k;
}

template <typename Writer> void WriteKanji(Writer& out, const std::uint8_t* at, std::int32_t len) {
    for (std::int32_t k = 0; k + 1 < len; k += 2) {
        out.Put(clsModeTable::KanjiValue(at[k], at[k + 1]), clsModeTable::KanjiBits);
    }
}

// Hanzi characters of GB 2312 (GB/T 18284): 13 bits each.
template <typename Writer> void WriteHanzi(Writer& out, const std::uint8_t* at, std::int32_t len) {
    for (std::int32_t k = 0; k + 1 < len; k += 2) {
        out.Put(clsModeTable::HanziValue(at[k], at[k + 1]), clsModeTable::HanziBits);
    }
}

} // namespace

template <typename Writer>
std::int32_t clsSegmentWriter::WriteSegments(Writer& out, const std::uint8_t* data, std::int32_t n,
                                             const clsModeTable& table, const std::uint8_t* modes) {
    std::vector<std::uint8_t> chars; // an alphanumeric segment's characters under FNC1
    for (std::int32_t s = 0; s < n;) {
        const std::int32_t mode = modes[s];
        const bool pairs = mode == Mode::Kanji || mode == Mode::Hanzi;
        const std::int32_t maxBytes = pairs ? 2 * table.MaxCount(mode) : table.MaxCount(mode);
        std::int32_t len = SegmentLength(modes, s, std::min(maxBytes, n - s));
        const std::uint8_t* at = data + s;
        const bool fnc1Text = mode == Mode::Alphanumeric && table.Fnc1();
        if (fnc1Text) {
            len = Fnc1Characters(at, len, table.MaxCount(mode), chars);
        }

        out.Put(table.Indicator(mode), table.IndicatorBits());
        if (mode == Mode::Hanzi) {
            out.Put(clsModeTable::HanziSubsetGb2312, clsModeTable::HanziSubsetBits);
        }
        const std::size_t count = fnc1Text ? chars.size() : static_cast<std::size_t>(len);
        out.Put(static_cast<std::uint32_t>(pairs ? len / 2 : count), table.CountBits(mode));
        if (fnc1Text) {
            WriteAlphanumeric(out, chars.data(), static_cast<std::int32_t>(chars.size()));
            s += len;
            continue;
        }
        switch (mode) {
        case Mode::Byte:
            out.PutBytes(at, len);
            break;
        case Mode::Numeric:
            WriteNumeric(out, at, len);
            break;
        case Mode::Alphanumeric:
            WriteAlphanumeric(out, at, len);
            break;
        case Mode::Hanzi:
            WriteHanzi(out, at, len);
            break;
        default:
            WriteKanji(out, at, len);
            break;
        }
        s += len;
    }
    out.Put(0, table.TerminatorBits());
    const std::int32_t length = out.Position();
    out.Finish();
    return length;
}

std::int32_t clsSegmentWriter::EciHeaderBits(std::int32_t designator, std::int32_t indicatorBits) {
    if (designator <= 0 || designator > EciLargestDesignator) {
        return 0;
    }
    if (designator <= EciOneByteLimit) {
        return indicatorBits + 8;
    }
    return indicatorBits + (designator <= EciTwoByteLimit ? 16 : 24);
}

template <typename Writer>
std::int32_t clsSegmentWriter::WriteEciHeader(Writer& out, std::int32_t designator,
                                              const clsModeTable& table) {
    const std::int32_t length = EciHeaderBits(designator, table.IndicatorBits());
    if (length == 0) {
        return 0;
    }
    out.Put(EciIndicator, table.IndicatorBits());
    const auto value = static_cast<std::uint32_t>(designator);
    if (designator <= EciOneByteLimit) {
        out.Put(value, 8);
    } else if (designator <= EciTwoByteLimit) {
        out.Put((kEciTwoBytePrefix << kEciTwoByteValueBits) | value, 16);
    } else {
        out.Put((kEciThreeBytePrefix << kEciThreeByteValueBits) | value, 24);
    }
    return length;
}

template <typename Writer>
std::int32_t clsSegmentWriter::WriteFnc1(Writer& out, const clsModeTable& table,
                                         std::int32_t application) {
    if (!table.Fnc1()) {
        return 0;
    }
    if (application < 0) {
        out.Put(Fnc1FirstIndicator, table.IndicatorBits());
        return table.IndicatorBits();
    }
    const bool qr = table.IndicatorBits() == clsModeTable::QRIndicatorBits;
    out.Put(qr ? QRFnc1SecondIndicator : RMQRFnc1SecondIndicator, table.IndicatorBits());
    out.Put(static_cast<std::uint32_t>(application), Fnc1ApplicationBits);
    return table.IndicatorBits() + Fnc1ApplicationBits;
}

template <typename Writer>
std::int32_t clsSegmentWriter::WriteStructuredAppendHeader(Writer& out, std::int32_t index,
                                                           std::int32_t count,
                                                           std::uint8_t parity) {
    out.Put(kStructuredAppendIndicator, clsModeTable::QRIndicatorBits);
    out.Put(static_cast<std::uint32_t>(index), kStructuredAppendFieldBits);
    out.Put(static_cast<std::uint32_t>(count - 1), kStructuredAppendFieldBits);
    out.Put(parity, kParityBits);
    return StructuredAppendHeaderBits;
}

template std::int32_t
clsSegmentWriter::WriteSegments<clsBitWriter>(clsBitWriter&, const std::uint8_t*, std::int32_t,
                                              const clsModeTable&, const std::uint8_t*);
template std::int32_t clsSegmentWriter::WriteSegments<clsCodewordWriter>(clsCodewordWriter&,
                                                                         const std::uint8_t*,
                                                                         std::int32_t,
                                                                         const clsModeTable&,
                                                                         const std::uint8_t*);
template std::int32_t clsSegmentWriter::WriteEciHeader<clsBitWriter>(clsBitWriter&, std::int32_t,
                                                                     const clsModeTable&);
template std::int32_t clsSegmentWriter::WriteEciHeader<clsCodewordWriter>(clsCodewordWriter&,
                                                                          std::int32_t,
                                                                          const clsModeTable&);
template std::int32_t clsSegmentWriter::WriteFnc1<clsBitWriter>(clsBitWriter&, const clsModeTable&,
                                                                std::int32_t);
template std::int32_t clsSegmentWriter::WriteFnc1<clsCodewordWriter>(clsCodewordWriter&,
                                                                     const clsModeTable&,
                                                                     std::int32_t);
template std::int32_t clsSegmentWriter::WriteStructuredAppendHeader<clsBitWriter>(clsBitWriter&,
                                                                                  std::int32_t,
                                                                                  std::int32_t,
                                                                                  std::uint8_t);
template std::int32_t
clsSegmentWriter::WriteStructuredAppendHeader<clsCodewordWriter>(clsCodewordWriter&, std::int32_t,
                                                                 std::int32_t, std::uint8_t);

} // namespace ostrel
