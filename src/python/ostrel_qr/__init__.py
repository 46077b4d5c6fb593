"""QR Code, Micro QR and rMQR symbols from Python, through the C interface of libostrel-qr.

    import ostrel_qr
    symbol = ostrel_qr.encode("https://example.com", level="H")
    symbol.save("example.png", scale=8)
    svg = symbol.svg(module_size=0.5, unit="mm")
    wifi = ostrel_qr.payload("wifi", ssid="Home", password="secret-words")

A thin ctypes binding: no compiled extension. The library is the one named by the environment
variable OSTREL_QR_LIBRARY, else the one installed beside this module's prefix, else
libostrel-qr.so.<major> from the loader's path. Every failure raises OstrelQRError, which carries
the library's code and message.
"""

import ctypes
import ctypes.util
import os

from . import _paths

__all__ = ["OstrelQRError", "Symbol", "encode", "encode_sequence", "payload", "payload_kinds",
           "payload_fields", "library_version"]

_MAJOR = 2
_SYMBOLOGIES = {"qr": 0, "micro": 1, "rmqr": 2}
_LEVELS = {"L": 1, "M": 2, "Q": 3, "H": 4}
_FORMATS = {"png": 0, "svg": 1, "pdf": 2, "eps": 3, "bmp": 4, "matrix": 5, "utf8": 6, "ansi": 7}
_UNITS = {"px": 0, "mm": 1, "cm": 2, "in": 3}
_CHARACTERS = {"bytes": 0, "utf8": 1, "shift_jis": 2, "double_byte": 3}
_QUIET_ZONE_DEFAULT = -1
_MASK_AUTO = -1
_SEQUENCE_MAX = 16
_FIELD_USES = ("optional", "required", "repeatable")
_MESSAGE_BYTES = 1024


class OstrelQRError(Exception):
    """A refusal of the library: code is its ostrel_qr_error number, message its words."""

    def __init__(self, code, message):
        super().__init__(f"{message} (code {code})")
        self.code = code
        self.message = message


class _Options(ctypes.Structure):
    """struct ostrel_qr_options of <ostrel/qr.h>."""

    _fields_ = [("symbology", ctypes.c_int), ("version", ctypes.c_int), ("level", ctypes.c_int),
                ("mask", ctypes.c_int), ("kanji", ctypes.c_int), ("eci", ctypes.c_int),
                ("hanzi", ctypes.c_int), ("boost_level", ctypes.c_int),
                ("gs1", ctypes.c_int), ("reserved", ctypes.c_int * 5)]


class _RenderOptions(ctypes.Structure):
    """struct ostrel_qr_render_options of <ostrel/qr.h>."""

    _fields_ = [("format", ctypes.c_int), ("scale", ctypes.c_int),
                ("module_size", ctypes.c_double), ("size", ctypes.c_double),
                ("unit", ctypes.c_int), ("dpi", ctypes.c_int), ("quiet_zone", ctypes.c_int),
                ("foreground", ctypes.c_uint32), ("background", ctypes.c_uint32),
                ("cmyk", ctypes.c_int), ("invert", ctypes.c_int),
                ("reserved", ctypes.c_int * 8)]


def _candidates():
    named = os.environ.get("OSTREL_QR_LIBRARY")
    if named:
        return [named]
    found = []
    if _paths.LIBRARY_DIR:
        here = os.path.dirname(os.path.abspath(__file__))
        found.append(os.path.normpath(os.path.join(here, _paths.LIBRARY_DIR,
                                                   f"libostrel-qr.so.{_MAJOR}")))
    found.append(f"libostrel-qr.so.{_MAJOR}")
    system = ctypes.util.find_library("ostrel-qr")
    if system:
        found.append(system)
    return found


