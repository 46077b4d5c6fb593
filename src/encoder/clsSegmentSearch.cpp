#include "clsSegmentSearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace ostrel {

namespace {

using Mode = clsModeTable::Mode;
constexpr std::int32_t kUnreachable = clsSegmentSearch::Unreachable;

// The lowest lead byte of a Kanji-pair candidate, and of a Hanzi character: below it no pair
// test is needed.
constexpr std::uint8_t kLowestKanjiLead = 0x81;
constexpr std::uint8_t kLowestHanziLead = 0xA1;

// Every byte that a class table (with or without FNC1) does not count as another byte lies in
// kLowestCharacter .. kLowestCharacter + kCharacterSpan, so a block without a byte in that range
// holds only bytes that byte mode alone takes.
constexpr std::array<std::uint8_t, 2> kCharacterRange = [] {
    std::array<std::uint8_t, 2> range{0xFF, 0};
    for (const auto& classes :
         {modetable_detail::MakeCharClass(), modetable_detail::MakeFnc1CharClass()}) {
        for (std::size_t b = 0; b < classes.size(); ++b) {
            if (classes[b] != 0) {
                range[0] = std::min(range[0], static_cast<std::uint8_t>(b));
                range[1] = std::max(range[1], static_cast<std::uint8_t>(b));
            }
        }
    }
    return range;
}();
constexpr std::uint8_t kLowestCharacter = kCharacterRange[0];
constexpr std::uint8_t kCharacterSpan = kCharacterRange[1] - kCharacterRange[0];

// Sixteen bytes in one vector (GCC's vector extension; plain code where there is no vector unit).
constexpr std::int32_t kBlock = 16;
using Bytes16 = std::uint8_t __attribute__((vector_size(kBlock)));
using Words16 = std::uint64_t __attribute__((vector_size(kBlock)));

// True when one of the sixteen bytes from p on lies in lowest .. lowest + span.
inline bool AnyInRange(const std::uint8_t* p, std::uint8_t lowest, std::uint8_t span) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    const auto inRange = reinterpret_cast<Words16>((v - lowest) <= span);
    return (inRange[0] | inRange[1]) != 0;
}

// The cells of a position: byte, numeric, alphanumeric, and the double-byte cell, which holds
// the table's double-byte mode (Kanji or Hanzi, never both: clsModeTable::DoubleByteMode).
constexpr std::size_t kCells = 4;
constexpr std::size_t kDoubleByteCell = 3;

// Character classes of clsModeTable::CharClass.
constexpr std::uint8_t kOtherByte = 0;
constexpr std::uint8_t kDigit = 1;

// clsSegmentSearch::OtherBytesEnd: sixteen bytes at a time while none of them lies in the range
// of the alphanumeric set, those of a block with one byte by byte.
inline std::int32_t EndOfOtherBytes(const std::uint8_t* data, std::int32_t n, std::int32_t i,
                                    const std::uint8_t* classes) {
    while (i < n) {
        if (i + kBlock <= n && !AnyInRange(data + i, kLowestCharacter, kCharacterSpan)) {
            i += kBlock;
            continue;
        }
        for (const std::int32_t end = std::min(i + kBlock, n); i < end; ++i) {
            if (classes[data[i]] != kOtherByte) {
                return i;
            }
        }
    }
    return i;
}

// Rows of the same character class repeat after this many positions once settled: the length in
// which the character costs of both numeric (period 3) and alphanumeric mode (period 2) come round.
constexpr std::int32_t kRepeatPeriod = 6;
// The rows kept for the repetition: the last seven positions, by position modulo 8.
constexpr std::int32_t kRecentRows = 8;

// What the search reads of the mode table, once: the cost of a new segment's first character
// (header included), the largest counts, and which modes take part.
struct SearchCosts {
    std::array<std::int32_t, kCells> Start;
    std::array<std::int32_t, kCells> MaxRun;
    std::int32_t ByteHeader;
    bool ByteOk;
    bool NumericOk;
    bool AlphanumericOk;
    bool Kanji; // the double-byte cell takes part (Kanji or Hanzi pairs)
    bool Hanzi; // ... and takes Hanzi pairs
    std::uint8_t LowestLead;
    // Equal costs: a numeric or alphanumeric segment that starts anew beats one that continues
    // into a dearer next character (see Relax). Not for QR Code Model 2 (4-bit indicators), whose
    // streams keep the tie rule of the standard's reference segmentation, lower mode first.
    bool PhaseTies;
    // The character class of every byte (clsModeTable::Classes: FNC1 changes two of them).
    const std::uint8_t* Class;
    // Per position, 1 where the byte is the second byte of a two-byte character of the
    // double-byte mode's character set (clsModeTable::IsDoubleByteCharacter); null when the
    // double-byte cell takes no part or the data has no such character.
    const std::uint8_t* Trail = nullptr;

