// The C interface over clsSymbolEncoder, which checks the settings against each symbology's
// descriptor and calls its encoder, and over PayloadBuilder, which builds the payload kinds. Every
// entry point checks its arguments before any work and turns every C++ exception into an error
// code.
//
// Each thread keeps one encoder object for its calls (ThreadEncoder): what it carries from one
// call to the next is only what a call derives from the tables and would derive again the same
// way (the Reed-Solomon generator of the last degree, kept under the key it was made for) and the
// storage of the buffers and of the symbol it writes (ThreadSymbol), which every call overwrites;
// every setting is given again by each call. So calls stay independent, and threads share nothing
// but tables that never change once made (the field, the layouts of the sizes).
#include <ostrel/qr.h>

#include "CSymbol.h"
#include "PayloadBuilder.h"
#include "clsQRCode.h"
#include "clsStructuredAppend.h"
#include "clsSymbolEncoder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ostrel::clsQRCode;
using ostrel::clsSymbolEncoder;
using ostrel::clsSymbology;
using Refusal = clsSymbolEncoder::Refusal;

// The C numbers of the symbologies are those of the encoder's enumeration.
static_assert(static_cast<int>(ostrel::Symbology::QR) == OSTREL_QR_SYMBOLOGY_QR);
static_assert(static_cast<int>(ostrel::Symbology::Micro) == OSTREL_QR_SYMBOLOGY_MICRO_QR);
static_assert(static_cast<int>(ostrel::Symbology::RMQR) == OSTREL_QR_SYMBOLOGY_RMQR);

// The options took boost_level and gs1 from the reserved room: their size is that of version
// 2.0.
static_assert(sizeof(ostrel_qr_options) == 14 * sizeof(int));

// The encoder's settings of options whose values are in range (CheckOptions).
clsSymbolEncoder::Settings SettingsOf(const ostrel_qr_options& options) {
    clsSymbolEncoder::Settings settings;
    settings.Kind = static_cast<ostrel::Symbology>(options.symbology);
    settings.Version = options.version;
    settings.Level = options.level;
    // A symbology with one fixed pattern has taken 0 and "automatic" for it since version 1.
    const bool fixedPattern = !clsSymbology::Of(settings.Kind).HasMaskChoice() &&
                              (options.mask == OSTREL_QR_MASK_AUTO || options.mask == 0);
    if (!fixedPattern) {
        settings.Mask =
            options.mask == OSTREL_QR_MASK_AUTO ? clsSymbolEncoder::AutomaticMask : options.mask;
    }
    settings.Eci = options.eci;
    settings.Kanji = options.kanji != 0;
    settings.Hanzi = options.hanzi != 0;
    settings.BoostLevel = options.boost_level == 1;
    settings.Gs1 = options.gs1 == 1;
    return settings;
}

// The error code of the encoder's refusal.
int ErrorOf(Refusal why, const clsSymbolEncoder::Settings& settings, std::int32_t level) {
    switch (why) {
    case Refusal::None:
        return OSTREL_QR_OK;
    case Refusal::TooLong:
        return OSTREL_QR_ERROR_DATA_TOO_LONG;
    case Refusal::NoSuchVersion:
        return OSTREL_QR_ERROR_INVALID_VERSION;
    case Refusal::LevelNotOffered:
        // A level of the symbology that the version asked for lacks (M1 at M) has always been
        // "does not fit"; a level the symbology has nowhere is invalid.
        return clsSymbology::Of(settings.Kind).OffersLevel(clsSymbology::AutomaticVersion, level)
                   ? OSTREL_QR_ERROR_DATA_TOO_LONG
                   : OSTREL_QR_ERROR_INVALID_LEVEL;
    case Refusal::NoSuchMask:
    case Refusal::NoMaskChoice:
        return OSTREL_QR_ERROR_INVALID_MASK;
    case Refusal::EciNotTaken:
    case Refusal::NoSuchEci:
        return OSTREL_QR_ERROR_INVALID_ECI;
    case Refusal::HanziNotTaken:
    case Refusal::StructuredAppendNotTaken:
    case Refusal::Fnc1NotTaken:
        return OSTREL_QR_ERROR_UNSUPPORTED_SYMBOLOGY;
    case Refusal::KanjiWithHanzi:
    case Refusal::NoSuchHeader:
    case Refusal::HeightNotTaken:
    case Refusal::NoSuchHeight:
    case Refusal::Fnc1WithHeader:
    case Refusal::NoSuchApplication:
        break;
    }
    return OSTREL_QR_ERROR_INVALID_OPTION;
}

