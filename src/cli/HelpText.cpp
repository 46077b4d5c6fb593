#include "HelpText.h"

#include "OptionTable.h"

#include <string_view>

namespace ostrel::cli {

namespace {

// What comes before the options.
constexpr const char* Intro = R"HELP(Usage: ostrel-qr-cli [OPTION]... [TEXT]
  or:  ostrel-qr-cli --batch [OPTION]... [FILE]
Encode TEXT, or all of standard input, as a QR Code symbol (ISO/IEC 18004,
Model 2, versions 1 to 40), a Micro QR symbol (M1 to M4) or an rMQR symbol
(ISO/IEC 23941, R7x43 to R17x139) and write it as a module matrix, a symbol in
the terminal, a BMP or PNG picture or an SVG, PDF or EPS drawing, sized in
pixels or in millimetres or inches. With --batch, every line of FILE (or of
standard input) becomes a symbol of its own.

Without TEXT, standard input is read to its end and encoded byte for byte,
without any conversion (binary data included). The encoder chooses the shortest
mix of numeric, alphanumeric, byte and Kanji segments on its own.
)HELP";

// What comes after them: the forms of the command line, formats, exit statuses, examples.
constexpr const char* Outro = R"HELP(
An option's value may also follow an equals sign (--level=H). Put "--" before a
TEXT that begins with '-'.

Formats:
  matrix    the symbol without quiet zone, one line per module row, '1' dark
            and '0' light
  utf8      the symbol for a terminal in Unicode half blocks, two module rows
            a line, with its quiet zone: the characters' ink draws the light
            modules, so that it reads on the usual light-on-dark terminal
            (--invert for dark-on-light)
  ansi      the same with ANSI background colours, white and black, two
            blanks per module and one line per module row
  bmp, png  the symbol with a white quiet zone of 4 modules (2 for micro and
            rmqr; --margin), N x N pixels per module, black on white unless
            coloured (version 1 at --scale 1 is 29 x 29 pixels, R7x43 47 x 11)
  svg       the same as a vector drawing: a white rectangle of the symbol and
            its quiet zone with the dark modules as paths, N pixels per unit
  pdf, eps  a vector drawing on a page (PDF) or in a bounding box (EPS)
            exactly the size of the symbol with its quiet zone, the modules as
            rectangles merged into runs

Payloads (--payload KIND; fields by --field NAME=VALUE, * required):
  text      data* (the default kind: the data is TEXT or standard input)
  wifi      ssid* (up to 32 octets), password (WPA: 8 to 63 octets or 64
            hexadecimal digits; WEP: 5 or 13 octets or 10 or 26 hexadecimal
            digits), auth (WPA, WEP or nopass; default WPA), hidden (true or
            false): WIFI:T:WPA;S:...;P:...;; with \ ; , " : escaped
  vcard     name (the formatted name), family, given (one of the three*),
            org, title, tel and email (both repeatable), url, address, note:
            vCard 3.0 (RFC 2426), CR LF line ends, text escaped (\\ \, \; \n),
            lines folded at 75 octets; without name, FN is "given family",
            or familygiven when both are in CJK characters
  mecard    name, or family and given*; org, tel and email (repeatable),
            url, address, note: MECARD:N:family,given;...;; with \ ; , :
            escaped
  event     summary*, start*, end, location, description: an iCalendar
            (RFC 5545) VEVENT in a VCALENDAR. start and end are ISO 8601
            dates (2026-12-24) or date-times (2026-12-24T18:30 local,
            2026-12-24T10:30Z UTC); an end date is the last day. DTSTAMP is
            SOURCE_DATE_EPOCH when it is set, else the start (taken as
            UTC, midnight for a date), so runs give the same bytes
  tel       number*: tel:NUMBER (RFC 3966); a number is '+', digits, '*',
            '#', blanks, '-', '.', '(' and ')', and links leave blanks out
  sms       number*, body: sms:NUMBER?body=... (RFC 5724)
  mailto    to* (repeatable), subject, body: mailto:TO?subject=...&body=...
            (RFC 6068)
  geo       lat* (-90 to 90), lon* (-180 to 180): geo:LAT,LON (RFC 5870)
An unknown field, a missing required one or a value out of range is bad usage
(exit status 2, the message names the field). A payload is built from the
UTF-8 values, then converted as --encoding says; the links (tel, sms, mailto)
percent-encode UTF-8 whatever --encoding is. For text that is not plain ASCII
add --eci auto: readers then take the payload as UTF-8 instead of guessing
(ZBar misreads about one Chinese text in ten without it). In a batch with
--batch-format csv or tsv, every column but 'file' is a field of the payload
('data' is needed only for text), and %s without a 'file' column is the
payload.

Exit status:
  0  the symbol was written (with --batch: every line was)
  1  the data does not fit: more than the given version, or the largest
     (version 40, M4, R17x139), holds at the chosen level, or
     (--structured-append) more than 16 symbols would be needed (a message on
     standard error says so; no output); with --batch: a line failed (each
     is reported with its line number, then the list of them);
     with --verify: a symbol did not read back (its file is removed), with
     --verify=strict also one that only a reader told where it is finds; with
     --batch, also a full or read-only disk: the run stops at the first file
     it refuses, a symbol's or the manifest's, with one message, and keeps the
     files before; the manifest is whole or not written
  2  bad usage: an unknown option, a missing or invalid value, more than one
     TEXT, what the symbology cannot do (level H or ECI for micro, level L or
     Q or --mask for rmqr, --verify or --structured-append for either), a
     batch PATTERN without %d or %s, a payload field that is unknown, missing
     or out of range, batch rows that would write the same file, a table
     without a 'data' column, a size that cannot be drawn, a
     --structured-append PATTERN without %d (%i in a batch), a character
     outside GB 2312 with --hanzi, GS1 element strings that --gs1 refuses
     (a message on standard error gives the reason, for --gs1 the AI and
     the position; nothing is written)
  3  the output could not be written (no file is left behind), the batch
     FILE could not be read, a folder that the batch's files need does not
     exist (without --make-dirs; one message, nothing written) or a folder
     could not be made

Examples:
  ostrel-qr-cli --format matrix abc
      Print the version 1 symbol of "abc" as 21 rows of 0 and 1.