    explicit SearchCosts(const clsModeTable& table)
        : Start{table.HeaderBits(Mode::Byte) + clsModeTable::ByteBits,
                table.HeaderBits(Mode::Numeric) + clsModeTable::NumericFirstBits,
                table.HeaderBits(Mode::Alphanumeric) + clsModeTable::AlphanumericFirstBits,
                table.HeaderBits(table.DoubleByteMode()) + clsModeTable::KanjiBits},
          MaxRun{table.MaxCount(Mode::Byte), table.MaxCount(Mode::Numeric),
                 table.MaxCount(Mode::Alphanumeric), table.MaxCount(table.DoubleByteMode())},
          ByteHeader(table.HeaderBits(Mode::Byte)), ByteOk(table.Allowed(Mode::Byte)),
          NumericOk(table.Allowed(Mode::Numeric)),
          AlphanumericOk(table.Allowed(Mode::Alphanumeric)),
          Kanji(table.Allowed(table.DoubleByteMode())), Hanzi(table.Allowed(Mode::Hanzi)),
          LowestLead(Hanzi ? kLowestHanziLead : kLowestKanjiLead),
          PhaseTies(table.IndicatorBits() != clsModeTable::QRIndicatorBits),
          Class(table.Classes().data()) {}
};

// True when (lead, trail) is a pair of the double-byte mode the search takes.
inline bool IsPair(std::uint8_t lead, std::uint8_t trail, const SearchCosts& costs) {
    return costs.Hanzi ? clsModeTable::IsHanziPair(lead, trail)
                       : clsModeTable::IsKanjiPair(lead, trail);
}

// The segment-table cells of one input position, per mode: the cost of the cheapest path (data
// bits without the terminator), the run (characters of its last segment) and the run modulo the
// period of its mode's character costs (3 for numeric, 2 for alphanumeric, 0 for the others),
// kept alongside so that no division is needed. The search looks back one position (two for
// Kanji), so it keeps three rows, as values that the compiler can hold in registers.
struct SegmentRow {
    std::array<std::int32_t, kCells> Cost;
    std::array<std::int32_t, kCells> Run;
    std::array<std::int32_t, kCells> Phase;
};

// A winning candidate: its cost and the mode of the cell it comes from.
struct Choice {
    std::int32_t Cost;
    std::uint32_t Mode;
};

// The cheaper of two candidates, the first on equal cost (give the lower mode first).
inline Choice Cheaper(Choice a, Choice b) {
    return b.Cost < a.Cost ? b : a;
}

inline Choice CellOf(const SegmentRow& row, std::uint32_t mode) {
    return Choice{row.Cost[mode], mode};
}

// The cheapest cell of a row but one, the lowest mode on equal cost, from the winners of the pairs
// of modes 0-1 and 2-3.
template <std::size_t Excluded>
Choice CheapestOther(const SegmentRow& row, Choice low, Choice high) {
    if constexpr (Excluded == 0) {
        return Cheaper(CellOf(row, 1), high);
    } else if constexpr (Excluded == 1) {
        return Cheaper(CellOf(row, 0), high);
    } else if constexpr (Excluded == 2) {
        return Cheaper(low, CellOf(row, 3));
    } else {
        return Cheaper(low, CellOf(row, 2));
    }
}