// The first of level, symbology and the on/off switches out of range, as its error code;
// OSTREL_QR_OK when they are usable (what SettingsOf needs).
int CheckRanges(const ostrel_qr_options& options) {
    if (options.level < 1 || options.level > clsSymbology::LevelCount) {
        return OSTREL_QR_ERROR_INVALID_LEVEL;
    }
    if (options.symbology < 0 ||
        options.symbology >= static_cast<int>(clsSymbology::All().size())) {
        return OSTREL_QR_ERROR_INVALID_SYMBOLOGY;
    }
    if ((options.kanji != 0 && options.kanji != 1) || (options.hanzi != 0 && options.hanzi != 1) ||
        (options.boost_level != 0 && options.boost_level != 1) ||
        (options.gs1 != 0 && options.gs1 != 1)) {
        return OSTREL_QR_ERROR_INVALID_OPTION;
    }
    return OSTREL_QR_OK;
}

bool ReservedSet(const ostrel_qr_options& options) {
    return std::any_of(std::begin(options.reserved), std::end(options.reserved),
                       [](int reserved) { return reserved != 0; });
}

// The first setting out of range, as its error code; OSTREL_QR_OK when all are usable. The
// symbology's own limits are those of its descriptor, checked by the encoder.
int CheckOptions(const ostrel_qr_options& options) {
    if (const int range = CheckRanges(options); range != OSTREL_QR_OK) {
        return range;
    }
    const clsSymbolEncoder::Settings settings = SettingsOf(options);
    if (const int error = ErrorOf(clsSymbolEncoder::Check(settings).Why, settings, options.level);
        error != OSTREL_QR_OK) {
        return error;
    }
    return ReservedSet(options) ? OSTREL_QR_ERROR_INVALID_OPTION : OSTREL_QR_OK;
}

// Frees a symbol handed out (ostrel_qr_symbol::Free) when it goes out of scope.
struct SymbolDeleter {
    void operator()(ostrel_qr_symbol* symbol) const { ostrel_qr_symbol::Free(symbol); }
};
using OwnedSymbol = std::unique_ptr<ostrel_qr_symbol, SymbolDeleter>;

// The calling thread's encoder, made on its first call (see the top of this file).
clsSymbolEncoder& ThreadEncoder() {
    thread_local clsSymbolEncoder encoder;
    return encoder;
}

// The calling thread's symbol that ostrel_qr_encode makes before copying it out: its storage is
// kept, so that a call allocates only the symbol it hands out. Every call writes it anew.
clsQRCode::Symbol& ThreadSymbol() {
    thread_local clsQRCode::Symbol symbol;
    return symbol;
}

