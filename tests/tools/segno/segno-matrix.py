#!/usr/bin/python3
"""Whole-symbol oracle for the tests: segno (Debian python3-segno) makes QR Code symbols.

Reads requests from standard input, one a line: VERSION LEVEL MASK MODE HEX [boost], where HEX
is the text's UTF-8 in hexadecimal and MODE a segno mode ('hanzi', 'byte', ...) or 'auto'; VERSION
0 is segno's smallest. MODE 'segments' makes HEX a comma-separated list of MODE:HEX, one segment
each, in order; a byte segment's HEX is its bytes as they are (not decoded). 'boost' lets segno
raise the level (boost_error=True). Writes for each symbol the line '# LEVEL VERSION' (segno's),
its modules as rows of 0 and 1 (no quiet zone), then an empty line; a symbol segno refuses gives
the line 'error: ...' and an empty line instead.
"""

import sys

import segno
from segno.consts import MODE_MAPPING


def main():
    for line in sys.stdin:
        version, level, mask, mode, text, *boost = line.split()
        try:
            if mode == "segments":
                content = [(bytes.fromhex(part) if part_mode == "byte"
                            else bytes.fromhex(part).decode("utf-8"), MODE_MAPPING[part_mode])
                           for part_mode, part in (item.split(":") for item in text.split(","))]
                mode = "auto"
            else:
                content = bytes.fromhex(text).decode("utf-8")
            symbol = segno.make(content, version=int(version) or None,
                                error=level.lower(), mask=int(mask),
                                mode=None if mode == "auto" else mode,
                                boost_error=boost == ["boost"], micro=False)
            sys.stdout.write(f"# {symbol.error} {symbol.version}\n")
            for row in symbol.matrix:
                sys.stdout.write("".join("1" if m else "0" for m in row) + "\n")
        except Exception as error:  # segno's refusal, reported to the test
            sys.stdout.write(f"error: {error}\n")
        sys.stdout.write("\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
