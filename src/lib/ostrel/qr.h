/**
 * @file qr.h
 * @brief The C interface of the Ostrel QR encoder (C99, usable from any language with a C
 * foreign-function interface).
 *
 * One call turns bytes into a finished symbol of ISO/IEC 18004 (QR Code Model 2, versions 1 to
 * 40, levels L, M, Q and H): the shortest segmentation over numeric, alphanumeric, byte and
 * (optionally) Kanji modes, the smallest version that holds it (or the one asked for),
 * Reed-Solomon error correction, placement, the data mask asked for (or the one with the lowest
 * penalty of clause 7.8.3), and the format and version information.
 *
 * @code
 * ostrel_qr_options options;
 * ostrel_qr_symbol* symbol = NULL;
 * ostrel_qr_options_init(&options);
 * if (ostrel_qr_encode((const unsigned char*)"abc", 3, &options, &symbol) == OSTREL_QR_OK) {
 *     for (int y = 0; y < ostrel_qr_symbol_height(symbol); ++y) {
 *         for (int x = 0; x < ostrel_qr_symbol_width(symbol); ++x) {
 *             putchar(ostrel_qr_symbol_module(symbol, x, y) ? '1' : '0');
 *         }
 *         putchar('\n');
 *     }
 *     ostrel_qr_symbol_free(symbol);
 * }
 * @endcode
 *
 * The payloads that phones act on (Wi-Fi logins, contact cards, events, phone, SMS, e-mail and
 * map links) are built from named fields by ostrel_qr_payload_build(), then encoded:
 *
 * @code
 * const char* names[] = {"ssid", "password", "auth"};
 * const char* values[] = {"Home", "correct horse", "WPA"};
 * unsigned char* data = NULL;
 * size_t length = 0;
 * char message[256];
 * ostrel_qr_options options;
 * ostrel_qr_symbol* wifi = NULL;
 * if (ostrel_qr_payload_build("wifi", names, values, 3, 0, 0, &data, &length, message,
 *                             sizeof message) != OSTREL_QR_OK) {
 *     fprintf(stderr, "%s\n", message); // names the field at fault
 * } else {
 *     ostrel_qr_options_init(&options);
 *     if (ostrel_qr_encode(data, length, &options, &wifi) == OSTREL_QR_OK) {
 *         // ... the modules of WIFI:T:WPA;S:Home;P:correct horse;;
 *         ostrel_qr_symbol_free(wifi);
 *     }
 *     ostrel_qr_free(data);
 * }
 * @endcode
 *
 * Errors: every function that can fail returns an ::ostrel_qr_error code, and
 * ostrel_qr_error_message() says it in words. No C++ exception ever leaves these functions.
 *
 * Files: ostrel_qr_render() draws a symbol as PNG, SVG, PDF, EPS, BMP or text in memory, and
 * ostrel_qr_render_file() writes it to a file, byte for byte as ostrel-qr-cli writes it.
 *
 * Threads: no call's result depends on an earlier call. The tables that never change (the field
 * GF(2^8), the function patterns and placement order of each symbol size) are built once per
 * process, each on first use; each thread keeps its own encoder between calls, which holds
 * nothing but what it derived from those tables (the last Reed-Solomon generator) and the storage
 * of its working buffers, which every call overwrites: after the first calls, ostrel_qr_encode()
 * allocates only the symbol it returns. Any number of threads may encode at the same time; a
 * symbol may be read from several threads at once, and is freed by one.
 */
#ifndef OSTREL_QR_H
#define OSTREL_QR_H

