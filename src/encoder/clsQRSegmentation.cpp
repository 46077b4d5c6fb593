#include "clsQRSegmentation.h"

#include "clsSegmentWriter.h"

namespace ostrel {

clsQRSegmentation::clsQRSegmentation(const std::uint8_t* data, std::int32_t length, bool kanji,
                                     std::int32_t eciDesignator)
    : m_Data(data), m_Length(length), m_Kanji(kanji), m_EciDesignator(eciDesignator),
      m_EciBits(length > 0 ? clsSegmentWriter::EciHeaderBits(eciDesignator) : 0),
      m_Trace(
          std::make_unique_for_overwrite<std::uint8_t[]>(2 * static_cast<std::size_t>(length))) {}

const clsSegmentSearch::End& clsQRSegmentation::Search(std::int32_t version) {
    const std::int32_t countClass = clsModeTable::QRCountClass(version);
    if (countClass != m_SearchedClass) {
        m_End = clsSegmentSearch::Search(m_Data, m_Length, clsModeTable::QRModel2(version, m_Kanji),
                                         m_Trace.get());
        m_SearchedClass = countClass;
    }
    return m_End;
}

std::int32_t clsQRSegmentation::MeasuredBits(std::int32_t version) {
    if (m_Length == 0) {
        return clsModeTable::QRTerminatorBits;
    }
    return m_EciBits + Search(version).Cost + clsModeTable::QRTerminatorBits;
}

std::int64_t clsQRSegmentation::LeastBitsTimesSix() const {
    return 6 * static_cast<std::int64_t>(m_EciBits) +
           clsSegmentSearch::LeastBitsTimesSix(m_Data, m_Length,
                                               clsModeTable::QRModel2(1, m_Kanji));
}

template <typename Writer>
std::int32_t clsQRSegmentation::Write(Writer& out, std::int32_t version) {
    if (m_Length == 0) {
        out.Put(0, clsModeTable::QRTerminatorBits);
        const std::int32_t length = out.Position();
        out.Finish();
        return length;
    }
    const clsSegmentSearch::End& end = Search(version);
    std::uint8_t* const modes = m_Trace.get() + m_Length;
    clsSegmentSearch::TraceModes(m_Trace.get(), m_Length, end.Mode, modes);
    clsSegmentWriter::WriteEciHeader(out, m_EciDesignator); // counted in the writer's position
    return clsSegmentWriter::WriteSegments(out, m_Data, m_Length,
                                           clsModeTable::QRModel2(version, m_Kanji), modes);
}

template std::int32_t clsQRSegmentation::Write<clsBitWriter>(clsBitWriter&, std::int32_t);
template std::int32_t clsQRSegmentation::Write<clsCodewordWriter>(clsCodewordWriter&, std::int32_t);

} // namespace ostrel