  ostrel-qr-cli 'https://example.com/'
      Show the symbol in the terminal, ready to be scanned from the screen.

  ostrel-qr-cli --format utf8 --invert --margin 2 'Hello'
      The same for a terminal with dark text on a light ground.

  ostrel-qr-cli -o hello.png --scale 8 'Hello, world'
      Write a PNG picture with 8 x 8 pixels per module.

  ostrel-qr-cli -o brand.svg --foreground 1a237e --background fff8e1 --margin 2 'Hi'
      Draw a dark blue symbol on cream with a quiet zone of 2 modules.

  ostrel-qr-cli -o label.png --dpi 300 --size 20mm 'https://example.com/'
      A 20 mm label for a 300 dpi printer: 231 x 231 pixels (7 a module,
      19.56 mm), with 300 dpi stored in the file.

  ostrel-qr-cli -o label.pdf --size 20mm 'https://example.com/'
      The same label as a PDF page of exactly 20 x 20 mm, vector only.

  ostrel-qr-cli --level H --symbol-version 5 -o card.svg "$(cat card.vcf)"
      Draw a contact card as a version 5 symbol at level H.

  ostrel-qr-cli --batch labels.txt --scale 4 -o 'labels/%05d.png'
      One PNG file per line of labels.txt: labels/00001.png, ...

  ostrel-qr-cli --symbology micro -o part.png --scale 8 'A1-2026'
      A Micro QR symbol (here M2 at level L, the smallest that holds it).

  ostrel-qr-cli --symbology rmqr --rmqr-height 7 -o strip.png --scale 6 'LOT 4711'
      A 7-module-high rMQR strip (R7x59 at level M) for a narrow label.