#include "OstrelExport.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** Result codes of ostrel_qr_encode(). 0 is success; every other value is an error. */
typedef enum ostrel_qr_error {
    /** The symbol was made. */
    OSTREL_QR_OK = 0,
    /** A required pointer is null: the options, the place for the symbol, or the data while the
     *  length is not 0 (data may be null for an empty input). */
    OSTREL_QR_ERROR_NULL_ARGUMENT = 1,
    /** The data do not fit: longer than the largest symbol holds (7089 bytes), or more than
     *  the requested version, or version 40 when the version is automatic, holds at the
     *  requested level. */
    OSTREL_QR_ERROR_DATA_TOO_LONG = 2,
    /** The version is neither ::OSTREL_QR_VERSION_AUTO nor one of the symbology: 1..40 for QR
     *  Code, 1..4 (M1..M4) for Micro QR, 1..32 (R7x43..R17x139) for rMQR. */
    OSTREL_QR_ERROR_INVALID_VERSION = 3,
    /** The level is not one of ::OSTREL_QR_LEVEL_L .. ::OSTREL_QR_LEVEL_H, or not one the
     *  symbology has: Micro QR has no H, rMQR only M and H. (A Micro QR version that lacks the
     *  level, such as M1 at M, gives ::OSTREL_QR_ERROR_DATA_TOO_LONG.) */
    OSTREL_QR_ERROR_INVALID_LEVEL = 4,
    /** The mask is neither ::OSTREL_QR_MASK_AUTO nor one of the symbology: 0..7 for QR Code,
     *  0..3 for Micro QR, 0 for rMQR (its one fixed pattern, no choice). */
    OSTREL_QR_ERROR_INVALID_MASK = 5,
    /** The ECI designator is neither 0 (none) nor 1..999999; or not 0 for Micro QR, which has
     *  no ECI. */
    OSTREL_QR_ERROR_INVALID_ECI = 6,
    /** The symbology is not one of ::ostrel_qr_symbology. */
    OSTREL_QR_ERROR_INVALID_SYMBOLOGY = 7,
    /** The symbology is known but cannot do what is asked: Hanzi mode or a structured-append
     *  sequence of Micro QR or rMQR (they have neither), or gs1 for Micro QR (no FNC1). */
    OSTREL_QR_ERROR_UNSUPPORTED_SYMBOLOGY = 8,
    /** Another setting is out of range: kanji, hanzi, boost_level or gs1 is neither 0 nor 1,
     *  kanji and hanzi are both 1, gs1 goes with eci or a sequence, a reserved field is not 0
     *  (options not set up by ostrel_qr_options_init()), or a sequence's symbols or characters
     *  are out of range. */
    OSTREL_QR_ERROR_INVALID_OPTION = 9,
    /** Memory for the symbol could not be had. */
    OSTREL_QR_ERROR_OUT_OF_MEMORY = 10,
    /** An unexpected failure inside the encoder; please report it. */
    OSTREL_QR_ERROR_INTERNAL = 11,
    /** A field of a payload is at fault: not a field of the kind, given twice though not
     *  repeatable, required and missing or empty, not valid UTF-8, or a value the kind does not
     *  take (a Wi-Fi password of 3 octets, a latitude of 91). The message of
     *  ostrel_qr_payload_build() names the field. */
    OSTREL_QR_ERROR_INVALID_PAYLOAD = 12,
    /** The payload kind is none of those that ostrel_qr_payload_kind_name() lists. */
    OSTREL_QR_ERROR_UNKNOWN_PAYLOAD_KIND = 13,
    /** A setting of ::ostrel_qr_render_options is out of range or does not suit the format:
     *  an unknown format or unit, scale outside 1..100, quiet zone outside 0..64 (or
     *  ::OSTREL_QR_QUIET_ZONE_DEFAULT), dpi outside 0..2400, a negative or non-finite size,
     *  both module_size and size, colours other than black on white for BMP and the text formats,
     *  cmyk outside PDF and EPS, invert outside the terminal formats, a reserved field not 0. */
    OSTREL_QR_ERROR_INVALID_RENDER_OPTION = 14,
    /** The size cannot be drawn: a picture sized in mm, cm or in without a dpi, fewer than one
     *  pixel per module at the dpi, more than 100 pixels per module, or a drawing wider than
     *  200 inches (the same limits as ostrel-qr-cli). */
    OSTREL_QR_ERROR_SIZE = 15,
    /** The file could not be written (errno tells why); nothing was left at the path, and a file
     *  that was there is unchanged. */
    OSTREL_QR_ERROR_WRITE = 16,
    /** ostrel_qr_render_logo(): the logo does not fit the symbol: it would use more of a block's
     *  error correction than its budget, reach a function pattern, or the symbol is Micro QR. */
    OSTREL_QR_ERROR_LOGO = 17
} ostrel_qr_error;