// Fills cell Mode of row `to` from the four cells of row `from` and returns the predecessor mode.
// A predecessor in the same mode whose run is below the largest segment length continues its
// segment at the cost continueCost(phase of its run); every other one starts a new segment at
// startCost. The cheapest candidate wins, the lowest mode on equal cost. The other three cells all
// pay startCost, so of them only the cheapest (`other`, from CheapestOther) can win. Period is
// that of the mode's character costs (1: none).
//
// With phaseTies, a tie goes to the new segment when the continued one would leave a dearer next
// character: a cell keeps one path, and of two equal costs the one whose run has phase 1 (one
// digit past a triple, one alphanumeric character past a pair: the next character costs 3 or 5
// bits) never ends dearer than one with another phase, whatever follows; continuing costs at
// most one bit more later, so a strictly cheaper path always wins. With headers as short as
// Micro QR's and rMQR's, keeping the continued path can cost that bit.
template <std::size_t Mode, std::int32_t Period, typename ContinueCost>
std::uint32_t Relax(const SegmentRow& from, Choice other, SegmentRow& to, std::int32_t maxRun,
                    std::int32_t startCost, ContinueCost continueCost, bool phaseTies) {
    const bool continues = from.Run[Mode] < maxRun;
    const std::int32_t same =
        from.Cost[Mode] + (continues ? continueCost(from.Phase[Mode]) : startCost);
    const std::int32_t started = other.Cost + startCost;
    // The phase a continued run reaches; a new run has phase 1 (0 for a mode without a period).
    const std::int32_t continuedPhase = from.Phase[Mode] + 1 == Period ? 0 : from.Phase[Mode] + 1;
    const bool startWinsTie = Period > 1 && phaseTies && continues && continuedPhase != 1;
    const bool keeps = same < started || (same == started && !startWinsTie && Mode < other.Mode);
    const bool carried = continues && keeps;
    to.Cost[Mode] = keeps ? same : started;
    to.Run[Mode] = carried ? from.Run[Mode] + 1 : 1;
    const std::int32_t phase = (carried ? from.Phase[Mode] : 0) + 1;
    to.Phase[Mode] = phase == Period ? 0 : phase;
    return keeps ? static_cast<std::uint32_t>(Mode) : other.Mode;
}

// Cell alphanumeric of row `to` for a '%' under FNC1, which alphanumeric mode writes as two
// characters: a continued segment pays for both (a pair, whatever its phase) and keeps its phase;
// a new one pays its header, the first character and the second, and ends on a whole pair. A
// continued run needs room for two. On an equal cost the rule of Relax holds, and with phaseTies
// a continued run of phase 1 (whose next character costs less) keeps its segment.
std::uint32_t RelaxDoubled(const SegmentRow& from, Choice other, SegmentRow& to,
                           std::int32_t maxRun, std::int32_t startCost, bool phaseTies) {
    constexpr std::size_t m = Mode::Alphanumeric;
    const bool continues = from.Run[m] + 1 < maxRun;
    const std::int32_t pairStart = startCost + clsModeTable::AlphanumericNextBits;
    const std::int32_t same =
        from.Cost[m] + (continues ? clsModeTable::AlphanumericPairBits : pairStart);
    const std::int32_t started = other.Cost + pairStart;
    const bool tieKeeps = m < other.Mode || (phaseTies && continues && from.Phase[m] == 1);
    const bool keeps = same < started || (same == started && tieKeeps);
    const bool carried = continues && keeps;
    to.Cost[m] = keeps ? same : started;
    to.Run[m] = carried ? from.Run[m] + 2 : 2;
    to.Phase[m] = carried ? from.Phase[m] : 0;
    return keeps ? static_cast<std::uint32_t>(m) : other.Mode;
}

// Marks cell `mode` of a row as unreachable: only its cost counts, run and phase are 0.
void SetUnreachable(SegmentRow& row, std::size_t mode) {
    row.Cost[mode] = kUnreachable;
    row.Run[mode] = 0;
    row.Phase[mode] = 0;
}

// Sets cell `mode` of a row as the start of a path of one character costing `cost`.
void SetStart(SegmentRow& row, std::size_t mode, std::int32_t cost, std::int32_t phase) {
    row.Cost[mode] = cost;
    row.Run[mode] = 1;
    row.Phase[mode] = phase;
}