  ostrel-qr-cli --gs1 -o label.png --scale 6 '[01]09501101530003[17]260101[10]ABC123'
      A GS1 label: GTIN 09501101530003, expiry 1 January 2026, lot ABC123
      (version 2 at level Q). Scanners report ]Q3 and 0109501101530003
      1726010110ABC123; a wrong check digit, date or length is refused.

  ostrel-qr-cli --gs1 --symbology rmqr --rmqr-height 7 -o strip.png \
      '(01)09501101530003(17)260101(10)ABC123'
      The same label as a 7-module-high rMQR strip (R7x77).

  ostrel-qr-cli --gs1-link https://example.com -o link.png \
      '(01)09506000134352(17)211231(10)ABC123'
      A GS1 Digital Link for phones: https://example.com/01/09506000134352
      /10/ABC123?17=211231 as a plain URL symbol.

  printf 'a\nb\n' | ostrel-qr-cli --batch -o '%s.svg' --mask auto
      Two SVG drawings, a.svg and b.svg, each with its best mask.

  ostrel-qr-cli --batch contacts.csv --batch-format csv -o 'cards/%s.png'
      One PNG file per row of a spreadsheet's CSV export with the columns
      data and file: cards/<file>.png, each holding its data field.

  ostrel-qr-cli --payload wifi --field ssid='Café;5G' \
      --field password='p:ss,w;rd' -o wifi.png
      A Wi-Fi login that phones join: WIFI:T:WPA;S:Café\;5G;P:p\:ss\,w\;rd;;

  ostrel-qr-cli --payload vcard --field name=张伟 --field tel=+8613800138000 \
      --field email=zhang.wei@example.cn --eci auto -o card.png --scale 4
      A contact card (vCard 3.0), declared as UTF-8 for every reader.

  ostrel-qr-cli --payload mecard --field family=Doe --field given=Jane \
      --field tel=5550100
      The same as a MECARD: MECARD:N:Doe,Jane;TEL:5550100;;

  ostrel-qr-cli --payload event --field summary=年会 --field start=2026-12-24T18:30 \
      --field end=2026-12-24T22:00 --eci auto -o party.svg
      A calendar event (iCalendar VEVENT) from 18:30 to 22:00 local time.

  ostrel-qr-cli --payload tel --field number='+86 10 6552 9988'
      A number to call: tel:+861065529988

  ostrel-qr-cli --payload sms --field number=+8613800138000 \
      --field body='到了,请开门'
      A text message ready to send, its body percent-encoded UTF-8.

  ostrel-qr-cli --payload mailto --field to=info@example.com \
      --field subject='Order #12' --print-payload
      Print the e-mail link instead of encoding it:
      mailto:info@example.com?subject=Order%20%2312

  ostrel-qr-cli --payload geo --field lat=39.9087 --field lon=116.3975
      A place on the map: geo:39.9087,116.3975

  ostrel-qr-cli --batch contacts.csv --batch-format csv --payload vcard \
      --eci auto -o 'cards/%05d.png'
      One contact card per row of a spreadsheet with the columns family,
      given, org, tel, email: cards/00001.png, ...

  ostrel-qr-cli --batch names.txt -o '%s.png' --on-collision suffix
      Lines "a/b" and "a_b" both make a_b.png: the second becomes a_b-2.png.

  ostrel-qr-cli --batch labels.txt -o '%05d.png' --manifest labels.jsonl --jobs 2
      Two worker threads, and a line of JSON per label:
      {"line":1,"row":1,"file":"00001.png","bytes":14,"sha256":"…",...}

  parallel ostrel-qr-cli --batch labels.txt -o '%05d.png' --shard {}/4 \
      --manifest part-{}.jsonl ::: 1 2 3 4
      Four processes share the batch (GNU parallel): the same files as one
      run, and part-1.jsonl ... part-4.jsonl together are its manifest.

  ostrel-qr-cli -o seat.png --scale 8 --caption '座位 12 排 8 号' 'https://t.example/s/1208'
      The symbol with a line of text under it, centred below its quiet zone.

  ostrel-qr-cli --batch items.csv --batch-format csv --caption '{name}' \
      --sheet A4 --grid 3x8 --cut-marks -o labels.pdf
      Every row a label on A4 sheets of 3 x 8: its symbol and, under it, its
      name column, in one PDF file with the font embedded.

  printf '\001\002\003' | ostrel-qr-cli -o binary.bmp --scale 4
      Encode three raw bytes from standard input into a BMP picture.

  LANG=zh_CN.UTF-8 ostrel-qr-cli --encoding ansi --eci auto -o note.png "$(cat note.txt)"
      Encode a text in GBK, the ANSI code page of a Simplified-Chinese system,
      and declare it (ECI 29) so that readers show it right.

  ostrel-qr-cli --structured-append auto --verify -o 'manual-%02d.png' < manual.txt
      Split a long text over the fewest symbols (up to 16) of the smallest
      version that allows it: manual-01.png, manual-02.png, ..., each read
      back with its position, count and parity before it counts.

  ostrel-qr-cli --structured-append 4 --symbol-version 10 --format utf8 "$(cat a.txt)"
      Four version 10 symbols in the terminal, one after another.

  ostrel-qr-cli --hanzi -o address.png '北京市海淀区中关村大街1号'
      Chinese characters in Hanzi mode, 13 bits each instead of 24 in UTF-8:
      a smaller symbol for readers that know the mode (zxing-cpp does).

  ostrel-qr-cli --verify --batch labels.txt -o 'label-%05d.png' --scale 4
      Write one PNG picture per line of labels.txt, each read back before it
      counts; the summary says "10000 written, 10000 verified" when all of
      10000 lines scan.

  ostrel-qr-cli --verify=strict --structured-append 16 --symbol-version 40 \
      --level H --scale 2 -o 'sa-%02d.png' < long.txt
      Refuse (status 1, no file left) symbols that read back only when the
      reader is told where they are: a scanner's search misses version 40 at
      2 pixels a module. Plain --verify warns with a larger size to try.
)HELP";

} // namespace

std::string HelpText() {
    std::string text = Intro;
    std::string_view section;
    for (const OptionRow& row : OptionTable()) {
        if (row.Section != section) {
            section = row.Section;
            text += "\n";
            text += section;
            text += ":\n";
        }
        text += OptionHelp(row);
    }
    return text + Outro;
}

} // namespace ostrel::cli