/** Kinds of symbol. The symbol's width and height come from ostrel_qr_symbol_width() and
 *  ostrel_qr_symbol_height() (rMQR symbols are not square); every symbol needs a quiet zone
 *  around it: 4 modules for QR Code, 2 for Micro QR and rMQR. */
typedef enum ostrel_qr_symbology {
    /** QR Code Model 2 (ISO/IEC 18004), square, versions 1..40: 21 to 177 modules a side. */
    OSTREL_QR_SYMBOLOGY_QR = 0,
    /** Micro QR Code (ISO/IEC 18004), versions M1..M4 (1..4): 11 to 17 modules a side; levels
     *  L, M, Q (M1 detects errors only and answers to L); masks 0..3, automatic by the edge
     *  evaluation of the standard; numeric only in M1, no bytes or Kanji in M2; no ECI. */
    OSTREL_QR_SYMBOLOGY_MICRO_QR = 1,
    /** Rectangular Micro QR Code (ISO/IEC 23941), R7x43..R17x139 (versions 1..32, heights 7
     *  to 17 in turn, each from its narrowest width); levels M and H; one fixed pattern and no
     *  choice of mask (0 or ::OSTREL_QR_MASK_AUTO ask for it). The automatic version is the
     *  smallest area that holds the data, then the lower height. */
    OSTREL_QR_SYMBOLOGY_RMQR = 2
} ostrel_qr_symbology;

/** Error-correction levels (ISO/IEC 18004 clause 5.3.8): about 7, 15, 25 and 30 % of the
 *  codewords can be restored. */
typedef enum ostrel_qr_level {
    OSTREL_QR_LEVEL_L = 1,
    OSTREL_QR_LEVEL_M = 2,
    OSTREL_QR_LEVEL_Q = 3,
    OSTREL_QR_LEVEL_H = 4
} ostrel_qr_level;

/** Version value that asks for the smallest version holding the data. */
#define OSTREL_QR_VERSION_AUTO 0
/** Mask value that asks for the mask with the lowest penalty score (ISO/IEC 18004 clause
 *  7.8.3), the lower number on a tie. */
#define OSTREL_QR_MASK_AUTO (-1)

/** Settings of one encoding. Set up with ostrel_qr_options_init(), then change what you need. */
typedef struct ostrel_qr_options {
    /** One of ::ostrel_qr_symbology; default ::OSTREL_QR_SYMBOLOGY_QR. */
    int symbology;
    /** 1..40 (QR Code), 1..4 (Micro QR M1..M4) or 1..32 (rMQR R7x43..R17x139), or
     *  ::OSTREL_QR_VERSION_AUTO (default). */
    int version;
    /** One of ::ostrel_qr_level; default ::OSTREL_QR_LEVEL_Q (set M or H for rMQR). */
    int level;
    /** Data mask 0..7 (default 0; Micro QR 0..3, rMQR 0), or ::OSTREL_QR_MASK_AUTO. */
    int mask;
    /** 1: double-byte Shift JIS characters may be packed in Kanji mode; 0 (default): not.
     *  Readers decode Kanji segments as Shift JIS, so switch it on only for Shift JIS data. */
    int kanji;
    /** Extended Channel Interpretation designator (ISO/IEC 18004 clause 7.4.2), 1..999999,
     *  written before the data; 0 (default): no ECI header. Example: 26 declares UTF-8. */
    int eci;
    /** 1: double-byte GB 2312 characters may be packed in Hanzi mode (GB/T 18284: 13 bits a
     *  character after mode indicator 1101 and subset 0001), QR Code only, with kanji 0; the
     *  data must then be GB 2312 text. 0 (default): not. zxing-cpp reads Hanzi mode; ZBar and
     *  OpenCV's WeChat reader do not (they show the GB 2312 bytes). */
    int hanzi;
    /** 1: once the version is fixed (the one asked for, or the smallest that holds the data at
     *  the level), the symbol takes the highest level that version offers and that still holds
     *  the data: the version never grows, the level never falls below the one asked for, and the
     *  symbol is the one that level asked for would give. ostrel_qr_symbol_level() tells the
     *  level used. In a sequence (ostrel_qr_encode_sequence()) all symbols take the highest level
     *  at which every one still holds its part. 0 (default): the level asked for. Since 2.1. */
    int boost_level;
    /** 1: GS1 data, written after FNC1 in first position (read as symbology identifier ]Q3):
     *  data is the element strings as transmitted, each AI followed by its data and the ASCII
     *  group separator 0x1D after every field of variable length that is not the last, e.g.
     *  "010950110153000317260101" "10ABC123". The AIs are not checked here (the tool's --gs1
     *  checks the bracket form). QR Code and rMQR only (Micro QR: unsupported symbology), not
     *  with eci or a sequence (invalid option). 0 (default): plain data. Since 2.2. */
    int gs1;
    /** Room for settings of later minor versions; must stay 0. */
    int reserved[5];
} ostrel_qr_options;