// Position 0: a segment of one character starts in every allowed mode the byte allows; a Kanji
// pair needs two bytes.
SegmentRow FirstRow(std::uint8_t byte, const SearchCosts& costs) {
    SegmentRow row{};
    const std::uint8_t charClass = costs.Class[byte];
    if (costs.ByteOk) {
        SetStart(row, Mode::Byte, costs.Start[Mode::Byte], 0);
    } else {
        SetUnreachable(row, Mode::Byte);
    }
    if (charClass == kDigit && costs.NumericOk) {
        SetStart(row, Mode::Numeric, costs.Start[Mode::Numeric], 1);
    } else {
        SetUnreachable(row, Mode::Numeric);
    }
    if (charClass == clsModeTable::DoubledClass && costs.AlphanumericOk) {
        SetStart(row, Mode::Alphanumeric,
                 costs.Start[Mode::Alphanumeric] + clsModeTable::AlphanumericNextBits, 0);
        row.Run[Mode::Alphanumeric] = 2;
    } else if (charClass != kOtherByte && costs.AlphanumericOk) {
        SetStart(row, Mode::Alphanumeric, costs.Start[Mode::Alphanumeric], 1);
    } else {
        SetUnreachable(row, Mode::Alphanumeric);
    }
    SetUnreachable(row, kDoubleByteCell);
    return row;
}

// Fills the row of position i >= 1 from the rows one (`previous`) and two (`older`) positions
// back; pair tells whether bytes i - 1 and i are an allowed Kanji pair, trailing whether byte i
// is the second byte of a two-byte character. Returns the predecessor modes of the four cells,
// packed as Search stores them.
//
// A two-byte character stays in one segment: its second byte is reached only by the pair or by
// the byte segment that holds the first (the first byte is no digit, no alphanumeric character
// and ends no pair, so byte mode is its only other cell); an alphanumeric segment may not start
// on it. Only a byte segment that reaches its largest count restarts there, which no symbol's
// capacity lets happen.
std::uint8_t NextRow(const SegmentRow& previous, const SegmentRow& older, std::uint8_t charClass,
                     bool pair, bool trailing, std::int32_t i, const SearchCosts& costs,
                     SegmentRow& row) {
    // Digits cost 4, 3, 3, 4, ... and alphanumeric characters 6, 5, 6, ... by the run so far.
    const auto numericStep = [](std::int32_t phase) {
        return phase == 0 ? clsModeTable::NumericFirstBits : clsModeTable::NumericNextBits;
    };
    const auto alphanumericStep = [](std::int32_t phase) {
        return phase == 0 ? clsModeTable::AlphanumericFirstBits
                          : clsModeTable::AlphanumericNextBits;
    };
    const auto byteStep = [](std::int32_t) { return clsModeTable::ByteBits; };
    const auto kanjiStep = [](std::int32_t) { return clsModeTable::KanjiBits; };

    const Choice low = Cheaper(CellOf(previous, 0), CellOf(previous, 1));
    const Choice high = Cheaper(CellOf(previous, 2), CellOf(previous, 3));
    std::uint32_t from = 0;
    if (costs.ByteOk) {
        from = Relax<Mode::Byte, 1>(previous, CheapestOther<0>(previous, low, high), row,
                                    costs.MaxRun[0], costs.Start[0], byteStep, false);
    } else {
        SetUnreachable(row, Mode::Byte);
    }
    if (charClass == kDigit && costs.NumericOk) {
        from |= Relax<Mode::Numeric, clsModeTable::NumericPeriod>(
                    previous, CheapestOther<1>(previous, low, high), row, costs.MaxRun[1],
                    costs.Start[1], numericStep, costs.PhaseTies)
                << 2;
    } else {
        SetUnreachable(row, Mode::Numeric);
    }
    if (charClass == clsModeTable::DoubledClass && costs.AlphanumericOk) {
        from |= RelaxDoubled(previous, CheapestOther<2>(previous, low, high), row, costs.MaxRun[2],
                             costs.Start[2], costs.PhaseTies)
                << 4;
    } else if (charClass != kOtherByte && costs.AlphanumericOk && !trailing) {
        from |= Relax<Mode::Alphanumeric, clsModeTable::AlphanumericPeriod>(
                    previous, CheapestOther<2>(previous, low, high), row, costs.MaxRun[2],
                    costs.Start[2], alphanumericStep, costs.PhaseTies)
                << 4;
    } else {
        SetUnreachable(row, Mode::Alphanumeric);
    }
    if (!pair) {
        SetUnreachable(row, kDoubleByteCell);
    } else if (i == 1) {
        SetStart(row, kDoubleByteCell, costs.Start[kDoubleByteCell], 0);
    } else {
        const Choice olderLow = Cheaper(CellOf(older, 0), CellOf(older, 1));
        const Choice olderHigh = Cheaper(CellOf(older, 2), CellOf(older, 3));
        from |= Relax<kDoubleByteCell, 1>(older, CheapestOther<3>(older, olderLow, olderHigh), row,
                                          costs.MaxRun[3], costs.Start[3], kanjiStep, false)
                << 6;
    }
    return static_cast<std::uint8_t>(from);
}