def _declare(lib):
    void_p, c_int, size_t = ctypes.c_void_p, ctypes.c_int, ctypes.c_size_t
    byte_p = ctypes.POINTER(ctypes.c_ubyte)
    signatures = {
        "ostrel_qr_options_init": (None, [ctypes.POINTER(_Options)]),
        "ostrel_qr_encode": (c_int, [ctypes.c_char_p, size_t, ctypes.POINTER(_Options),
                                     ctypes.POINTER(void_p)]),
        "ostrel_qr_encode_sequence": (c_int, [ctypes.c_char_p, size_t, ctypes.POINTER(_Options),
                                              c_int, c_int, void_p * _SEQUENCE_MAX,
                                              ctypes.POINTER(c_int)]),
        "ostrel_qr_symbol_free": (None, [void_p]),
        "ostrel_qr_symbol_width": (c_int, [void_p]),
        "ostrel_qr_symbol_height": (c_int, [void_p]),
        "ostrel_qr_symbol_version": (c_int, [void_p]),
        "ostrel_qr_symbol_level": (c_int, [void_p]),
        "ostrel_qr_symbol_mask": (c_int, [void_p]),
        "ostrel_qr_symbol_symbology": (c_int, [void_p]),
        "ostrel_qr_symbol_modules": (byte_p, [void_p]),
        "ostrel_qr_render_options_init": (None, [ctypes.POINTER(_RenderOptions)]),
        "ostrel_qr_render": (c_int, [void_p, ctypes.POINTER(_RenderOptions),
                                     ctypes.POINTER(byte_p), ctypes.POINTER(size_t)]),
        "ostrel_qr_render_file": (c_int, [void_p, ctypes.POINTER(_RenderOptions),
                                          ctypes.c_char_p]),
        "ostrel_qr_free": (None, [void_p]),
        "ostrel_qr_payload_build": (c_int, [ctypes.c_char_p, ctypes.POINTER(ctypes.c_char_p),
                                            ctypes.POINTER(ctypes.c_char_p), size_t,
                                            ctypes.c_longlong, c_int, ctypes.POINTER(byte_p),
                                            ctypes.POINTER(size_t), ctypes.c_char_p, size_t]),
        "ostrel_qr_payload_kind_count": (c_int, []),
        "ostrel_qr_payload_kind_name": (ctypes.c_char_p, [c_int]),
        "ostrel_qr_payload_field_count": (c_int, [ctypes.c_char_p]),
        "ostrel_qr_payload_field_name": (ctypes.c_char_p, [ctypes.c_char_p, c_int,
                                                           ctypes.POINTER(c_int)]),
        "ostrel_qr_error_message": (ctypes.c_char_p, [c_int]),
        "ostrel_qr_version_string": (ctypes.c_char_p, []),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(lib, name)
        function.restype = result
        function.argtypes = arguments
    return lib


def _load():
    errors = []
    for candidate in _candidates():
        try:
            return _declare(ctypes.CDLL(candidate))
        except (OSError, AttributeError) as error:
            errors.append(f"{candidate}: {error}")
    raise ImportError("ostrel_qr cannot load libostrel-qr " + str(_MAJOR) + ".x (set "
                      "OSTREL_QR_LIBRARY to its path): " + "; ".join(errors))


_lib = _load()


def _check(code):
    if code != 0:
        raise OstrelQRError(code, _lib.ostrel_qr_error_message(code).decode())


def _choice(table, value, what):
    key = value.lower() if isinstance(value, str) and what != "level" else value
    if isinstance(key, str) and what == "level":
        key = key.upper()
    if key not in table:
        raise ValueError(f"unknown {what} {value!r}: one of {', '.join(map(str, table))}")
    return table[key]


def _colour(value):
    """0xRRGGBBAA from 'RRGGBB', 'RRGGBBAA' (with or without '#') or an int."""
    if isinstance(value, int):
        return value
    text = value[1:] if value.startswith("#") else value
    if len(text) not in (6, 8) or any(c not in "0123456789abcdefABCDEF" for c in text):
        raise ValueError(f"colour {value!r} is not RRGGBB or RRGGBBAA in hexadecimal")
    return int(text if len(text) == 8 else text + "ff", 16)


def library_version():
    """The library's version, "major.minor.patch"."""
    return _lib.ostrel_qr_version_string().decode()


class Symbol:
    """A finished symbol: width, height, modules (rows of 0 and 1), version, level, mask,
    symbology; drawn with png(), svg(), pdf(), eps(), bmp(), text() or save()."""

    def __init__(self, handle):
        self._handle = ctypes.c_void_p(handle)
        width = _lib.ostrel_qr_symbol_width(self._handle)
        height = _lib.ostrel_qr_symbol_height(self._handle)
        cells = _lib.ostrel_qr_symbol_modules(self._handle)
        self.width = width
        self.height = height
        self.modules = tuple(tuple(cells[y * width + x] for x in range(width))
                             for y in range(height))
        self.version = _lib.ostrel_qr_symbol_version(self._handle)
        self.level = "?LMQH"[_lib.ostrel_qr_symbol_level(self._handle)]
        self.mask = _lib.ostrel_qr_symbol_mask(self._handle)
        self.symbology = {v: k for k, v in _SYMBOLOGIES.items()}[
            _lib.ostrel_qr_symbol_symbology(self._handle)]

    def __del__(self):
        handle = getattr(self, "_handle", None)
        if handle is not None and handle.value:
            _lib.ostrel_qr_symbol_free(handle)
            self._handle = None

    def __repr__(self):
        return (f"<ostrel_qr.Symbol {self.symbology} version {self.version} level {self.level} "
                f"mask {self.mask}, {self.width}x{self.height}>")

    @staticmethod
    def _options(kind, scale=1, module_size=None, size=None, unit="px", dpi=None,
                 quiet_zone=None, foreground="000000ff", background="ffffffff", cmyk=False,
                 invert=False):
        options = _RenderOptions()
        _lib.ostrel_qr_render_options_init(ctypes.byref(options))
        options.format = _choice(_FORMATS, kind, "format")
        options.scale = scale
        options.module_size = module_size or 0
        options.size = size or 0
        options.unit = _choice(_UNITS, unit, "unit")
        options.dpi = dpi or 0
        options.quiet_zone = _QUIET_ZONE_DEFAULT if quiet_zone is None else quiet_zone
        options.foreground = _colour(foreground)
        options.background = _colour(background)
        options.cmyk = int(bool(cmyk))
        options.invert = int(bool(invert))
        return options

    def render(self, kind, **settings):
        """The file of the symbol in a format (png, svg, pdf, eps, bmp, matrix, utf8, ansi) as
        bytes. Settings: scale (pixels per module), module_size or size (the whole symbol with
        its quiet zone) in unit (px, mm, cm, in), dpi, quiet_zone (modules), foreground and
        background ('RRGGBB' or 'RRGGBBAA'), cmyk (PDF, EPS), invert (utf8, ansi)."""
        options = self._options(kind, **settings)
        memory = ctypes.POINTER(ctypes.c_ubyte)()
        length = ctypes.c_size_t()
        _check(_lib.ostrel_qr_render(self._handle, ctypes.byref(options), ctypes.byref(memory),
                                     ctypes.byref(length)))
        try:
            return ctypes.string_at(memory, length.value)
        finally:
            _lib.ostrel_qr_free(memory)

    def png(self, **settings):
        return self.render("png", **settings)

    def svg(self, **settings):
        return self.render("svg", **settings)

    def pdf(self, **settings):
        return self.render("pdf", **settings)

    def eps(self, **settings):
        return self.render("eps", **settings)

    def bmp(self, **settings):
        return self.render("bmp", **settings)

    def text(self, kind="matrix", **settings):
        """The symbol as text: "matrix" (rows of 0 and 1), "utf8" or "ansi" (for a terminal)."""
        return self.render(kind, **settings).decode("utf-8")

    def save(self, path, kind=None, **settings):
        """Writes the file whole or not at all; the format from kind, else from the path's
        extension (.png, .svg, .pdf, .eps, .bmp, .txt for the matrix)."""
        if kind is None:
            extension = os.path.splitext(os.fspath(path))[1].lower().lstrip(".")
            kind = "matrix" if extension == "txt" else extension
            if kind not in _FORMATS:
                raise ValueError(f"cannot tell the format from {os.fspath(path)!r}: give kind")
        options = self._options(kind, **settings)
        _check(_lib.ostrel_qr_render_file(self._handle, ctypes.byref(options),
                                          os.fsencode(path)))


def _encode_options(symbology, version, level, mask, kanji, eci, hanzi, boost_level):
    options = _Options()
    _lib.ostrel_qr_options_init(ctypes.byref(options))
    options.symbology = _choice(_SYMBOLOGIES, symbology, "symbology")
    if level is None:
        level = "M" if options.symbology == _SYMBOLOGIES["rmqr"] else "Q"
        if options.symbology == _SYMBOLOGIES["micro"]:
            level = "L"
    options.level = _choice(_LEVELS, level, "level")
    options.version = 0 if version is None else version
    options.mask = _MASK_AUTO if mask is None or mask == "auto" else mask
    options.kanji = int(bool(kanji))
    options.eci = eci
    options.hanzi = int(bool(hanzi))
    options.boost_level = int(bool(boost_level))
    return options


def _bytes_of(data, encoding):
    if isinstance(data, str):
        return data.encode(encoding)
    return bytes(data)


def encode(data, symbology="qr", version=None, level=None, mask=None, kanji=False, eci=0,
           hanzi=False, boost_level=False, encoding="utf-8"):
    """The symbol of data (str, encoded with encoding, or bytes).

    symbology: "qr", "micro" or "rmqr"; version: None for the smallest, else the number
    (rMQR 1..32 in the order R7x43..R17x139); level: "L", "M", "Q", "H" (default Q, Micro QR L,
    rMQR M); mask: None or "auto" for the symbology's choice, else its number; kanji, hanzi:
    double-byte modes for Shift JIS or GB 2312 data; eci: a designator (26 declares UTF-8);
    boost_level: the highest level the chosen version holds the data at (the symbol's level
    tells which)."""
    options = _encode_options(symbology, version, level, mask, kanji, eci, hanzi, boost_level)
    raw = _bytes_of(data, encoding)
    handle = ctypes.c_void_p()
    _check(_lib.ostrel_qr_encode(raw, len(raw), ctypes.byref(options), ctypes.byref(handle)))
    return Symbol(handle.value)


def encode_sequence(data, symbols=0, characters="utf8", version=None, level=None, mask=None,
                    kanji=False, eci=0, boost_level=False, encoding="utf-8"):
    """A structured-append sequence of QR Code symbols (up to 16) that readers join again:
    symbols 0 for the fewest; characters ("bytes", "utf8", "shift_jis", "double_byte") says
    where a part may end."""
    options = _encode_options("qr", version, level, mask, kanji, eci, False, boost_level)
    raw = _bytes_of(data, encoding)
    handles = (ctypes.c_void_p * _SEQUENCE_MAX)()
    count = ctypes.c_int()
    _check(_lib.ostrel_qr_encode_sequence(raw, len(raw), ctypes.byref(options), symbols,
                                          _choice(_CHARACTERS, characters, "characters"),
                                          handles, ctypes.byref(count)))
    return [Symbol(handles[index]) for index in range(count.value)]


def payload_kinds():
    """The payload kinds the library builds: "text", "wifi", "vcard", ..."""
    return [_lib.ostrel_qr_payload_kind_name(index).decode()
            for index in range(_lib.ostrel_qr_payload_kind_count())]


def payload_fields(kind):
    """The fields of a kind as (name, use) pairs, use "optional", "required" or "repeatable"."""
    name = kind.encode()
    count = _lib.ostrel_qr_payload_field_count(name)
    if count < 0:
        raise OstrelQRError(13, f"unknown payload kind {kind!r}: one of "
                                f"{', '.join(payload_kinds())}")
    fields = []
    for index in range(count):
        use = ctypes.c_int()
        field = _lib.ostrel_qr_payload_field_name(name, index, ctypes.byref(use))
        fields.append((field.decode(), _FIELD_USES[use.value]))
    return fields


def payload(kind, fields=(), stamp=None, **named):
    """The bytes of a payload (a Wi-Fi login, a contact card, an event, ...) built from fields:
    (name, value) pairs and keyword arguments, a list for a repeatable field (tel=["1", "2"]);
    the same bytes as `ostrel-qr-cli --payload KIND --field NAME=VALUE --print-payload`. stamp:
    an event's creation time in seconds since 1970 (default: its start). A field at fault raises
    OstrelQRError naming it."""
    pairs = list(fields.items()) if isinstance(fields, dict) else list(fields)
    pairs += list(named.items())
    flat = []
    for name, value in pairs:
        for one in (value if isinstance(value, (list, tuple)) else [value]):
            flat.append((str(name).encode(), str(one).encode("utf-8")))
    names = (ctypes.c_char_p * max(len(flat), 1))(*[n for n, _ in flat])
    values = (ctypes.c_char_p * max(len(flat), 1))(*[v for _, v in flat])
    out = ctypes.POINTER(ctypes.c_ubyte)()
    length = ctypes.c_size_t()
    message = ctypes.create_string_buffer(_MESSAGE_BYTES)
    code = _lib.ostrel_qr_payload_build(kind.encode(), names, values, len(flat),
                                        0 if stamp is None else stamp, int(stamp is not None),
                                        ctypes.byref(out), ctypes.byref(length), message,
                                        _MESSAGE_BYTES)
    if code != 0:
        said = message.value.decode("utf-8", "replace")
        raise OstrelQRError(code, said or _lib.ostrel_qr_error_message(code).decode())
    try:
        return ctypes.string_at(out, length.value)
    finally:
        _lib.ostrel_qr_free(out)