/** A finished symbol; made by ostrel_qr_encode(), read with the ostrel_qr_symbol_ functions,
 *  released with ostrel_qr_symbol_free(). It never changes once made. */
typedef struct ostrel_qr_symbol ostrel_qr_symbol;

/** Sets every field to its default: QR Code, automatic version, level Q, mask 0, Kanji and
 *  Hanzi modes off, no ECI, no level boost, reserved fields 0. Does nothing for a null pointer. */
OSTREL_API void ostrel_qr_options_init(ostrel_qr_options* options);

/**
 * Encodes data[0 .. length-1] as one symbol.
 *
 * @param data    the bytes to encode; may be null when length is 0
 * @param length  number of bytes, 0 .. 7089
 * @param options settings (see ::ostrel_qr_options)
 * @param out     receives the new symbol on success, and NULL on any error
 * @return ::OSTREL_QR_OK, or the ::ostrel_qr_error that says why no symbol was made. The
 *         settings are checked before any encoding work; nothing is ever half made.
 */
OSTREL_API int ostrel_qr_encode(const unsigned char* data, size_t length,
                                const ostrel_qr_options* options, ostrel_qr_symbol** out);

/** Where ostrel_qr_encode_sequence() may end a part: between any two bytes, or only between
 *  characters of UTF-8 (a sequence of 2..4 bytes stays whole), of Shift JIS (a lead byte 81..9F
 *  or E0..FC keeps its trail byte) or of a double-byte set in the EUC manner, GB 2312, GBK or Big5
 *  (a lead byte 81..FE keeps its trail byte). */
typedef enum ostrel_qr_characters {
    OSTREL_QR_CHARACTERS_BYTES = 0,
    OSTREL_QR_CHARACTERS_UTF8 = 1,
    OSTREL_QR_CHARACTERS_SHIFT_JIS = 2,
    OSTREL_QR_CHARACTERS_DOUBLE_BYTE = 3
} ostrel_qr_characters;

/** The most symbols that structured append joins. */
#define OSTREL_QR_SEQUENCE_MAX 16

/**
 * Encodes data[0 .. length-1] over up to 16 QR Code symbols that a reader joins again
 * (structured append, ISO/IEC 18004 clause 8): every symbol starts with its position, the number
 * of symbols and the parity byte of the whole data (the XOR of all its bytes), followed by the
 * optimal segments of its part. The parts are as equal as the split allows.
 *
 * @param data       the bytes to encode; may be null when length is 0
 * @param length     number of bytes, 0 .. 16 * 7089
 * @param options    settings of every symbol (QR Code only); with ::OSTREL_QR_VERSION_AUTO the
 *                   smallest version at which the symbols hold the data, else that version
 * @param symbols    0: the fewest symbols; 1..16: exactly that many
 * @param characters one of ::ostrel_qr_characters: where a part may end
 * @param out        an array of ::OSTREL_QR_SEQUENCE_MAX pointers: receives the symbols in order,
 *                   NULL after the last one, and NULL everywhere on any error
 * @param count      receives the number of symbols (0 on any error)
 * @return ::OSTREL_QR_OK, ::OSTREL_QR_ERROR_DATA_TOO_LONG when 16 symbols (or the number asked
 *         for, of the version asked for) cannot hold the data, ::OSTREL_QR_ERROR_INVALID_OPTION
 *         for symbols or characters out of range or more symbols than the data has characters,
 *         ::OSTREL_QR_ERROR_UNSUPPORTED_SYMBOLOGY for Micro QR and rMQR, or another error of
 *         ostrel_qr_encode(). Nothing is ever half made.
 */