// True when byte i is the second byte of a two-byte character.
inline bool TrailAt(std::int32_t i, const SearchCosts& costs) {
    return costs.Trail != nullptr && costs.Trail[i] != 0;
}

// True when data[i - 1] and data[i] are a Kanji pair that the search may take: an allowed pair
// that is also one character of the data (never the second byte of one character and the first
// of the next).
inline bool KanjiPairAt(const std::uint8_t* data, std::int32_t i, const SearchCosts& costs) {
    return costs.Kanji && data[i - 1] >= costs.LowestLead && TrailAt(i, costs) &&
           IsPair(data[i - 1], data[i], costs);
}

// The second bytes of the data's two-byte characters, read from the start (see
// SearchCosts::Trail); empty when there is none.
std::vector<std::uint8_t> TrailBytes(const std::uint8_t* data, std::int32_t n, bool hanzi) {
    std::vector<std::uint8_t> trail;
    for (std::int32_t i = 0; i + 1 < n;) {
        // Sixteen bytes below every first byte at once; otherwise those sixteen one by one.
        if (i + kBlock <= n && !AnyInRange(data + i, kLowestKanjiLead, 0xFF - kLowestKanjiLead)) {
            i += kBlock;
            continue;
        }
        for (const std::int32_t end = std::min(i + kBlock, n - 1); i < end; ++i) {
            if (data[i] >= kLowestKanjiLead &&
                clsModeTable::IsDoubleByteCharacter(data[i], data[i + 1], hanzi)) {
                if (trail.empty()) {
                    trail.assign(static_cast<std::size_t>(n), 0);
                }
                trail[static_cast<std::size_t>(i + 1)] = 1;
                ++i;
            }
        }
    }
    return trail;
}

// Byte mode alone reached position i - 1 and alone takes position i: the byte segment continues
// (or starts again at its largest length), its cell is the only one reached and every
// predecessor is mode 0. The same holds for the bytes that follow as long as only byte mode takes
// them. Advances `previous` and `older` over all of them and returns the first position after.
std::int32_t ContinueBytes(const std::uint8_t* data, std::int32_t n, std::int32_t i,
                           const SearchCosts& costs, std::uint8_t* preds, SegmentRow& previous,
                           SegmentRow& older) {
    const std::int32_t start = i;
    if (costs.Trail == nullptr) {
        i = EndOfOtherBytes(data, n, i + 1, costs.Class);
    } else {
        do {
            ++i;
        } while (i < n && costs.Class[data[i]] == kOtherByte && !KanjiPairAt(data, i, costs));
    }
    if (preds != nullptr) {
        std::fill(preds + start, preds + i, std::uint8_t{0});
    }
    // Each byte adds 8 bits to the segment, and one more header whenever the run has reached the
    // largest length and starts again at 1: after `steps` bytes the run is where a count from
    // the first run on, taken modulo the largest length (1 .. largest), stands.
    const std::int32_t largest = costs.MaxRun[Mode::Byte];
    const std::int32_t cost = previous.Cost[Mode::Byte];
    const std::int32_t run = previous.Run[Mode::Byte];
    const auto after = [&](std::int32_t steps, std::int32_t& newCost, std::int32_t& newRun) {
        const std::int32_t count = run + steps - 1; // 0-based position in the repeating runs
        newRun = count % largest + 1;
        newCost = cost + clsModeTable::ByteBits * steps + costs.ByteHeader * (count / largest);
    };
    older = previous;
    after(i - start - 1, older.Cost[Mode::Byte], older.Run[Mode::Byte]);
    after(i - start, previous.Cost[Mode::Byte], previous.Run[Mode::Byte]);
    return i;
}