// Rows of width bytes, stride apart in from, one after the other into to. A row of 8 to 32 bytes
// (Micro QR, QR version 1 to 3, the narrowest rMQR) is two copies of a fixed size, the second
// ending at the row's end and overlapping the first: no call per row. Wider rows are a memcpy
// call each, which copies them faster than pieces would.
void CopyRows(unsigned char* to, std::size_t width, std::size_t height, const unsigned char* from,
              std::size_t stride) {
    constexpr std::size_t kPiece = 16;
    constexpr std::size_t kHalfPiece = 8;
    if (width >= kPiece && width <= 2 * kPiece) {
        for (std::size_t y = 0; y < height; ++y, to += width, from += stride) {
            std::memcpy(to, from, kPiece);
            std::memcpy(to + width - kPiece, from + width - kPiece, kPiece);
        }
    } else if (width >= kHalfPiece && width < kPiece) {
        for (std::size_t y = 0; y < height; ++y, to += width, from += stride) {
            std::memcpy(to, from, kHalfPiece);
            std::memcpy(to + width - kHalfPiece, from + width - kHalfPiece, kHalfPiece);
        }
    } else {
        for (std::size_t y = 0; y < height; ++y, to += width, from += stride) {
            std::memcpy(to, from, width);
        }
    }
}

OwnedSymbol ToCSymbol(const clsQRCode::Symbol& symbol, int symbology) {
    OwnedSymbol result(ostrel_qr_symbol::Make(symbol.Columns(), symbol.Rows()));
    result->Symbology = symbology;
    result->Version = symbol.Version;
    result->Level = symbol.Level;
    // A symbology without a choice of mask reports 0, its one fixed pattern (as it always has).
    result->Mask = clsSymbology::Of(static_cast<ostrel::Symbology>(symbology)).HasMaskChoice()
                       ? symbol.Mask
                       : 0;
    // The finished modules are 0 and 1 already: each row as it is, without the padding.
    CopyRows(result->Modules, static_cast<std::size_t>(result->Width),
             static_cast<std::size_t>(result->Height), symbol.Modules.data(),
             static_cast<std::size_t>(symbol.Stride()));
    return result;
}

// The symbols of a structured-append sequence for checked settings, in order; none when the
// data do not fit (too long is told from too many symbols asked for by the caller).
int MakeSequence(std::span<const std::uint8_t> bytes, const ostrel_qr_options& options, int symbols,
                 int characters, std::vector<OwnedSymbol>& made) {
    using ostrel::clsStructuredAppend;
    const auto cut = static_cast<clsStructuredAppend::Characters>(characters);
    clsSymbolEncoder& encoder = ThreadEncoder();
    const clsSymbolEncoder::Settings settings = SettingsOf(options);
    const clsStructuredAppend::Plan plan = encoder.Split(bytes, settings, symbols, cut);
    if (plan.Parts.empty()) {
        const auto characterCount =
            static_cast<int>(clsStructuredAppend::CutPositions(bytes, cut).size()) - 1;
        return symbols > std::max(characterCount, 1) ? OSTREL_QR_ERROR_INVALID_OPTION
                                                     : OSTREL_QR_ERROR_DATA_TOO_LONG;
    }
    const std::vector<clsQRCode::Symbol> set = encoder.EncodeParts(bytes, plan, settings);
    if (set.empty()) {
        return OSTREL_QR_ERROR_INTERNAL; // the split measured every part with this encoder
    }
    for (const clsQRCode::Symbol& symbol : set) {
        made.push_back(ToCSymbol(symbol, options.symbology));
    }
    return OSTREL_QR_OK;
}

using ostrel::payload::PayloadBuilder;
using ostrel::payload::PayloadKind;

// The C numbers of the field uses are those of the payload rules.
static_assert(static_cast<int>(ostrel::payload::FieldUse::Optional) == OSTREL_QR_FIELD_OPTIONAL);
static_assert(static_cast<int>(ostrel::payload::FieldUse::Required) == OSTREL_QR_FIELD_REQUIRED);
static_assert(static_cast<int>(ostrel::payload::FieldUse::Repeatable) ==
              OSTREL_QR_FIELD_REPEATABLE);

// The last DTSTAMP that four digits of year can write: 9999-12-31T23:59:59Z.
constexpr long long LatestStamp = 253402300799LL;