OSTREL_API int ostrel_qr_encode_sequence(const unsigned char* data, size_t length,
                                         const ostrel_qr_options* options, int symbols,
                                         int characters, ostrel_qr_symbol** out, int* count);

/** Releases a symbol; does nothing for NULL. */
OSTREL_API void ostrel_qr_symbol_free(ostrel_qr_symbol* symbol);

/** Side of a square symbol in modules (17 + 4 * version for QR Code), without quiet zone;
 *  0 for NULL or a symbol that is not square. */
OSTREL_API int ostrel_qr_symbol_size(const ostrel_qr_symbol* symbol);
/** Width in modules, without quiet zone; 0 for NULL. */
OSTREL_API int ostrel_qr_symbol_width(const ostrel_qr_symbol* symbol);
/** Height in modules, without quiet zone; 0 for NULL. */
OSTREL_API int ostrel_qr_symbol_height(const ostrel_qr_symbol* symbol);

/** Module (x, y), x the column from the left and y the row from the top, both from 0:
 *  1 dark, 0 light. Outside the symbol (the quiet zone) and for NULL: 0. */
OSTREL_API int ostrel_qr_symbol_module(const ostrel_qr_symbol* symbol, int x, int y);
/** All modules, row by row from the top, width * height bytes of 0 (light) or 1 (dark);
 *  valid until the symbol is freed. NULL for NULL. */
OSTREL_API const unsigned char* ostrel_qr_symbol_modules(const ostrel_qr_symbol* symbol);

/** The version used (the one chosen when automatic); 0 for NULL. */
OSTREL_API int ostrel_qr_symbol_version(const ostrel_qr_symbol* symbol);
/** The ::ostrel_qr_level used (with boost_level, the raised one); 0 for NULL. */
OSTREL_API int ostrel_qr_symbol_level(const ostrel_qr_symbol* symbol);
/** The mask used, 0..7 (the one chosen with ::OSTREL_QR_MASK_AUTO); -1 for NULL. rMQR has one
 *  fixed pattern and no choice of mask: its symbols answer 0, which there names that pattern,
 *  not QR Code's mask 0. */
OSTREL_API int ostrel_qr_symbol_mask(const ostrel_qr_symbol* symbol);
/** The ::ostrel_qr_symbology of the symbol; -1 for NULL. */
OSTREL_API int ostrel_qr_symbol_symbology(const ostrel_qr_symbol* symbol);

/** Kinds of file that ostrel_qr_render() makes, each exactly as ostrel-qr-cli writes it with
 *  --format of the same name. */
typedef enum ostrel_qr_format {
    /** PNG picture: one bit a pixel from a two-colour palette (with alpha when a colour is not
     *  opaque), scale pixels per module; states the dpi when one is given. */
    OSTREL_QR_FORMAT_PNG = 0,
    /** SVG drawing: one path of dark modules over a ground rectangle, sized in pixels, or in the
     *  unit asked (pixels at a dpi in inches or points). */
    OSTREL_QR_FORMAT_SVG = 1,
    /** PDF page that is exactly the symbol with its quiet zone, drawn with vectors. */
    OSTREL_QR_FORMAT_PDF = 2,
    /** Encapsulated PostScript (EPSF 3.0) of the symbol with its quiet zone. */
    OSTREL_QR_FORMAT_EPS = 3,
    /** BMP picture, one bit a pixel, always black on white. */
    OSTREL_QR_FORMAT_BMP = 4,
    /** The modules as text: one line a row, '1' dark and '0' light (no quiet zone by default). */
    OSTREL_QR_FORMAT_MATRIX = 5,
    /** For a terminal: Unicode half blocks, two module rows a line (UTF-8). */
    OSTREL_QR_FORMAT_UTF8 = 6,
    /** For a terminal: ANSI background colours, two blanks a module. */
    OSTREL_QR_FORMAT_ANSI = 7
} ostrel_qr_format;

