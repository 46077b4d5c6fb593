#pragma once

#include "clsModeTable.h"
#include "clsSegmentSearch.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace ostrel {

// The data bit stream of one input for QR Code Model 2 (ISO/IEC 18004 clause 7.4): the
// structured-append header when one is set (clause 8; also for empty input), the ECI header when
// a designator is set (non-empty input only), the optimal segments (clsSegmentSearch under the QR
// mode table of the version's count class, with Kanji or Hanzi as the settings say), the
// terminator.
//
// The segmentation depends on the count class only (versions 1-9, 10-26, 27-40), so the search
// made to measure a class also serves the writing pass for any version of that class: the object
// keeps the predecessors of its last search. An input of length 0 is the terminator alone.
class clsQRSegmentation {
public:
    // The structured-append header of one symbol: its position Index (0..15), the number of
    // symbols Count (1..16) and the parity byte of the whole message.
    struct StructuredAppendHeader {
        std::int32_t Index = 0;
        std::int32_t Count = 1;
        std::uint8_t Parity = 0;
    };
    // What goes into the stream besides the data: the double-byte modes the search may take
    // (Hanzi leaves Kanji out: their pairs overlap), the ECI designator (0 for none), the
    // structured-append header, and FNC1 in first position (GS1 data: the indicator after the
    // headers, separators as clsModeTable::WithFnc1 says).
    static constexpr std::uint8_t Fnc1FirstPosition = 0xFF;
    struct Settings {
        bool Kanji = true;
        bool Hanzi = false;
        // FNC1 (in the padding after Hanzi: the structure keeps its 2.0 layout): in first
        // position, or with an application indicator other than Fnc1FirstPosition in second.
        bool Fnc1 = false;
        std::uint8_t Fnc1Application = Fnc1FirstPosition;
        std::int32_t EciDesignator = 0;
        std::optional<StructuredAppendHeader> StructuredAppend;
    };

    // data[0 .. length-1] (length >= 0; not copied: data must outlive the object).
    clsQRSegmentation(const std::uint8_t* data, std::int32_t length, const Settings& settings);
    ~clsQRSegmentation();
    clsQRSegmentation(const clsQRSegmentation&) = delete;
    clsQRSegmentation& operator=(const clsQRSegmentation&) = delete;

    std::int32_t Length() const { return m_Length; }
    // Bits ahead of the segments: the structured-append header, then the ECI header and the FNC1
    // indicator (none for empty input).
    std::int32_t PrefixBits() const { return m_PrefixBits; }

    // The stream length for a version's count class, terminator included.
    std::int32_t MeasuredBits(std::int32_t version);
    // Six times a lower bound of the stream's bits without the terminator, whatever the class.
    std::int64_t LeastBitsTimesSix() const;
    // A weaker and quicker bound of the same (clsSegmentSearch::DigitBoundTimesSix).
    std::int64_t DigitBoundTimesSix() const;
    // Whether a byte-mode segment of the segmentation for version's count class holds a byte
    // 0x80 or above (a character of a double-byte set that the search found cheaper as bytes
    // beside ASCII). False for empty input.
    bool ByteSegmentHoldsHighByte(std::int32_t version);

    // Writes the stream for version into out (clsBitWriter or clsCodewordWriter), finishes it and
    // returns its length, terminator included.
    template <typename Writer> std::int32_t Write(Writer& out, std::int32_t version);

private:
    // Searches the count class of version unless the last search was for it.
    const clsSegmentSearch::End& Search(std::int32_t version);

    // The bits of the FNC1 header of the settings (0 without FNC1).
    static std::int32_t Fnc1Bits(const Settings& settings);

    // The mode table of version's count class under the settings.
    clsModeTable Table(std::int32_t version) const;

    const std::uint8_t* m_Data;
    std::int32_t m_Length;
    Settings m_Settings;
    std::int32_t m_PrefixBits;
    // The predecessors of the last search, then the mode of every byte (2 x length bytes, not
    // cleared: the search and the trace back write every byte before it is read). They live in
    // the calling thread's buffer, kept between objects so that a stream allocates nothing once
    // the buffer has grown; an object made while another holds that buffer has its own.
    std::uint8_t* m_Trace = nullptr;
    std::unique_ptr<std::uint8_t[]> m_OwnTrace;
    std::int32_t m_SearchedClass = -1; // the count class of m_Trace; -1 for none
    clsSegmentSearch::End m_End;
};

} // namespace ostrel
