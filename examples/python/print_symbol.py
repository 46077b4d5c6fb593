#!/usr/bin/env python3
"""Prints the QR Code symbol of a text as rows of 0 and 1 through the C interface of
libostrel-qr, loaded with ctypes: automatic version, level Q, mask 0 (the library's defaults,
like `ostrel-qr-cli --format matrix`).

    python3 print_symbol.py [--library PATH] [--level L|M|Q|H] [--mask N|auto] TEXT

The library is PATH, else $OSTREL_QR_LIBRARY, else libostrel-qr.so.2 from the loader's path
(LD_LIBRARY_PATH, the system's library folders)."""

import argparse
import ctypes
import os
import sys

LEVELS = {"L": 1, "M": 2, "Q": 3, "H": 4}
MASK_AUTO = -1


class Options(ctypes.Structure):
    """struct ostrel_qr_options of <ostrel/qr.h>."""

    _fields_ = [
        ("symbology", ctypes.c_int),
        ("version", ctypes.c_int),
        ("level", ctypes.c_int),
        ("mask", ctypes.c_int),
        ("kanji", ctypes.c_int),
        ("eci", ctypes.c_int),
        ("hanzi", ctypes.c_int),
        ("boost_level", ctypes.c_int),
        ("reserved", ctypes.c_int * 6),
    ]


def load(path):
    lib = ctypes.CDLL(path)
    lib.ostrel_qr_options_init.argtypes = [ctypes.POINTER(Options)]
    lib.ostrel_qr_options_init.restype = None
    lib.ostrel_qr_encode.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.POINTER(Options),
                                     ctypes.POINTER(ctypes.c_void_p)]
    lib.ostrel_qr_encode.restype = ctypes.c_int
    lib.ostrel_qr_error_message.argtypes = [ctypes.c_int]
    lib.ostrel_qr_error_message.restype = ctypes.c_char_p
    lib.ostrel_qr_version_string.argtypes = []
    lib.ostrel_qr_version_string.restype = ctypes.c_char_p
    for name in ("width", "height", "version", "mask"):
        function = getattr(lib, "ostrel_qr_symbol_" + name)
        function.argtypes = [ctypes.c_void_p]
        function.restype = ctypes.c_int
    lib.ostrel_qr_symbol_modules.argtypes = [ctypes.c_void_p]
    lib.ostrel_qr_symbol_modules.restype = ctypes.POINTER(ctypes.c_ubyte)
    lib.ostrel_qr_symbol_free.argtypes = [ctypes.c_void_p]
    lib.ostrel_qr_symbol_free.restype = None
    return lib


def encode(lib, data, level="Q", mask=0):
    """The rows of the symbol of data (bytes) as lists of 0 and 1; raises ValueError with the
    library's message when no symbol can be made."""
    options = Options()
    lib.ostrel_qr_options_init(ctypes.byref(options))
    options.level = LEVELS[level]
    options.mask = mask
    symbol = ctypes.c_void_p()
    status = lib.ostrel_qr_encode(data, len(data), ctypes.byref(options), ctypes.byref(symbol))
    if status != 0:
        raise ValueError(lib.ostrel_qr_error_message(status).decode())
    try:
        width = lib.ostrel_qr_symbol_width(symbol)
        height = lib.ostrel_qr_symbol_height(symbol)
        modules = lib.ostrel_qr_symbol_modules(symbol)
        return [[modules[y * width + x] for x in range(width)] for y in range(height)]
    finally:
        lib.ostrel_qr_symbol_free(symbol)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", default=os.environ.get("OSTREL_QR_LIBRARY",
                                                            "libostrel-qr.so.2"))
    parser.add_argument("--level", choices=sorted(LEVELS), default="Q")
    parser.add_argument("--mask", default="0", help="0..7 or auto")
    parser.add_argument("text")
    args = parser.parse_args()
    lib = load(args.library)
    mask = MASK_AUTO if args.mask == "auto" else int(args.mask)
    try:
        rows = encode(lib, args.text.encode("utf-8"), args.level, mask)
    except ValueError as error:
        print("print_symbol.py: " + str(error), file=sys.stderr)
        return 1
    for row in rows:
        print("".join(str(module) for module in row))
    return 0


if __name__ == "__main__":
    sys.exit(main())
