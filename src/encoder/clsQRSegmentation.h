#pragma once

#include "clsModeTable.h"
#include "clsSegmentSearch.h"

#include <cstdint>
#include <memory>

namespace ostrel {

// The data bit stream of one input for QR Code Model 2 (ISO/IEC 18004 clause 7.4): the ECI
// header when a designator is set (non-empty input only), the optimal segments (clsSegmentSearch
// under the QR mode table of the version's count class), the terminator.
//
// The segmentation depends on the count class only (versions 1-9, 10-26, 27-40), so the search
// made to measure a class also serves the writing pass for any version of that class: the object
// keeps the predecessors of its last search. An input of length 0 is the terminator alone.
class clsQRSegmentation {
public:
    // data[0 .. length-1] (length >= 0; not copied: data must outlive the object).
    clsQRSegmentation(const std::uint8_t* data, std::int32_t length, bool kanji,
                      std::int32_t eciDesignator);

    std::int32_t Length() const { return m_Length; }
    // Bits of the ECI header (0 without one, and for empty input).
    std::int32_t EciBits() const { return m_EciBits; }

    // The stream length for a version's count class, terminator included.
    std::int32_t MeasuredBits(std::int32_t version);
    // Six times a lower bound of the stream's bits without the terminator, whatever the class.
    std::int64_t LeastBitsTimesSix() const;

    // Writes the stream for version into out (clsBitWriter or clsCodewordWriter), finishes it and
    // returns its length, terminator included.
    template <typename Writer> std::int32_t Write(Writer& out, std::int32_t version);

private:
    // Searches the count class of version unless the last search was for it.
    const clsSegmentSearch::End& Search(std::int32_t version);

    const std::uint8_t* m_Data;
    std::int32_t m_Length;
    bool m_Kanji;
    std::int32_t m_EciDesignator;
    std::int32_t m_EciBits;
    // The predecessors of the last search, then the mode of every byte (2 x length bytes, not
    // cleared: the search and the trace back write every byte before it is read).
    std::unique_ptr<std::uint8_t[]> m_Trace;
    std::int32_t m_SearchedClass = -1; // the count class of m_Trace; -1 for none
    clsSegmentSearch::End m_End;
};

} // namespace ostrel