// Whether the row before position i repeats the row kRepeatPeriod positions earlier, and if so
// how many periods the rows go on repeating: 0 when they do not. `continued` receives the modes
// whose runs grew throughout the period.
std::int32_t RepeatingPeriods(const SegmentRow& last, const SegmentRow& before, std::int32_t ahead,
                              const SearchCosts& costs, std::array<bool, 4>& continued) {
    std::int32_t periods = ahead / kRepeatPeriod;
    for (std::size_t m = 0; m < kCells; ++m) {
        const bool reached = last.Cost[m] != kUnreachable;
        if (reached != (before.Cost[m] != kUnreachable) ||
            (reached && last.Cost[m] - last.Cost[0] != before.Cost[m] - before.Cost[0]) ||
            last.Phase[m] != before.Phase[m]) {
            return 0;
        }
        if (last.Run[m] != before.Run[m]) {
            if (last.Run[m] != before.Run[m] + kRepeatPeriod) {
                return 0;
            }
            // Checked against the largest length before each step: the run reaches at most
            // last.Run + kRepeatPeriod * periods - 1 before the last one.
            continued[m] = true;
            periods = std::min(periods, (costs.MaxRun[m] - last.Run[m]) / kRepeatPeriod);
        }
    }
    return std::max(periods, 0);
}

// Within a run of digits (or of other alphanumeric characters) the table settles into a period of
// six positions. Every choice depends only on the differences between a row's costs, the phases,
// and whether each run is below its largest length; so when the row before position i equals the
// row six positions earlier but for a constant added to every reachable cost and six added to the
// runs of the modes that continued throughout, the six rows after it repeat those six rows in the
// same way, and so on while the characters last and the continuing runs stay below their largest
// lengths. `recent` holds the rows of positions i - 7 to i - 1 (position p at p modulo 8), all of
// the same class, which also fills the `ahead` positions from i on. Returns how many positions it
// filled (a multiple of 6, 0 when the rows do not repeat): their predecessors are written, and
// `recent` then holds the rows of the last seven.
std::int32_t RepeatPeriod(std::array<SegmentRow, kRecentRows>& recent, std::int32_t i,
                          std::int32_t ahead, const SearchCosts& costs, std::uint8_t* preds) {
    const SegmentRow& last = recent[static_cast<std::size_t>((i - 1) & (kRecentRows - 1))];
    const SegmentRow& before =
        recent[static_cast<std::size_t>((i - 1 - kRepeatPeriod) & (kRecentRows - 1))];
    std::array<bool, 4> continued{};
    const std::int32_t periods = RepeatingPeriods(last, before, ahead, costs, continued);
    if (periods <= 0) {
        return 0;
    }
    const std::int32_t filled = kRepeatPeriod * periods;
    const std::int32_t added = periods * (last.Cost[0] - before.Cost[0]);
    if (preds != nullptr) {
        for (std::int32_t p = i; p < i + filled; ++p) {
            preds[p] = preds[p - kRepeatPeriod];
        }
    }
    std::array<SegmentRow, kRecentRows> moved;
    for (std::int32_t p = i - 1 - kRepeatPeriod; p < i; ++p) {
        SegmentRow row = recent[static_cast<std::size_t>(p & (kRecentRows - 1))];
        for (std::size_t m = 0; m < kCells; ++m) {
            if (row.Cost[m] != kUnreachable) {
                row.Cost[m] += added;
            }
            if (continued[m]) {
                row.Run[m] += filled;
            }
        }
        moved[static_cast<std::size_t>((p + filled) & (kRecentRows - 1))] = row;
    }
    recent = moved;
    return filled;
}

// A run of bytes of one character class (digits, or other alphanumeric characters) from Start to
// End - 1; Class 0 while the search is not inside one.
struct CharRun {
    std::uint8_t Class = 0;
    std::int32_t Start = 0;
    std::int32_t End = 0;

    // Starts the run of class charClass at position i (classes: clsModeTable::Classes).
    void Begin(const std::uint8_t* data, std::int32_t n, std::int32_t i, std::uint8_t charClass,
               const std::uint8_t* classes) {
        Class = charClass;
        Start = i;
        End = i + 1;
        while (End < n && classes[data[End]] == charClass) {
            ++End;
        }
    }
};

} // namespace

