#include "Gs1AiTable.h"

#include <algorithm>
#include <array>

namespace ostrel::payload {

namespace {

using Row = Gs1AiTable::Row;
using Set = Gs1AiTable::Characters;
using Date = Gs1AiTable::Date;

constexpr Set N = Set::Numeric;
constexpr Set X = Set::Set82;
constexpr Set Y = Set::Set39;
constexpr Set Z = Set::Set64;
constexpr Date NoDate = Date::None;
constexpr Date Day = Date::Yymmdd;
constexpr Date Day0 = Date::Yymmd0;
constexpr Date Hour = Date::Yymmddhh;
constexpr bool Fixed = true; // of predefined length
constexpr bool Open = false; // a separator follows when more data does

// A trade measure 3abn, n the decimal point 0..5: six digits of predefined length.
constexpr Row Measure(std::uint16_t abc) {
    const auto first = static_cast<std::uint16_t>(abc * 10);
    return {first, static_cast<std::uint16_t>(first + 5), 4, 6, 6, N, 6, 0, 0, NoDate, Fixed};
}

// First, Last, Digits, MinLength, MaxLength, Set, NumericPrefix, CheckStart, CheckLength, Date,
// Predefined. Numeric rows give their whole length as NumericPrefix.
constexpr std::array kRows = {
    Row{0, 0, 2, 18, 18, N, 18, 0, 18, NoDate, Fixed},     // SSCC
    Row{1, 1, 2, 14, 14, N, 14, 0, 14, NoDate, Fixed},     // GTIN
    Row{2, 2, 2, 14, 14, N, 14, 0, 14, NoDate, Fixed},     // GTIN of contained trade items
    Row{10, 10, 2, 1, 20, X, 0, 0, 0, NoDate, Open},       // batch or lot
    Row{11, 11, 2, 6, 6, N, 6, 0, 0, Day0, Fixed},         // production date
    Row{12, 12, 2, 6, 6, N, 6, 0, 0, Day0, Fixed},         // due date
    Row{13, 13, 2, 6, 6, N, 6, 0, 0, Day0, Fixed},         // packaging date
    Row{15, 15, 2, 6, 6, N, 6, 0, 0, Day0, Fixed},         // best before
    Row{16, 16, 2, 6, 6, N, 6, 0, 0, Day0, Fixed},         // sell by
    Row{17, 17, 2, 6, 6, N, 6, 0, 0, Day0, Fixed},         // expiry
    Row{20, 20, 2, 2, 2, N, 2, 0, 0, NoDate, Fixed},       // internal product variant
    Row{21, 21, 2, 1, 20, X, 0, 0, 0, NoDate, Open},       // serial number
    Row{22, 22, 2, 1, 20, X, 0, 0, 0, NoDate, Open},       // consumer product variant
    Row{30, 30, 2, 1, 8, N, 8, 0, 0, NoDate, Open},        // variable count
    Row{37, 37, 2, 1, 8, N, 8, 0, 0, NoDate, Open},        // count of trade items
    Row{90, 90, 2, 1, 30, X, 0, 0, 0, NoDate, Open},       // mutually agreed
    Row{91, 99, 2, 1, 90, X, 0, 0, 0, NoDate, Open},       // company internal
    Row{235, 235, 3, 1, 28, X, 0, 0, 0, NoDate, Open},     // third-party GTIN extension
    Row{240, 240, 3, 1, 30, X, 0, 0, 0, NoDate, Open},     // additional product identification
    Row{241, 241, 3, 1, 30, X, 0, 0, 0, NoDate, Open},     // customer part number
    Row{242, 242, 3, 1, 6, N, 6, 0, 0, NoDate, Open},      // made-to-order variation
    Row{243, 243, 3, 1, 20, X, 0, 0, 0, NoDate, Open},     // packaging component number
    Row{250, 250, 3, 1, 30, X, 0, 0, 0, NoDate, Open},     // secondary serial number
    Row{251, 251, 3, 1, 30, X, 0, 0, 0, NoDate, Open},     // reference to source entity
    Row{253, 253, 3, 13, 30, X, 13, 0, 13, NoDate, Open},  // GDTI: N13 and up to 17 more
    Row{254, 254, 3, 1, 20, X, 0, 0, 0, NoDate, Open},     // GLN extension component
    Row{255, 255, 3, 13, 25, N, 25, 0, 13, NoDate, Open},  // GCN: N13 and up to 12 more digits
    Row{400, 400, 3, 1, 30, X, 0, 0, 0, NoDate, Open},     // customer's purchase order
    Row{401, 401, 3, 1, 30, X, 0, 0, 0, NoDate, Open},     // GINC
    Row{402, 402, 3, 17, 17, N, 17, 0, 17, NoDate, Open},  // GSIN
    Row{403, 403, 3, 1, 30, X, 0, 0, 0, NoDate, Open},     // routing code
    Row{410, 417, 3, 13, 13, N, 13, 0, 13, NoDate, Fixed}, // GLNs: ship to .. party
    Row{420, 420, 3, 1, 20, X, 0, 0, 0, NoDate, Open},     // ship-to postal code
    Row{421, 421, 3, 4, 12, X, 3, 0, 0, NoDate, Open},     // ... with ISO country code
    Row{422, 422, 3, 3, 3, N, 3, 0, 0, NoDate, Open},      // country of origin
    Row{423, 423, 3, 1, 15, N, 15, 0, 0, NoDate, Open},    // countries of initial processing
    Row{424, 424, 3, 3, 3, N, 3, 0, 0, NoDate, Open},      // country of processing
    Row{425, 425, 3, 1, 15, N, 15, 0, 0, NoDate, Open},    // countries of disassembly
    Row{426, 426, 3, 3, 3, N, 3, 0, 0, NoDate, Open},      // country of full process chain
    Row{427, 427, 3, 1, 3, X, 0, 0, 0, NoDate, Open},      // country subdivision of origin
    Row{710, 715, 3, 1, 20, X, 0, 0, 0, NoDate, Open},     // national healthcare numbers
    Measure(310),
    Measure(311),
    Measure(312),
    Measure(313),
    Measure(314),
    Measure(315),
    Measure(316),
    Measure(320),
    Measure(321),
    Measure(322),
    Measure(323),
    Measure(324),
    Measure(325),
    Measure(326),
    Measure(327),
    Measure(328),
    Measure(329),
    Measure(330),
    Measure(331),
    Measure(332),
    Measure(333),
    Measure(334),
    Measure(335),
    Measure(336),
    Measure(337),
    Measure(340),
    Measure(341),
    Measure(342),
    Measure(343),
    Measure(344),
    Measure(345),
    Measure(346),
    Measure(347),
    Measure(348),
    Measure(349),
    Measure(350),
    Measure(351),
    Measure(352),
    Measure(353),
    Measure(354),
    Measure(355),
    Measure(356),
    Measure(357),
    Measure(360),
    Measure(361),
    Measure(362),
    Measure(363),
    Measure(364),
    Measure(365),
    Measure(366),
    Measure(367),
    Measure(368),
    Measure(369),
    Row{3900, 3909, 4, 1, 15, N, 15, 0, 0, NoDate, Open},   // amount payable
    Row{3910, 3919, 4, 4, 18, N, 18, 0, 0, NoDate, Open},   // ... with ISO currency code
    Row{3920, 3929, 4, 1, 15, N, 15, 0, 0, NoDate, Open},   // price, one currency area
    Row{3930, 3939, 4, 4, 18, N, 18, 0, 0, NoDate, Open},   // ... with ISO currency code
    Row{3940, 3943, 4, 4, 4, N, 4, 0, 0, NoDate, Open},     // percentage discount of a coupon
    Row{3950, 3955, 4, 6, 6, N, 6, 0, 0, NoDate, Open},     // price per unit of measure
    Row{4300, 4301, 4, 1, 35, X, 0, 0, 0, NoDate, Open},    // ship-to company, contact
    Row{4302, 4306, 4, 1, 70, X, 0, 0, 0, NoDate, Open},    // ship-to address lines .. region
    Row{4307, 4307, 4, 2, 2, X, 0, 0, 0, NoDate, Open},     // ship-to country code
    Row{4308, 4308, 4, 1, 30, X, 0, 0, 0, NoDate, Open},    // ship-to telephone
    Row{4309, 4309, 4, 20, 20, N, 20, 0, 0, NoDate, Open},  // ship-to geolocation
    Row{4310, 4311, 4, 1, 35, X, 0, 0, 0, NoDate, Open},    // return-to company, contact
    Row{4312, 4316, 4, 1, 70, X, 0, 0, 0, NoDate, Open},    // return-to address .. region
    Row{4317, 4317, 4, 2, 2, X, 0, 0, 0, NoDate, Open},     // return-to country code
    Row{4318, 4318, 4, 1, 20, X, 0, 0, 0, NoDate, Open},    // return-to postal code
    Row{4319, 4319, 4, 1, 30, X, 0, 0, 0, NoDate, Open},    // return-to telephone
    Row{4320, 4320, 4, 1, 35, X, 0, 0, 0, NoDate, Open},    // service code description
    Row{4321, 4323, 4, 1, 1, N, 1, 0, 0, NoDate, Open},     // dangerous goods, leave, signature
    Row{4324, 4325, 4, 10, 10, N, 10, 0, 0, Day0, Open},    // not before, not after delivery
    Row{4326, 4326, 4, 6, 6, N, 6, 0, 0, Day, Open},        // release date
    Row{4330, 4333, 4, 6, 7, X, 6, 0, 0, NoDate, Open},     // temperatures, optional '-'
    Row{7001, 7001, 4, 13, 13, N, 13, 0, 0, NoDate, Open},  // NATO stock number
    Row{7002, 7002, 4, 1, 30, X, 0, 0, 0, NoDate, Open},    // meat carcasses and cuts
    Row{7003, 7003, 4, 10, 10, N, 10, 0, 0, Day, Open},     // expiry date and time
    Row{7004, 7004, 4, 1, 4, N, 4, 0, 0, NoDate, Open},     // active potency
    Row{7005, 7005, 4, 1, 12, X, 0, 0, 0, NoDate, Open},    // catch area
    Row{7006, 7006, 4, 6, 6, N, 6, 0, 0, Day, Open},        // first freeze date
    Row{7007, 7007, 4, 6, 12, N, 12, 0, 0, Day, Open},      // harvest date (or dates)
    Row{7008, 7008, 4, 1, 3, X, 0, 0, 0, NoDate, Open},     // species for fishery purposes
    Row{7009, 7009, 4, 1, 10, X, 0, 0, 0, NoDate, Open},    // fishing gear type
    Row{7010, 7010, 4, 1, 2, X, 0, 0, 0, NoDate, Open},     // production method
    Row{7011, 7011, 4, 6, 10, N, 10, 0, 0, Day, Open},      // test by date
    Row{7020, 7022, 4, 1, 20, X, 0, 0, 0, NoDate, Open},    // refurbishment lot, status
    Row{7023, 7023, 4, 1, 30, X, 0, 0, 0, NoDate, Open},    // GIAI of an assembly
    Row{7030, 7039, 4, 4, 30, X, 3, 0, 0, NoDate, Open},    // processor with ISO country code
    Row{7040, 7040, 4, 4, 4, X, 1, 0, 0, NoDate, Open},     // GS1 UIC with extension
    Row{7230, 7239, 4, 3, 30, X, 0, 0, 0, NoDate, Open},    // certification references
    Row{7240, 7240, 4, 1, 20, X, 0, 0, 0, NoDate, Open},    // protocol ID
    Row{7241, 7241, 4, 2, 2, N, 2, 0, 0, NoDate, Open},     // AIDC media type
    Row{7242, 7242, 4, 1, 25, X, 0, 0, 0, NoDate, Open},    // version control number
    Row{8001, 8001, 4, 14, 14, N, 14, 0, 0, NoDate, Open},  // roll products
    Row{8002, 8002, 4, 1, 20, X, 0, 0, 0, NoDate, Open},    // mobile phone identifier
    Row{8003, 8003, 4, 14, 30, X, 14, 1, 13, NoDate, Open}, // GRAI: 0, N13, up to 16 more
    Row{8004, 8004, 4, 1, 30, X, 0, 0, 0, NoDate, Open},    // GIAI
    Row{8005, 8005, 4, 6, 6, N, 6, 0, 0, NoDate, Open},     // price per unit of measure
    Row{8006, 8006, 4, 18, 18, N, 18, 0, 14, NoDate, Open}, // ITIP
    Row{8007, 8007, 4, 1, 34, X, 0, 0, 0, NoDate, Open},    // IBAN
    Row{8008, 8008, 4, 8, 12, N, 12, 0, 0, Hour, Open},     // date and time of production
    Row{8009, 8009, 4, 1, 50, X, 0, 0, 0, NoDate, Open},    // optically readable sensor
    Row{8010, 8010, 4, 1, 30, Y, 0, 0, 0, NoDate, Open},    // component/part identifier
    Row{8011, 8011, 4, 1, 12, N, 12, 0, 0, NoDate, Open},   // ... its serial number
    Row{8012, 8012, 4, 1, 20, X, 0, 0, 0, NoDate, Open},    // software version
    Row{8013, 8013, 4, 1, 25, X, 0, 0, 0, NoDate, Open},    // global model number
    Row{8017, 8018, 4, 18, 18, N, 18, 0, 18, NoDate, Open}, // GSRN provider, recipient
    Row{8019, 8019, 4, 1, 10, N, 10, 0, 0, NoDate, Open},   // service relation instance
    Row{8020, 8020, 4, 1, 25, X, 0, 0, 0, NoDate, Open},    // payment slip reference
    Row{8026, 8026, 4, 18, 18, N, 18, 0, 14, NoDate, Open}, // ITIP of contained items
    Row{8030, 8030, 4, 1, 90, Z, 0, 0, 0, NoDate, Open},    // digital signature
    Row{8110, 8110, 4, 1, 70, X, 0, 0, 0, NoDate, Open},    // coupon code (North America)
    Row{8111, 8111, 4, 4, 4, N, 4, 0, 0, NoDate, Open},     // loyalty points of a coupon
    Row{8112, 8112, 4, 1, 70, X, 0, 0, 0, NoDate, Open},    // paperless coupon code
    Row{8200, 8200, 4, 1, 70, X, 0, 0, 0, NoDate, Open},    // extended packaging URL
};

// The punctuation of GS1 set 82 besides digits and letters, and of set 39.
constexpr std::string_view kSet82Marks = "!\"%&'()*+,-./:;<=>?_";
constexpr std::string_view kSet39Marks = "#-/";
constexpr std::string_view kSet64Marks = "-_=";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

} // namespace

std::span<const Gs1AiTable::Row> Gs1AiTable::Rows() {
    return kRows;
}

const Gs1AiTable::Row* Gs1AiTable::Find(std::string_view ai) {
    if (ai.size() < 2 || ai.size() > 4 || !std::all_of(ai.begin(), ai.end(), IsDigit)) {
        return nullptr;
    }
    std::uint32_t value = 0;
    for (const char c : ai) {
        value = 10 * value + static_cast<std::uint32_t>(c - '0');
    }
    const auto row = std::find_if(kRows.begin(), kRows.end(), [&](const Row& r) {
        return r.Digits == ai.size() && r.First <= value && value <= r.Last;
    });
    return row != kRows.end() ? &*row : nullptr;
}

bool Gs1AiTable::InSet(char c, Characters set) {
    switch (set) {
    case Characters::Numeric:
        return IsDigit(c);
    case Characters::Set82:
        return IsDigit(c) || IsUpper(c) || IsLower(c) ||
               kSet82Marks.find(c) != std::string_view::npos;
    case Characters::Set39:
        return IsDigit(c) || IsUpper(c) || kSet39Marks.find(c) != std::string_view::npos;
    case Characters::Set64:
        return IsDigit(c) || IsUpper(c) || IsLower(c) ||
               kSet64Marks.find(c) != std::string_view::npos;
    }
    return false;
}

} // namespace ostrel::payload
