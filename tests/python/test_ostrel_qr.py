"""The Python module against the tool: the same symbols, the same files, the tool's refusals as
OstrelQRError, and files that zxing-cpp's ZXingReader reads back.

Run by ctest with OSTREL_QR_CLI (the tool), OSTREL_QR_LIBRARY (the shared library) and the
module's folder on PYTHONPATH."""

import os
import subprocess

import pytest

import ostrel_qr

CLI = os.environ["OSTREL_QR_CLI"]


def tool(*arguments):
    """The tool's standard output for the arguments, or None when it refuses them."""
    run = subprocess.run([CLI, *arguments, "-o", "-"], capture_output=True, check=False)
    return run.stdout if run.returncode == 0 else None


CASES = [
    # (text, encode keywords, tool arguments)
    ("Ostrel 二维码 42", {"mask": 0}, ["--level", "Q", "--mask", "0"]),
    ("Ostrel 二维码 42", {"level": "h"}, ["--level", "H", "--mask", "auto"]),
    ("HELLO 42", {"symbology": "micro"}, ["--symbology", "micro", "--level", "L", "--mask", "auto"]),
    ("Ostrel 二维码 42", {"symbology": "rmqr", "level": "H"}, ["--symbology", "rmqr", "--level", "H"]),
]
RENDERINGS = [
    ("png", {"scale": 4}, ["--scale", "4"]),
    ("svg", {"module_size": 0.5, "unit": "mm"}, ["--module-size", "0.5mm"]),
    ("pdf", {"size": 1, "unit": "in", "cmyk": True}, ["--size", "1in", "--cmyk"]),
    ("eps", {"foreground": "#1a237e", "background": "ffffff00"},
     ["--foreground", "1a237e", "--background", "ffffff00"]),
    ("bmp", {"scale": 2, "dpi": 300}, ["--scale", "2", "--dpi", "300"]),
    ("matrix", {"quiet_zone": 1}, ["--margin", "1"]),
    ("utf8", {"invert": True}, ["--invert"]),
]


@pytest.mark.parametrize("text,keywords,arguments", CASES)
def test_symbols_and_files_are_the_tools(text, keywords, arguments):
    symbol = ostrel_qr.encode(text, **keywords)
    matrix = "".join("".join(map(str, row)) + "\n" for row in symbol.modules)
    assert matrix.encode() == tool(*arguments, "--format", "matrix", text)
    assert symbol.text() == matrix
    for kind, settings, extra in RENDERINGS:
        assert symbol.render(kind, **settings) == tool(*arguments, "--format", kind, *extra,
                                                        text), kind


def test_the_symbol_says_what_was_chosen():
    symbol = ostrel_qr.encode("HELLO", symbology="rmqr", level="M")
    assert (symbol.symbology, symbol.level, symbol.mask) == ("rmqr", "M", 0)
    assert symbol.width > symbol.height == len(symbol.modules)
    assert "rmqr" in repr(symbol)
    assert ostrel_qr.encode("abc", version=5).version == 5
    parts = ostrel_qr.encode_sequence("0123456789" * 40, symbols=3)
    assert len(parts) == 3
    boosted = ostrel_qr.encode("abc", version=5, level="L", boost_level=True)
    assert (boosted.version, boosted.level) == (5, "H")
    assert boosted.text().encode() == tool("--symbol-version", "5", "--level", "L",
                                           "--boost-level", "--mask", "auto", "abc")


def test_saved_files_read_back_and_failures_leave_nothing(tmp_path):
    text = "https://example.com/ostrel?q=1"
    symbol = ostrel_qr.encode(text)
    path = tmp_path / "symbol.png"
    symbol.save(path, scale=4)
    assert path.read_bytes() == symbol.png(scale=4)
    reading = subprocess.run(["ZXingReader", str(path)], capture_output=True, text=True,
                             check=True).stdout
    assert f'Text:       "{text}"' in reading
    symbol.save(tmp_path / "symbol.txt")
    assert (tmp_path / "symbol.txt").read_text() == symbol.text()
    with pytest.raises(ostrel_qr.OstrelQRError) as refused:
        symbol.save(tmp_path / "missing" / "symbol.svg")
    assert refused.value.code == 16
    with pytest.raises(ValueError):
        symbol.save(tmp_path / "symbol.gif")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["symbol.png", "symbol.txt"]


@pytest.mark.parametrize("call,code", [
    (lambda: ostrel_qr.encode("x" * 8000), 2),
    (lambda: ostrel_qr.encode("abc", version=41), 3),
    (lambda: ostrel_qr.encode("abc", symbology="micro", level="H"), 4),
    (lambda: ostrel_qr.encode("abc", mask=8), 5),
    (lambda: ostrel_qr.encode("abc", symbology="micro", eci=26), 6),
    (lambda: ostrel_qr.encode("abc").png(scale=0), 14),
    (lambda: ostrel_qr.encode("abc").png(cmyk=True), 14),
    (lambda: ostrel_qr.encode("abc").png(module_size=1, unit="mm"), 15),
])
def test_refusals_raise_one_exception_with_the_code_and_message(call, code):
    with pytest.raises(ostrel_qr.OstrelQRError) as refused:
        call()
    assert refused.value.code == code
    assert refused.value.message and "unknown" not in refused.value.message


def test_bad_names_are_value_errors():
    for call in (lambda: ostrel_qr.encode("abc", symbology="aztec"),
                 lambda: ostrel_qr.encode("abc", level="X"),
                 lambda: ostrel_qr.encode("abc").render("gif"),
                 lambda: ostrel_qr.encode("abc").png(foreground="black")):
        with pytest.raises(ValueError):
            call()


def test_payloads_are_the_tools_bytes_and_faults_name_the_field():
    kinds = ostrel_qr.payload_kinds()
    assert {"wifi", "vcard", "event", "geo"} <= set(kinds)
    for kind in kinds:
        assert all(use in ("optional", "required", "repeatable")
                   for _, use in ostrel_qr.payload_fields(kind))
    fields = [("ssid", "咖啡;店"), ("password", "p@ss;w:rd")]
    assert ostrel_qr.payload("wifi", fields) == tool(
        "--payload", "wifi", "--field", "ssid=咖啡;店", "--field", "password=p@ss;w:rd",
        "--print-payload")
    card = ostrel_qr.payload("vcard", family="张", given="伟", tel=["+86 10 1", "+86 10 2"])
    assert card == tool("--payload", "vcard", "--field", "family=张", "--field", "given=伟",
                        "--field", "tel=+86 10 1", "--field", "tel=+86 10 2", "--print-payload")
    with pytest.raises(ostrel_qr.OstrelQRError) as refused:
        ostrel_qr.payload("wifi", ssid="Home", password="short")
    assert refused.value.code == 12 and "password" in refused.value.message
    with pytest.raises(ostrel_qr.OstrelQRError) as refused:
        ostrel_qr.payload("fax")
    assert refused.value.code == 13