clsSegmentSearch::End clsSegmentSearch::Search(const std::uint8_t* data, std::int32_t n,
                                               const clsModeTable& table, std::uint8_t* preds) {
    SearchCosts costs(table);
    std::vector<std::uint8_t> trail;
    if (costs.Kanji) {
        trail = TrailBytes(data, n, costs.Hanzi);
        costs.Trail = trail.empty() ? nullptr : trail.data();
    }
    SegmentRow previous = FirstRow(data[0], costs);
    if (preds != nullptr) {
        preds[0] = 0;
    }
    SegmentRow older = previous; // read only for a Kanji pair, from position 2 on
    // The rows of the last eight positions of the current run of one character class.
    std::array<SegmentRow, kRecentRows> recent;
    CharRun run;
    for (std::int32_t i = 1; i < n; ++i) {
        std::uint8_t charClass = costs.Class[data[i]];
        if (charClass == kOtherByte && costs.ByteOk && previous.Cost[1] == kUnreachable &&
            previous.Cost[2] == kUnreachable && previous.Cost[3] == kUnreachable &&
            !KanjiPairAt(data, i, costs)) {
            i = ContinueBytes(data, n, i, costs, preds, previous, older);
            if (i == n) {
                break;
            }
            charClass = costs.Class[data[i]];
        }
        if (charClass == kOtherByte) {
            run.Class = 0;
        } else if (charClass != run.Class) {
            run.Begin(data, n, i, charClass, costs.Class);
        } else if (costs.ByteOk && run.Class != clsModeTable::DoubledClass &&
                   i - run.Start >= kRepeatPeriod + 1 && run.End - i >= kRepeatPeriod) {
            const std::int32_t jumped = RepeatPeriod(recent, i, run.End - i, costs, preds);
            if (jumped > 0) {
                i += jumped;
                previous = recent[static_cast<std::size_t>((i - 1) & (kRecentRows - 1))];
                older = recent[static_cast<std::size_t>((i - 2) & (kRecentRows - 1))];
                if (i == n) {
                    break;
                }
                charClass = costs.Class[data[i]];
                if (i == run.End) {
                    // The next run starts here (or a byte of class 0 follows).
                    run.Class = 0;
                    if (charClass != kOtherByte) {
                        run.Begin(data, n, i, charClass, costs.Class);
                    }
                }
            }
        }
        SegmentRow row;
        const std::uint8_t from = NextRow(previous, older, charClass, KanjiPairAt(data, i, costs),
                                          TrailAt(i, costs), i, costs, row);
        if (preds != nullptr) {
            preds[i] = from;
        }
        if (charClass != kOtherByte) {
            recent[static_cast<std::size_t>(i & (kRecentRows - 1))] = row;
        }
        older = previous;
        previous = row;
    }

    // The cheapest cell of the last position; the lowest mode on equal cost.
    const Choice end = Cheaper(Cheaper(CellOf(previous, 0), CellOf(previous, 1)),
                               Cheaper(CellOf(previous, 2), CellOf(previous, 3)));
    return End{std::min(end.Cost, kUnreachable), static_cast<std::int32_t>(end.Mode)};
}

void clsSegmentSearch::TraceModes(const std::uint8_t* preds, std::int32_t n, std::int32_t endMode,
                                  std::uint8_t* modes, std::int32_t doubleByteMode) {
    const auto pairMode = static_cast<std::uint8_t>(doubleByteMode);
    // Outside Kanji mode a segment is walked back as long as its cells come from the same mode,
    // without the chain of dependent reads that following one predecessor at a time would make.
    for (std::int32_t pos = n - 1, mode = endMode; pos >= 0;) {
        if (mode == kDoubleByteCell) {
            modes[pos] = pairMode;
            const std::int32_t previous = (preds[pos] >> (2 * mode)) & 3;
            if (pos >= 1) {
                modes[pos - 1] = pairMode;
            }
            pos -= 2;
            mode = previous;
            continue;
        }
        const auto shift = static_cast<unsigned>(2 * mode);
        const std::int32_t last = pos;
        // Eight positions at a time while all eight continue the segment, then one at a time.
        const std::uint64_t lanes = 0x0303030303030303ULL;
        const std::uint64_t same = 0x0101010101010101ULL * static_cast<std::uint64_t>(mode);
        for (std::uint64_t word = 0; pos >= 8; pos -= 8) {
            std::memcpy(&word, preds + pos - 7, sizeof word);
            if (((word >> shift) & lanes) != same) {
                break;
            }
        }
        while (pos > 0 && ((preds[pos] >> shift) & 3) == mode) {
            --pos;
        }
        std::fill(modes + pos, modes + last + 1, static_cast<std::uint8_t>(mode));
        mode = (preds[pos] >> shift) & 3;
        --pos;
    }
}

