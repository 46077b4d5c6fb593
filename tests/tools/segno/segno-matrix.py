#!/usr/bin/python3
"""Whole-symbol oracle for the tests: segno (Debian python3-segno) makes QR Code symbols.

Reads requests from standard input, one a line: VERSION LEVEL MASK MODE HEX, where HEX is the
text's UTF-8 in hexadecimal and MODE a segno mode ('hanzi', 'byte', ...) or 'auto'. Writes each
symbol's modules as rows of 0 and 1 (no quiet zone), then an empty line; a symbol segno refuses
gives the line 'error: ...' and an empty line instead.
"""

import sys

import segno


def main():
    for line in sys.stdin:
        version, level, mask, mode, text = line.split()
        try:
            symbol = segno.make(bytes.fromhex(text).decode("utf-8"), version=int(version),
                                error=level.lower(), mask=int(mask),
                                mode=None if mode == "auto" else mode, boost_error=False,
                                micro=False)
            for row in symbol.matrix:
                sys.stdout.write("".join("1" if m else "0" for m in row) + "\n")
        except Exception as error:  # segno's refusal, reported to the test
            sys.stdout.write(f"error: {error}\n")
        sys.stdout.write("\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
