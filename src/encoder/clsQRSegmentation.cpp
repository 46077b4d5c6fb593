#include "clsQRSegmentation.h"

#include "clsSegmentWriter.h"

#include <vector>

namespace ostrel {

namespace {

// The trace buffer of the calling thread and whether an object holds it.
struct ThreadTrace {
    std::vector<std::uint8_t> Bytes;
    bool Held = false;
};

ThreadTrace& CallingThreadTrace() {
    thread_local ThreadTrace trace;
    return trace;
}

} // namespace

clsQRSegmentation::clsQRSegmentation(const std::uint8_t* data, std::int32_t length,
                                     const Settings& settings)
    : m_Data(data), m_Length(length), m_Settings(settings),
      m_PrefixBits(
          (settings.StructuredAppend ? clsSegmentWriter::StructuredAppendHeaderBits : 0) +
          (length > 0 ? clsSegmentWriter::EciHeaderBits(settings.EciDesignator) + Fnc1Bits(settings)
                      : 0)) {
    const std::size_t size = 2 * static_cast<std::size_t>(length);
    ThreadTrace& trace = CallingThreadTrace();
    if (trace.Held) {
        m_OwnTrace = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        m_Trace = m_OwnTrace.get();
        return;
    }
    if (trace.Bytes.size() < size) {
        trace.Bytes.resize(size);
    }
    trace.Held = true;
    m_Trace = trace.Bytes.data();
}

clsQRSegmentation::~clsQRSegmentation() {
    if (!m_OwnTrace) {
        CallingThreadTrace().Held = false;
    }
}

std::int32_t clsQRSegmentation::Fnc1Bits(const Settings& settings) {
    if (!settings.Fnc1) {
        return 0;
    }
    return clsModeTable::QRIndicatorBits + (settings.Fnc1Application != Fnc1FirstPosition
                                                ? clsSegmentWriter::Fnc1ApplicationBits
                                                : 0);
}

clsModeTable clsQRSegmentation::Table(std::int32_t version) const {
    const clsModeTable table = clsModeTable::QRModel2(version, m_Settings.Kanji, m_Settings.Hanzi);
    return m_Settings.Fnc1 ? table.WithFnc1() : table;
}

const clsSegmentSearch::End& clsQRSegmentation::Search(std::int32_t version) {
    const std::int32_t countClass = clsModeTable::QRCountClass(version);
    if (countClass != m_SearchedClass) {
        m_End = clsSegmentSearch::Search(m_Data, m_Length, Table(version), m_Trace);
        m_SearchedClass = countClass;
    }
    return m_End;
}

std::int32_t clsQRSegmentation::MeasuredBits(std::int32_t version) {
    if (m_Length == 0) {
        return m_PrefixBits + clsModeTable::QRTerminatorBits;
    }
    return m_PrefixBits + Search(version).Cost + clsModeTable::QRTerminatorBits;
}

std::int64_t clsQRSegmentation::DigitBoundTimesSix() const {
    return 6 * static_cast<std::int64_t>(m_PrefixBits) +
           clsSegmentSearch::DigitBoundTimesSix(m_Data, m_Length);
}

std::int64_t clsQRSegmentation::LeastBitsTimesSix() const {
    return 6 * static_cast<std::int64_t>(m_PrefixBits) +
           clsSegmentSearch::LeastBitsTimesSix(m_Data, m_Length, Table(1));
}

bool clsQRSegmentation::ByteSegmentHoldsHighByte(std::int32_t version) {
    if (m_Length == 0) {
        return false;
    }
    const clsModeTable table = Table(version);
    const clsSegmentSearch::End& end = Search(version);
    std::uint8_t* const modes = m_Trace + m_Length;
    clsSegmentSearch::TraceModes(m_Trace, m_Length, end.Mode, modes, table.DoubleByteMode());
    for (std::int32_t i = 0; i < m_Length; ++i) {
        if (modes[i] == clsModeTable::Byte && m_Data[i] >= 0x80) {
            return true;
        }
    }
    return false;
}

template <typename Writer>
std::int32_t clsQRSegmentation::Write(Writer& out, std::int32_t version) {
    if (const auto& header = m_Settings.StructuredAppend) {
        // Counted in the writer's position, as the ECI header is.
        clsSegmentWriter::WriteStructuredAppendHeader(out, header->Index, header->Count,
                                                      header->Parity);
    }
    if (m_Length == 0) {
        out.Put(0, clsModeTable::QRTerminatorBits);
        const std::int32_t length = out.Position();
        out.Finish();
        return length;
    }
    const clsModeTable table = Table(version);
    const clsSegmentSearch::End& end = Search(version);
    std::uint8_t* const modes = m_Trace + m_Length;
    clsSegmentSearch::TraceModes(m_Trace, m_Length, end.Mode, modes, table.DoubleByteMode());
    clsSegmentWriter::WriteEciHeader(out, m_Settings.EciDesignator, table);
    clsSegmentWriter::WriteFnc1(
        out, table,
        m_Settings.Fnc1Application == Fnc1FirstPosition ? -1 : m_Settings.Fnc1Application);
    return clsSegmentWriter::WriteSegments(out, m_Data, m_Length, table, modes);
}

template std::int32_t clsQRSegmentation::Write<clsBitWriter>(clsBitWriter&, std::int32_t);
template std::int32_t clsQRSegmentation::Write<clsCodewordWriter>(clsCodewordWriter&, std::int32_t);

} // namespace ostrel
