#!/usr/bin/env python3
"""Sheets and captions checked with other programs than the tool: Poppler renders every page at
300 dpi and zxing-cpp (ZXingReader) reads each cell, whose place is computed here from the sheet's
size, margin, gap and grid; pdftotext returns the captions in row order, pdffonts shows the fonts
embedded, pdfimages finds no raster image, Ghostscript reads the file without a word. Captions in
PNG leave the quiet zone light and the symbol readable; the same run twice gives the same bytes;
bad sheets and captions are refused with exit 2 and nothing written."""
import csv
import json
import os
import subprocess
import sys
import tempfile

import cv2

CLI = sys.argv[1]
MM = 72 / 25.4
DPI = 300
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(*args, env=None):
    return subprocess.run([CLI, *args], capture_output=True, text=True, env=env)


def ok(*args, env=None):
    """Runs the tool, which must succeed."""
    result = run(*args, env=env)
    check(result.returncode == 0, f"{' '.join(args)}: {result.returncode} {result.stderr}")
    return result


def read_symbol(png):
    """The text and corner points that ZXingReader finds in a picture, or (None, None)."""
    out = subprocess.run(["ZXingReader", png], capture_output=True, text=True).stdout
    text = position = None
    for line in out.splitlines():
        if line.startswith("Text:"):
            text = line.split('"', 1)[1].rsplit('"', 1)[0]
        elif line.startswith("Position:"):
            position = [tuple(map(int, p.split("x"))) for p in line.split(":", 1)[1].split()]
    return text, position