/** Units of ::ostrel_qr_render_options module_size and size. */
typedef enum ostrel_qr_unit {
    OSTREL_QR_UNIT_PIXEL = 0,
    OSTREL_QR_UNIT_MILLIMETRE = 1,
    OSTREL_QR_UNIT_CENTIMETRE = 2,
    OSTREL_QR_UNIT_INCH = 3
} ostrel_qr_unit;

/** Quiet-zone value that asks for the symbology's own: 4 modules for QR Code, 2 for Micro QR and
 *  rMQR, none for ::OSTREL_QR_FORMAT_MATRIX. */
#define OSTREL_QR_QUIET_ZONE_DEFAULT (-1)

/** How ostrel_qr_render() draws a symbol. Set up with ostrel_qr_render_options_init(), then
 *  change what you need. The size is one of three: scale pixels per module (the default), or
 *  module_size, or size, in unit; pictures (PNG, BMP) need whole pixels per module and round to
 *  them, drawings (SVG, PDF, EPS) keep the exact size. */
typedef struct ostrel_qr_render_options {
    /** One of ::ostrel_qr_format; default ::OSTREL_QR_FORMAT_PNG. */
    int format;
    /** Pixels per module, 1..100 (default 1), when neither module_size nor size is given. For
     *  PDF and EPS a pixel is a CSS pixel (1/96 inch), or a dot at dpi. */
    int scale;
    /** Greater than 0: the side of one module in unit. Default 0 (not given). */
    double module_size;
    /** Greater than 0: the width of the whole symbol with its quiet zone in unit. Default 0. */
    double size;
    /** One of ::ostrel_qr_unit, for module_size and size; default ::OSTREL_QR_UNIT_PIXEL. */
    int unit;
    /** Dots per inch the file is made for, 1..2400; 0 (default): none stated. Pictures sized
     *  in mm, cm or in need it. */
    int dpi;
    /** Light modules around the symbol, 0..64, or ::OSTREL_QR_QUIET_ZONE_DEFAULT (default). */
    int quiet_zone;
    /** Dark modules' colour as 0xRRGGBBAA (alpha 0xFF opaque); default 0x000000FF. PNG, SVG,
     *  PDF and EPS only (EPS lays a colour that is not opaque over the one beneath). */
    uint32_t foreground;
    /** Light modules' and quiet zone's colour as 0xRRGGBBAA; default 0xFFFFFFFF. */
    uint32_t background;
    /** 1: PDF and EPS colours as process inks (CMYK, black as pure K); 0 (default): RGB. */
    int cmyk;
    /** 1: the terminal formats swap light and dark (for a terminal with dark ink on a light
     *  ground); 0 (default): for the usual light ink on a dark ground. */
    int invert;
    /** Room for settings of later minor versions; must stay 0. */
    int reserved[8];
} ostrel_qr_render_options;

/** Sets every field to its default: PNG, 1 pixel per module, the symbology's quiet zone, black
 *  on white, no dpi, RGB, not inverted, reserved fields 0. Does nothing for a null pointer. */
OSTREL_API void ostrel_qr_render_options_init(ostrel_qr_render_options* options);

/**
 * Draws a symbol as a file in memory, byte for byte the file ostrel-qr-cli writes with the same
 * settings.
 *
 * @code
 * ostrel_qr_render_options render;
 * unsigned char* png = NULL;
 * size_t length = 0;
 * ostrel_qr_render_options_init(&render);
 * render.scale = 8;
 * if (ostrel_qr_render(symbol, &render, &png, &length) == OSTREL_QR_OK) {
 *     fwrite(png, 1, length, file);
 *     ostrel_qr_free(png);
 * }
 * @endcode
 *
 * @param symbol  a symbol made by ostrel_qr_encode() or ostrel_qr_encode_sequence()
 * @param options how to draw it (see ::ostrel_qr_render_options)
 * @param out     receives the file, to be released with ostrel_qr_free(); NULL on any error
 * @param length  receives the file's length in bytes; 0 on any error
 * @return ::OSTREL_QR_OK, ::OSTREL_QR_ERROR_NULL_ARGUMENT,
 *         ::OSTREL_QR_ERROR_INVALID_RENDER_OPTION, ::OSTREL_QR_ERROR_SIZE or
 *         ::OSTREL_QR_ERROR_OUT_OF_MEMORY.
 */