// Copies text into message[0 .. size-1] with its NUL, cut where it does not fit, but never inside
// a UTF-8 character (a binding decodes what it gets). Nothing for a null message or size 0.
void PutMessage(char* message, std::size_t size, std::string_view text) {
    if (message == nullptr || size == 0) {
        return;
    }
    std::size_t length = std::min(text.size(), size - 1);
    // While text[length] continues a character, keep all of it out: at most 3 bytes (a name
    // given in bytes that are not UTF-8 may hold a longer run, which is no character).
    for (int back = 0; back < 3 && length > 0 && length < text.size() &&
                       (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80;
         ++back) {
        --length;
    }
    std::memcpy(message, text.data(), length);
    message[length] = '\0';
}

// The kind for a C name; nullopt for a null or unknown one.
std::optional<PayloadKind> KindOf(const char* kind) {
    return kind != nullptr ? PayloadBuilder::KindByName(kind) : std::nullopt;
}

// The first null among the count names and values, as a message; empty when there is none.
std::string NullField(const char* const* names, const char* const* values, std::size_t count) {
    if (count != 0 && (names == nullptr || values == nullptr)) {
        return names == nullptr ? "names is null" : "values is null";
    }
    for (std::size_t k = 0; k < count; ++k) {
        if (names[k] == nullptr || values[k] == nullptr) {
            std::string what = names[k] == nullptr ? "names[" : "values[";
            what += std::to_string(k);
            what += "] is null";
            return what;
        }
    }
    return {};
}

// The payload of checked arguments into *out (a new array with a NUL after it); the error code
// and message of the builder on failure.
int BuildPayload(PayloadKind kind, const char* const* names, const char* const* values,
                 std::size_t count, std::optional<std::int64_t> stamp, unsigned char** out,
                 std::size_t* outLength, std::string& message) {
    ostrel::payload::PayloadFields fields;
    for (std::size_t k = 0; k < count; ++k) {
        fields.Add(names[k], values[k]);
    }
    ostrel::payload::PayloadResult built = PayloadBuilder::Build(kind, fields, stamp);
    if (!built.Ok()) {
        message = std::move(built.Error);
        return OSTREL_QR_ERROR_INVALID_PAYLOAD;
    }
    auto buffer = std::make_unique<unsigned char[]>(built.Bytes.size() + 1); // zeroed: NUL last
    std::memcpy(buffer.get(), built.Bytes.data(), built.Bytes.size());
    *out = buffer.release();
    *outLength = built.Bytes.size();
    return OSTREL_QR_OK;
}

} // namespace