def check_sheet(work, rows, columns, grid_rows, margin_mm, gap_mm):
    pdf = os.path.join(work, "labels.pdf")
    manifest = os.path.join(work, "labels.jsonl")
    source = os.path.join(work, "items.csv")
    result = run("--batch", source, "--batch-format", "csv", "--caption", "{name} #%03d",
                 "--sheet", "A4", "--grid", f"{columns}x{grid_rows}", "--sheet-margin",
                 f"{margin_mm}mm", "--gap", f"{gap_mm}mm", "--cut-marks", "-o", pdf,
                 "--manifest", manifest)
    check(result.returncode == 0, f"sheet run failed: {result.stderr}")
    records = [json.loads(line) for line in open(manifest, encoding="utf-8")]
    check(len(records) == len(rows), "one manifest record per row")
    # The cells as the page's geometry gives them, in pixels at 300 dpi.
    cell_w = (210 - 2 * margin_mm - (columns - 1) * gap_mm) / columns
    cell_h = (297 - 2 * margin_mm - (grid_rows - 1) * gap_mm) / grid_rows
    px = DPI / 25.4
    subprocess.run(["pdftoppm", "-r", str(DPI), "-gray", "-png", pdf, os.path.join(work, "page")],
                   check=True)
    pages = sorted(f for f in os.listdir(work) if f.startswith("page"))
    per_page = columns * grid_rows
    check(len(pages) == -(-len(rows) // per_page), f"{len(pages)} pages for {len(rows)} rows")
    for index, (record, row) in enumerate(zip(records, rows)):
        check(record["page"] == index // per_page + 1 and record["cell"] == index % per_page + 1,
              f"row {index + 1}: page {record['page']} cell {record['cell']}")
        image = cv2.imread(os.path.join(work, pages[record["page"] - 1]), cv2.IMREAD_GRAYSCALE)
        column, line = (record["cell"] - 1) % columns, (record["cell"] - 1) // columns
        left = (margin_mm + column * (cell_w + gap_mm)) * px
        top = (margin_mm + line * (cell_h + gap_mm)) * px
        crop = image[int(top) + 1:int(top + cell_h * px) - 1, int(left) + 1:int(left + cell_w * px) - 1]
        cell_png = os.path.join(work, "cell.png")
        cv2.imwrite(cell_png, crop)
        text, position = read_symbol(cell_png)
        check(text == row["data"], f"row {index + 1}: read {text!r}, expected {row['data']!r}")
        if position:
            # Centred across its cell, within a pixel.
            centre = (min(p[0] for p in position) + max(p[0] for p in position) + 1) / 2
            expected = (cell_w * px) / 2 - 1 + (left - int(left))
            check(abs(centre - expected) <= 1.0,
                  f"row {index + 1}: symbol centred at {centre:.1f} px, cell centre {expected:.1f}")
    text = subprocess.run(["pdftotext", "-raw", pdf, "-"], capture_output=True, text=True).stdout
    captions = [f"{row['name']} #{i + 1:03d}" for i, row in enumerate(rows)]
    found = [line for line in text.replace("\f", "\n").splitlines() if line.strip()]
    joined = " ".join(found)
    at = 0
    for caption in captions:
        at = joined.find(caption, at)
        check(at >= 0, f"pdftotext misses or misorders {caption!r}")
        at = max(at, 0) + len(caption)
    fonts = subprocess.run(["pdffonts", pdf], capture_output=True, text=True).stdout.splitlines()[2:]
    check(fonts and all(" yes " in f for f in fonts), f"fonts not embedded: {fonts}")
    images = subprocess.run(["pdfimages", "-list", pdf], capture_output=True, text=True).stdout
    check(len(images.splitlines()) == 2, f"raster images in the sheet: {images}")
    gs = subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=nullpage", pdf],
                        capture_output=True, text=True)
    check(gs.returncode == 0 and not gs.stdout and not gs.stderr, f"Ghostscript: {gs.stderr}")
    # The same run gives the same bytes, whatever the clock.
    again = os.path.join(work, "again.pdf")
    ok("--batch", source, "--batch-format", "csv", "--caption", "{name} #%03d", "--sheet", "A4",
        "--grid", f"{columns}x{grid_rows}", "--sheet-margin", f"{margin_mm}mm", "--gap",
        f"{gap_mm}mm", "--cut-marks", "-o", again)
    check(open(pdf, "rb").read() == open(again, "rb").read(), "two runs differ")
    # No clock in the file: SOURCE_DATE_EPOCH's date when set, else a fixed one.
    for epoch, date in ((None, b"(20000101000000Z)"), ("1700000000", b"(20231114221320Z)")):
        env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
        if epoch:
            env["SOURCE_DATE_EPOCH"] = epoch
        ok("--batch", source, "--batch-format", "csv", "--sheet", "A4", "--grid", "3x8", "-o",
           again, env=env)
        check(b"/CreationDate " + date in open(again, "rb").read(), f"creation date not {date}")
    # --verify reads every label back from the written sheet.
    verified = run("--batch", source, "--batch-format", "csv", "--caption", "{name}", "--sheet",
                   "A5", "--label", "60x40mm", "--verify", "-o", again, "--manifest", manifest)
    records = [json.loads(line) for line in open(manifest, encoding="utf-8")]
    check(verified.returncode == 0 and all(r["verified"] is True for r in records),
          f"sheet --verify: {verified.returncode} {verified.stderr}")


def check_caption_pictures(work):
    for scale, caption in ((4, "产品 A-001"), (10, "座位 12 排 8 号 Seat")):
        png = os.path.join(work, f"caption{scale}.png")
        result = run("--caption", caption, "--scale", str(scale), "-o", png, "https://ostrel.example/7")
        check(result.returncode == 0, f"caption png: {result.stderr}")
        image = cv2.imread(png, cv2.IMREAD_GRAYSCALE)
        width = image.shape[1]
        modules = width // scale
        symbol_rows = width  # square symbol: its picture is as high as it is wide
        check(image.shape[0] > symbol_rows, "the caption adds rows under the symbol")
        quiet = 4 * scale
        zone = [image[:quiet, :], image[symbol_rows - quiet:symbol_rows, :],
                image[:symbol_rows, :quiet], image[:symbol_rows, width - quiet:]]
        check(all((z == 255).all() for z in zone), f"scale {scale}: the quiet zone is not all light")
        band = image[symbol_rows:, :]
        check((band < 128).any(), f"scale {scale}: no caption drawn")
        inked = [x for x in range(width) if (band[:, x] < 250).any()]
        check(inked and inked[0] >= quiet and inked[-1] < width - quiet,
              f"scale {scale}: the caption is wider than the symbol ({modules} modules)")
        text, _ = read_symbol(png)
        check(text == "https://ostrel.example/7", f"scale {scale}: symbol reads {text!r}")
        zbar = subprocess.run(["zbarimg", "-q", "--raw", png], capture_output=True, text=True)
        check(zbar.stdout.strip() == "https://ostrel.example/7", f"ZBar reads {zbar.stdout!r}")
    svg = os.path.join(work, "caption.svg")
    ok("--caption", "产品 A-001", "--scale", "4", "-o", svg, "hello")
    check("<text" in open(svg, encoding="utf-8").read() and "Noto Sans CJK SC" in open(svg, encoding="utf-8").read(),
          "svg caption is text naming the font")
    ok("--caption", "产品 A-001", "--caption-outline", "--scale", "4", "-o", svg, "hello")
    drawing = open(svg, encoding="utf-8").read()
    check("<text" not in drawing, "svg outline caption holds no text")
    # The outline lies in the band under the quiet zone (21 + 8 modules) and within the symbol's
    # columns, and is made of the glyphs' curves.
    outline = drawing.rsplit("<path", 1)[1].split('d="', 1)[1].split('"', 1)[0]
    numbers = [float(n) for n in outline.replace("M", " ").replace("L", " ").replace("C", " ")
               .replace("Z", " ").split()]
    xs, ys = numbers[0::2], numbers[1::2]
    check(outline.count("C") > 20 and min(ys) > 29 and min(xs) >= 4 and max(xs) <= 25,
          f"svg outline caption: {outline[:80]!r}")
    for kind in ("pdf", "eps"):
        out = os.path.join(work, f"caption.{kind}")
        ok("--caption", "产品 A-001 名称", "--module-size", "1mm", "-o", out, "hello")
        if kind == "eps":
            subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dEPSCrop", "-sDEVICE=pdfwrite",
                            f"-sOutputFile={out}.pdf", out], check=True)
            out += ".pdf"
        text = subprocess.run(["pdftotext", out, "-"], capture_output=True, text=True).stdout
        check("产品 A-001 名称" in text, f"{kind}: pdftotext gives {text!r}")