OSTREL_API int ostrel_qr_render(const ostrel_qr_symbol* symbol,
                                const ostrel_qr_render_options* options, unsigned char** out,
                                size_t* length);

/** A picture for the middle of a symbol (ostrel_qr_render_logo()). Set up with
 *  ostrel_qr_logo_init(), then give the pixels. */
typedef struct ostrel_qr_logo {
    /** width x height pixels, 4 bytes each (red, green, blue, alpha; not premultiplied), row by
     *  row from the top. */
    const unsigned char* rgba;
    /** 1..8000 each. */
    int width;
    int height;
    /** The logo's side over the symbol's width (rMQR: height), above 0 and at most 0.8; default
     *  0.2. Rounded to an odd number of modules, centred. */
    double size;
    /** Light modules around the logo, 0..10; default 1. */
    int margin;
    /** Percent of each error-correction block's capacity the logo may use, 10..100; default 50. */
    int budget;
    /** Room for settings of later minor versions; must stay 0. */
    int reserved[4];
} ostrel_qr_logo;

/** Sets every field to its default (no pixels, size 0.2, margin 1, budget 50, reserved 0). Does
 *  nothing for a null pointer. */
OSTREL_API void ostrel_qr_logo_init(ostrel_qr_logo* logo);

/**
 * Draws a symbol as ostrel_qr_render() does with a logo over its middle, as ostrel-qr-cli --logo
 * does: the modules under it and its margin cleared (never a function pattern), the codewords it
 * takes counted per error-correction block against the budget. PNG, BMP, SVG and PDF embed the
 * picture; the text formats show the cleared area; EPS is an invalid render option here.
 *
 * @return the errors of ostrel_qr_render(), ::OSTREL_QR_ERROR_INVALID_OPTION for a logo field
 *         out of range, or ::OSTREL_QR_ERROR_LOGO when the logo does not fit the symbol.
 */
OSTREL_API int ostrel_qr_render_logo(const ostrel_qr_symbol* symbol,
                                     const ostrel_qr_render_options* options,
                                     const ostrel_qr_logo* logo, unsigned char** out,
                                     size_t* length);

/**
 * Draws a symbol as ostrel_qr_render() does and writes it to the file at path (UTF-8) whole or
 * not at all: through a temporary file in the same folder that takes the name only when
 * complete. On failure no file is left behind and a file that was at path is unchanged.
 *
 * @return ::OSTREL_QR_OK, an error of ostrel_qr_render(), or ::OSTREL_QR_ERROR_WRITE with errno
 *         set to the system's reason.
 */
OSTREL_API int ostrel_qr_render_file(const ostrel_qr_symbol* symbol,
                                     const ostrel_qr_render_options* options, const char* path);

/** Releases memory that a function of this library handed out (a rendered file, a payload);
 *  does nothing for NULL. */
OSTREL_API void ostrel_qr_free(void* memory);
/** How often a field of a payload kind may be given (ostrel_qr_payload_field_name()). */
typedef enum ostrel_qr_field_use {
    /** At most once. */
    OSTREL_QR_FIELD_OPTIONAL = 0,
    /** Exactly once, and not empty. */
    OSTREL_QR_FIELD_REQUIRED = 1,
    /** Any number of times (a vCard's tel and email, a mailto link's to). */
    OSTREL_QR_FIELD_REPEATABLE = 2
} ostrel_qr_field_use;