std::int32_t clsSegmentSearch::OtherBytesEnd(const std::uint8_t* data, std::int32_t n,
                                             std::int32_t from, const std::uint8_t* classes,
                                             bool plain) {
    if (!plain) {
        return EndOfOtherBytes(data, n, from, classes);
    }
    std::int32_t i = from;
    while (i < n && classes[data[i]] == kOtherByte) {
        ++i;
    }
    return i;
}

std::int64_t clsSegmentSearch::DigitBoundTimesSix(const std::uint8_t* data, std::int32_t n) {
    constexpr std::int64_t kDigitTimesSix = 6 * clsModeTable::NumericTripleBits / 3;
    constexpr std::int64_t kOtherTimesSix = 6 * clsModeTable::AlphanumericPairBits / 2;
    std::int32_t digits = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        digits += static_cast<std::uint8_t>(data[i] - '0') < 10 ? 1 : 0;
    }
    return kDigitTimesSix * digits + kOtherTimesSix * (n - digits);
}

std::int64_t clsSegmentSearch::LeastBitsTimesSix(const std::uint8_t* data, std::int32_t n,
                                                 const clsModeTable& table) {
    // Six times the least bits of a character by its class: a digit 10/3, another alphanumeric
    // character 11/2, any other byte 8, a byte of a Kanji pair 13/2.
    constexpr std::int32_t kDigitTimesSix = 6 * clsModeTable::NumericTripleBits / 3;
    constexpr std::int32_t kAlphanumericTimesSix = 6 * clsModeTable::AlphanumericPairBits / 2;
    constexpr std::int32_t kByteTimesSix = 6 * clsModeTable::ByteBits;
    constexpr std::int32_t kKanjiByteTimesSix = 6 * clsModeTable::KanjiBits / 2;
    static constexpr std::array<std::uint8_t, 256> kLeastBits = [] {
        std::array<std::uint8_t, 256> table{};
        for (std::size_t b = 0; b < table.size(); ++b) {
            const std::int32_t charClass = clsModeTable::CharClass(static_cast<std::uint8_t>(b));
            table[b] = charClass == kDigit       ? kDigitTimesSix
                       : charClass == kOtherByte ? kByteTimesSix
                                                 : kAlphanumericTimesSix;
        }
        return table;
    }();
    std::int64_t sum = 0;
    std::uint8_t high = 0; // the bits that any byte has
    for (std::int32_t i = 0; i < n; ++i) {
        sum += kLeastBits[data[i]];
        high |= data[i];
    }
    if (table.Fnc1()) {
        // The separator takes an alphanumeric character; a '%' (two of them) at least a byte.
        const auto separators = std::count(data, data + n, clsModeTable::Fnc1Separator);
        const auto percents = std::count(data, data + n, std::uint8_t{'%'});
        sum += (kAlphanumericTimesSix - kByteTimesSix) * separators +
               (kByteTimesSix - kAlphanumericTimesSix) * percents;
    }
    const bool hanzi = table.Allowed(Mode::Hanzi);
    if (table.Allowed(table.DoubleByteMode()) && (high & 0x80) != 0) {
        // A byte outside the alphanumeric set that belongs to a candidate pair takes 39, not 48;
        // every pair's lead byte is 0x81 or above.
        std::int32_t counted = -1; // the last byte already taken as part of a pair
        for (std::int32_t i = 0; i + 1 < n; ++i) {
            const bool pair = hanzi ? clsModeTable::IsHanziPair(data[i], data[i + 1])
                                    : clsModeTable::IsKanjiPair(data[i], data[i + 1]);
            if (data[i] < kLowestKanjiLead || !pair) {
                continue;
            }
            for (std::int32_t j = std::max(i, counted + 1); j <= i + 1; ++j) {
                if (clsModeTable::CharClass(data[j]) == kOtherByte) {
                    sum -= kByteTimesSix - kKanjiByteTimesSix;
                }
            }
            counted = i + 1;
        }
    }
    return sum;
}

} // namespace ostrel