def check_caption_batch(work):
    """Captions of a batch's files from a column: the same files with one worker or four, and a
    caption too long for its symbol fails its row alone."""
    source = os.path.join(work, "captions.csv")
    with open(source, "w", encoding="utf-8") as f:
        f.write("data,seat\n")
        for i in range(1, 41):
            seat = f"{i} 排" if i != 17 else "一个远远放不进这个小符号下面的非常长的标题文字"
            f.write(f"row-{i},{seat}\n")
    runs = {}
    for jobs in ("1", "4"):
        folder = os.path.join(work, f"jobs{jobs}")
        os.mkdir(folder)
        result = run("--batch", source, "--batch-format", "csv", "--caption", "座位 {seat}",
                     "--scale", "3", "--jobs", jobs, "-o", os.path.join(folder, "%02d.png"),
                     "--manifest", os.path.join(folder, "m.jsonl"))
        check(result.returncode == 1 and "row 17" in result.stderr,
              f"--jobs {jobs}: {result.returncode} {result.stderr}")
        runs[jobs] = {n: open(os.path.join(folder, n), "rb").read() for n in os.listdir(folder)
                      if n.endswith(".png")}
        records = [json.loads(line) for line in open(os.path.join(folder, "m.jsonl"))]
        failed = [r["row"] for r in records if r["error"]]
        check(failed == [17] and "does not fit" in records[16]["error"],
              f"--jobs {jobs}: failed rows {failed}")
    check(len(runs["1"]) == 39 and runs["1"] == runs["4"], "captioned files differ by --jobs")
    eps = [os.path.join(work, f"same{k}.eps") for k in (1, 2)]
    for path in eps:
        ok("--caption", "产品", "--module-size", "1mm", "-o", path, "hello")
    check(open(eps[0], "rb").read() == open(eps[1], "rb").read(), "two EPS runs differ")
    # Every row failing: no sheet, each row's reason, exit 1.
    sheet = os.path.join(work, "fixed.pdf")
    none = run("--batch", source, "--batch-format", "csv", "--caption", "{seat} {seat} {seat}",
               "--sheet", "A4", "--grid", "8x20", "-o", sheet)
    check(none.returncode == 1 and none.stderr.count("does not fit") == 40 and
          not os.path.exists(sheet), f"every row failing: {none.returncode} {none.stderr[-200:]}")
    too_big = run("--batch", source, "--batch-format", "csv", "--sheet", "A4", "--grid", "3x8",
                  "--module-size", "5mm", "-o", sheet)
    check(too_big.returncode == 2 and "--module-size" in too_big.stderr and
          not os.path.exists(sheet), f"a module size too large: {too_big.stderr}")


def check_refusals(work):
    refused = [
        ["--caption", "a caption far too long for a small symbol to carry", "--scale", "2", "-o",
         os.path.join(work, "x.png"), "hi"],
        ["--batch", os.path.join(work, "items.csv"), "--batch-format", "csv", "--sheet", "A4",
         "--grid", "40x40", "-o", os.path.join(work, "x.pdf")],
        ["--batch", os.path.join(work, "items.csv"), "--batch-format", "csv", "--sheet", "A4",
         "--grid", "3x8", "--gap", "150mm", "-o", os.path.join(work, "x.pdf")],
        ["--batch", os.path.join(work, "items.csv"), "--batch-format", "csv", "--caption",
         "{nosuch}", "--sheet", "A4", "--grid", "3x8", "-o", os.path.join(work, "x.pdf")],
        ["--batch", os.path.join(work, "items.csv"), "--batch-format", "csv", "--shard", "0/4",
         "-o", os.path.join(work, "x-%d.png")],
        ["--batch", os.path.join(work, "items.csv"), "--batch-format", "csv", "--shard", "5/4",
         "-o", os.path.join(work, "x-%d.png")],
    ]
    for args in refused:
        result = run(*args)
        check(result.returncode == 2 and result.stderr.strip(), f"not refused with 2: {args} -> "
              f"{result.returncode} {result.stderr}")
    check(not any(f.startswith("x") for f in os.listdir(work)), "a refused run wrote a file")


def main():
    with tempfile.TemporaryDirectory() as work:
        rows = [{"data": f"https://ostrel.example/p/{i:05d}", "name": f"产品{i}号"}
                for i in range(1, 31)]
        with open(os.path.join(work, "items.csv"), "w", newline="", encoding="utf-8") as f:
            writer = csv.DictWriter(f, fieldnames=["data", "name"])
            writer.writeheader()
            writer.writerows(rows)
        check_refusals(work)
        check_sheet(work, rows, 3, 8, 10, 2)
        check_caption_pictures(work)
        check_caption_batch(work)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