/**
 * Builds the data of a structured payload, the text that phones act on when they scan it: a Wi-Fi
 * login, a contact card, a calendar event, a phone, SMS, e-mail or map link, or plain text. The
 * bytes are those that `ostrel-qr-cli --payload KIND --field NAME=VALUE ... --print-payload`
 * prints for the same fields; encode them with ostrel_qr_encode() (ECI 26 tells readers that
 * they are UTF-8).
 *
 * An example is at the top of this file; a field at fault gives a message such as "field
 * 'password' must be 8 to 63 octets or 64 hexadecimal digits for WPA".
 *
 * @param kind         the kind: "text", "wifi", "vcard", "mecard", "event", "tel", "sms",
 *                     "mailto" or "geo" (ASCII case does not matter); see
 *                     ostrel_qr_payload_kind_name()
 * @param names        count field names, NUL-terminated; compared without regard to ASCII case
 *                     and surrounding blanks; may be null when count is 0
 * @param values       count values, NUL-terminated UTF-8, kept exactly; an empty value counts as
 *                     not given; may be null when count is 0
 * @param count        number of fields, in order (a repeatable field keeps its order)
 * @param stamp        the creation time of an event (its DTSTAMP), seconds since
 *                     1970-01-01T00:00:00Z, 0 .. 253402300799 (9999-12-31T23:59:59Z); read only
 *                     when has_stamp is 1 (the tool takes it from SOURCE_DATE_EPOCH)
 * @param has_stamp    1: stamp is given; 0: the event's start stands in for it (taken as UTC,
 *                     midnight for a date), so that the same fields always give the same bytes
 * @param out          receives the payload in a buffer of the library (one NUL after the
 *                     length bytes, not counted; a payload holds no NUL of its own), released
 *                     with ostrel_qr_free(); NULL on any error
 * @param out_length   receives the payload's length in bytes; 0 on any error
 * @param message      may be null; else receives the reason of a failure in English, naming
 *                     the field at fault ("field 'ssid' is required for the wifi payload and
 *                     missing or empty"), and "" on success; NUL-terminated, cut at
 *                     message_size - 1 bytes (never inside a UTF-8 character). 256 bytes hold
 *                     every message but those that repeat a long name or kind given
 * @param message_size size of message in bytes; 0 leaves message untouched
 * @return ::OSTREL_QR_OK; ::OSTREL_QR_ERROR_INVALID_PAYLOAD for a field at fault;
 *         ::OSTREL_QR_ERROR_UNKNOWN_PAYLOAD_KIND; ::OSTREL_QR_ERROR_NULL_ARGUMENT for a null kind,
 *         out or out_length, null names or values while count is not 0, or a null name or value
 *         among them; ::OSTREL_QR_ERROR_INVALID_OPTION for has_stamp not 0 or 1 or a stamp out of
 *         range; ::OSTREL_QR_ERROR_OUT_OF_MEMORY. Nothing is ever half made.
 */
OSTREL_API int ostrel_qr_payload_build(const char* kind, const char* const* names,
                                       const char* const* values, size_t count, long long stamp,
                                       int has_stamp, unsigned char** out, size_t* out_length,
                                       char* message, size_t message_size);

/** The number of payload kinds (9 in this version; later versions may add more). */
OSTREL_API int ostrel_qr_payload_kind_count(void);
/** The name of kind index, 0 .. ostrel_qr_payload_kind_count() - 1, in lower case ("text",
 *  "wifi", ...); a static string; NULL for an index out of range. */
OSTREL_API const char* ostrel_qr_payload_kind_name(int index);
/** The number of fields the kind knows (ASCII case of kind does not matter); -1 for NULL or an
 *  unknown kind. */
OSTREL_API int ostrel_qr_payload_field_count(const char* kind);
/** The name of the kind's field index, 0 .. ostrel_qr_payload_field_count() - 1, in lower case;
 *  a static string. use, when not null, receives its ::ostrel_qr_field_use. NULL (and use
 *  untouched) for a null or unknown kind or an index out of range. Some kinds need fields that
 *  are optional one by one: a vCard name, family or given, a MeCard name, or family and given,
 *  a mailto link at least one to; ostrel_qr_payload_build() says when they are missing. */
OSTREL_API const char* ostrel_qr_payload_field_name(const char* kind, int index, int* use);

/** A sentence in English for a result code of ostrel_qr_encode() (also for unknown codes);
 *  a static string, never NULL. */
OSTREL_API const char* ostrel_qr_error_message(int code);

/** The library's version, "major.minor.patch"; a static string. */
OSTREL_API const char* ostrel_qr_version_string(void);

#ifdef __cplusplus
}
#endif

#endif