extern "C" {

void ostrel_qr_options_init(ostrel_qr_options* options) {
    if (options == nullptr) {
        return;
    }
    *options = ostrel_qr_options{};
    options->symbology = OSTREL_QR_SYMBOLOGY_QR;
    options->version = OSTREL_QR_VERSION_AUTO;
    options->level = OSTREL_QR_LEVEL_Q;
    options->mask = 0;
    options->kanji = 0;
    options->hanzi = 0;
    options->eci = 0;
    options->boost_level = 0;
    options->gs1 = 0;
}

int ostrel_qr_encode(const unsigned char* data, size_t length, const ostrel_qr_options* options,
                     ostrel_qr_symbol** out) {
    if (out == nullptr) {
        return OSTREL_QR_ERROR_NULL_ARGUMENT;
    }
    *out = nullptr;
    if (options == nullptr || (data == nullptr && length != 0)) {
        return OSTREL_QR_ERROR_NULL_ARGUMENT;
    }
    if (const int range = CheckRanges(*options); range != OSTREL_QR_OK) {
        return range;
    }
    // The encoder checks the settings first and refuses them with the same reason as CheckOptions
    // would: only a reserved field or the length comes before that, and needs the check here.
    const bool tooLong = length > static_cast<size_t>(clsQRCode::MaxInputLength);
    if (tooLong || ReservedSet(*options)) {
        if (const int check = CheckOptions(*options); check != OSTREL_QR_OK) {
            return check;
        }
        return OSTREL_QR_ERROR_DATA_TOO_LONG; // the reserved fields are clear: it is the length
    }
    try {
        const clsSymbolEncoder::Settings settings = SettingsOf(*options);
        clsQRCode::Symbol& symbol = ThreadSymbol();
        const clsSymbolEncoder::Outcome outcome =
            ThreadEncoder().EncodeInto({data, length}, settings, symbol);
        if (outcome.Why != Refusal::None) {
            return ErrorOf(outcome.Why, settings, options->level);
        }
        *out = ToCSymbol(symbol, options->symbology).release();
        return OSTREL_QR_OK;
    } catch (const std::bad_alloc&) {
        return OSTREL_QR_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return OSTREL_QR_ERROR_INTERNAL;
    }
}

int ostrel_qr_encode_sequence(const unsigned char* data, size_t length,
                              const ostrel_qr_options* options, int symbols, int characters,
                              ostrel_qr_symbol** out, int* count) {
    if (out == nullptr || count == nullptr) {
        return OSTREL_QR_ERROR_NULL_ARGUMENT;
    }
    std::fill_n(out, OSTREL_QR_SEQUENCE_MAX, nullptr);
    *count = 0;
    if (options == nullptr || (data == nullptr && length != 0)) {
        return OSTREL_QR_ERROR_NULL_ARGUMENT;
    }
    if (const int check = CheckOptions(*options); check != OSTREL_QR_OK) {
        return check;
    }
    if (!clsSymbology::Of(static_cast<ostrel::Symbology>(options->symbology))
             .Takes(clsSymbology::Feature::StructuredAppend)) {
        return OSTREL_QR_ERROR_UNSUPPORTED_SYMBOLOGY;
    }
    if (symbols < 0 || symbols > OSTREL_QR_SEQUENCE_MAX ||
        characters < OSTREL_QR_CHARACTERS_BYTES || characters > OSTREL_QR_CHARACTERS_DOUBLE_BYTE) {
        return OSTREL_QR_ERROR_INVALID_OPTION;
    }
    if (length > static_cast<size_t>(clsQRCode::MaxInputLength) * OSTREL_QR_SEQUENCE_MAX) {
        return OSTREL_QR_ERROR_DATA_TOO_LONG;
    }
    try {
        std::vector<OwnedSymbol> made;
        if (const int status = MakeSequence({data, length}, *options, symbols, characters, made);
            status != OSTREL_QR_OK) {
            return status;
        }
        *count = static_cast<int>(made.size());
        for (std::size_t k = 0; k < made.size(); ++k) {
            out[k] = made[k].release();
        }
        return OSTREL_QR_OK;
    } catch (const std::bad_alloc&) {
        return OSTREL_QR_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return OSTREL_QR_ERROR_INTERNAL;
    }
}

void ostrel_qr_symbol_free(ostrel_qr_symbol* symbol) {
    ostrel_qr_symbol::Free(symbol);
}

int ostrel_qr_symbol_size(const ostrel_qr_symbol* symbol) {
    return symbol != nullptr && symbol->Width == symbol->Height ? symbol->Width : 0;
}

int ostrel_qr_symbol_width(const ostrel_qr_symbol* symbol) {
    return symbol != nullptr ? symbol->Width : 0;
}

int ostrel_qr_symbol_height(const ostrel_qr_symbol* symbol) {
    return symbol != nullptr ? symbol->Height : 0;
}

int ostrel_qr_symbol_module(const ostrel_qr_symbol* symbol, int x, int y) {
    if (symbol == nullptr || x < 0 || y < 0 || x >= symbol->Width || y >= symbol->Height) {
        return 0;
    }
    return symbol->Modules[static_cast<std::size_t>(y) * symbol->Width + x];
}

const unsigned char* ostrel_qr_symbol_modules(const ostrel_qr_symbol* symbol) {
    return symbol != nullptr ? symbol->Modules : nullptr;
}

int ostrel_qr_symbol_version(const ostrel_qr_symbol* symbol) {
    return symbol != nullptr ? symbol->Version : 0;
}

int ostrel_qr_symbol_level(const ostrel_qr_symbol* symbol) {
    return symbol != nullptr ? symbol->Level : 0;
}

int ostrel_qr_symbol_mask(const ostrel_qr_symbol* symbol) {
    return symbol != nullptr ? symbol->Mask : -1;
}

int ostrel_qr_symbol_symbology(const ostrel_qr_symbol* symbol) {
    return symbol != nullptr ? symbol->Symbology : -1;
}

int ostrel_qr_payload_build(const char* kind, const char* const* names, const char* const* values,
                            size_t count, long long stamp, int has_stamp, unsigned char** out,
                            size_t* out_length, char* message, size_t message_size) {
    PutMessage(message, message_size, "");
    auto fail = [&](int code, std::string_view why) {
        PutMessage(message, message_size, why.empty() ? ostrel_qr_error_message(code) : why);
        return code;
    };
    if (out == nullptr || out_length == nullptr) {
        return fail(OSTREL_QR_ERROR_NULL_ARGUMENT,
                    out == nullptr ? "out is null" : "out_length is null");
    }
    *out = nullptr;
    *out_length = 0;
    try {
        if (kind == nullptr) {
            return fail(OSTREL_QR_ERROR_NULL_ARGUMENT, "kind is null");
        }
        if (const std::string null = NullField(names, values, count); !null.empty()) {
            return fail(OSTREL_QR_ERROR_NULL_ARGUMENT, null);
        }
        if ((has_stamp != 0 && has_stamp != 1) ||
            (has_stamp == 1 && (stamp < 0 || stamp > LatestStamp))) {
            return fail(OSTREL_QR_ERROR_INVALID_OPTION,
                        has_stamp != 1 ? "has_stamp is neither 0 nor 1"
                                       : "the stamp is not 0 .. 253402300799 (1970-01-01T00:00:00Z "
                                         ".. 9999-12-31T23:59:59Z)");
        }
        const std::optional<PayloadKind> known = KindOf(kind);
        if (!known) {
            std::string why = "unknown payload kind '";
            why += kind;
            why += "' (the kinds: ";
            why += PayloadBuilder::KindNames();
            why += ")";
            return fail(OSTREL_QR_ERROR_UNKNOWN_PAYLOAD_KIND, why);
        }
        std::string why;
        const int status =
            BuildPayload(*known, names, values, count,
                         has_stamp == 1 ? std::optional<std::int64_t>(stamp) : std::nullopt, out,
                         out_length, why);
        return status == OSTREL_QR_OK ? status : fail(status, why);
    } catch (const std::bad_alloc&) {
        return fail(OSTREL_QR_ERROR_OUT_OF_MEMORY, {});
    } catch (...) {
        return fail(OSTREL_QR_ERROR_INTERNAL, {});
    }
}

void ostrel_qr_free(void* memory) {
    // Owned from here on: released when the pointer goes out of scope.
    const std::unique_ptr<unsigned char[]> owned(static_cast<unsigned char*>(memory));
}

int ostrel_qr_payload_kind_count(void) {
    return static_cast<int>(PayloadBuilder::KindCount());
}

// The names of kinds and fields are string literals in the payload classes' tables: their
// string_view data end in a NUL.
const char* ostrel_qr_payload_kind_name(int index) {
    const std::optional<PayloadKind> kind =
        index >= 0 ? PayloadBuilder::KindAt(static_cast<std::size_t>(index)) : std::nullopt;
    return kind ? PayloadBuilder::KindName(*kind).data() : nullptr;
}

int ostrel_qr_payload_field_count(const char* kind) {
    try {
        const std::optional<PayloadKind> known = KindOf(kind);
        return known ? static_cast<int>(PayloadBuilder::Rules(*known).size()) : -1;
    } catch (...) {
        return -1; // KindByName could not have its copy of the name
    }
}

const char* ostrel_qr_payload_field_name(const char* kind, int index, int* use) {
    try {
        const std::optional<PayloadKind> known = KindOf(kind);
        if (!known || index < 0) {
            return nullptr;
        }
        const auto rules = PayloadBuilder::Rules(*known);
        if (static_cast<std::size_t>(index) >= rules.size()) {
            return nullptr;
        }
        const ostrel::payload::FieldRule& rule = rules[static_cast<std::size_t>(index)];
        if (use != nullptr) {
            *use = static_cast<int>(rule.Use);
        }
        return rule.Name.data();
    } catch (...) {
        return nullptr;
    }
}

const char* ostrel_qr_error_message(int code) {
    switch (code) {
    case OSTREL_QR_OK:
        return "success";
    case OSTREL_QR_ERROR_NULL_ARGUMENT:
        return "a required pointer is null (options, output, or data with a non-zero length)";
    case OSTREL_QR_ERROR_DATA_TOO_LONG:
        return "the data do not fit in the requested version, or in the largest symbol, at the "
               "requested level";
    case OSTREL_QR_ERROR_INVALID_VERSION:
        return "the version is not 1..40 or automatic (0)";
    case OSTREL_QR_ERROR_INVALID_LEVEL:
        return "the error-correction level is not L, M, Q or H (1..4)";
    case OSTREL_QR_ERROR_INVALID_MASK:
        return "the mask is not 0..7 or automatic (-1)";
    case OSTREL_QR_ERROR_INVALID_ECI:
        return "the ECI designator is not 1..999999 or none (0)";
    case OSTREL_QR_ERROR_INVALID_SYMBOLOGY:
        return "the symbology is unknown";
    case OSTREL_QR_ERROR_UNSUPPORTED_SYMBOLOGY:
        return "the symbology has no Hanzi mode or structured append (QR Code only) or no FNC1 "
               "for gs1 (Micro QR)";
    case OSTREL_QR_ERROR_INVALID_OPTION:
        return "an option is out of range (kanji, hanzi, boost_level or gs1 not 0 or 1, kanji "
               "and hanzi both 1, gs1 with eci or in a sequence, a reserved field not 0, or a "
               "sequence's symbols or characters out of range)";
    case OSTREL_QR_ERROR_OUT_OF_MEMORY:
        return "out of memory";
    case OSTREL_QR_ERROR_INTERNAL:
        return "internal error in the encoder";
    case OSTREL_QR_ERROR_INVALID_RENDER_OPTION:
        return "a render option is out of range or does not suit the format (format, unit, "
               "scale 1..100, quiet zone 0..64, dpi 0..2400, one size, colours for png, svg, pdf "
               "and eps, cmyk for pdf and eps, invert for utf8 and ansi, a reserved field not 0)";
    case OSTREL_QR_ERROR_SIZE:
        return "the size cannot be drawn (a picture in mm, cm or in needs a dpi; at least 1 and "
               "at most 100 pixels per module; a drawing at most 200 inches wide)";
    case OSTREL_QR_ERROR_WRITE:
        return "the file could not be written (errno says why); nothing was left at its path";
    case OSTREL_QR_ERROR_LOGO:
        return "the logo does not fit the symbol: it would use more of a block's error correction "
               "than its budget or reach a function pattern, or the symbol is Micro QR";
    case OSTREL_QR_ERROR_INVALID_PAYLOAD:
        return "a payload field is unknown, given twice, missing, not valid UTF-8 or out of range";
    case OSTREL_QR_ERROR_UNKNOWN_PAYLOAD_KIND:
        return "the payload kind is unknown";
    default:
        return "unknown error code";
    }
}

const char* ostrel_qr_version_string(void) {
    return OSTREL_QR_VERSION_STRING;
}

} // extern "C"
