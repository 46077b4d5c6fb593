#!/usr/bin/python3
"""Contact cards and calendar events from ostrel-qr-cli, parsed by python3-vobject (a parser that
is not ours): hostile field values come back equal, Chinese names included, and a contacts CSV
batch gives one vCard symbol per row that zxing-cpp (ZXingReader) reads and vobject parses back to
the row. Usage: payload_vobject_check.py OSTREL_QR_CLI"""

import csv
import datetime
import io
import os
import subprocess
import sys
import tempfile

import vobject

CLI = sys.argv[1]
ENV = dict(os.environ, LC_ALL="C.UTF-8", SOURCE_DATE_EPOCH="1798761600")
HOSTILE = ["a;b,c:d\\e\"f", "line one\nline two", "张三", "王小明 😀", "\\n not a break",
           "x" * 60 + "中文" * 20 + ";,\\" * 10]
failures = []


def run(args, stdin=b""):
    done = subprocess.run([CLI] + args, input=stdin, capture_output=True, env=ENV, check=False)
    if done.returncode != 0:
        failures.append(f"{args}: exit {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done.stdout


def expect(what, got, wanted):
    if got != wanted:
        failures.append(f"{what}: got {got!r}, wanted {wanted!r}")


def fields(pairs):
    return [arg for name, value in pairs for arg in ("--field", f"{name}={value}")]


def check_card(what, text, row):
    card = vobject.readOne(text.decode("utf-8"))
    expect(what + " FN", card.fn.value, row.get("name") or f"{row['given']} {row['family']}")
    if "family" in row:
        expect(what + " N", (card.n.value.family, card.n.value.given), (row["family"], row["given"]))
    for key, prop in (("org", "org"), ("note", "note"), ("title", "title"), ("url", "url")):
        if row.get(key):
            value = getattr(card, prop).value
            expect(f"{what} {prop}", ";".join(value) if isinstance(value, list) else value, row[key])
    if row.get("address"):
        expect(what + " ADR", card.adr.value.street, row["address"])
    for key in ("tel", "email"):
        if row.get(key):
            expect(f"{what} {key}", [c.value for c in card.contents.get(key, [])], [row[key]])


for value in HOSTILE:
    row = {"name": value, "family": value, "given": "g", "org": value, "title": value,
           "note": value, "url": "https://example.com/?q=" + value, "address": value,
           "email": "a@example.com", "tel": "+86 10 8888 6666"}
    check_card(f"vcard {value!r}", run(["--payload", "vcard", "--print-payload"] + fields(row.items())),
               row)

    printed = run(["--payload", "event", "--print-payload"] + fields(
        [("summary", value), ("location", value), ("description", value),
         ("start", "2026-12-24T18:30"), ("end", "2026-12-24T20:00:00")]))
    event = vobject.readOne(printed.decode("utf-8")).vevent
    for prop in ("summary", "location", "description"):
        expect(f"event {prop} {value!r}", getattr(event, prop).value, value)
    expect("event start", event.dtstart.value, datetime.datetime(2026, 12, 24, 18, 30))
    expect("event end", event.dtend.value, datetime.datetime(2026, 12, 24, 20, 0))
    expect("event stamp", event.dtstamp.value,
           datetime.datetime(2027, 1, 1, tzinfo=datetime.timezone.utc))

event = vobject.readOne(run(["--payload", "event", "--print-payload", "--field", "summary=假期",
                             "--field", "start=20261231", "--field", "end=2027-01-02"])
                        .decode("utf-8")).vevent
expect("all-day event", (event.dtstart.value, event.dtend.value),
       (datetime.date(2026, 12, 31), datetime.date(2027, 1, 3)))
utc = vobject.readOne(run(["--payload", "event", "--print-payload", "--field", "summary=s",
                           "--field", "start=2026-03-01T09:30Z"]).decode("utf-8")).vevent
expect("UTC event", utc.dtstart.value,
       datetime.datetime(2026, 3, 1, 9, 30, tzinfo=datetime.timezone.utc))

# A spreadsheet of three contacts: one vCard symbol per row, read back by zxing-cpp.
rows = [
    {"file": "zhang", "family": "张", "given": "伟", "org": "北京某某科技有限公司", "tel": "+86 10 6552 9988",
     "email": "zhang.wei@example.cn", "note": "会议: 周一; 地点, 三楼"},
    {"file": "obrien", "family": "O'Brien", "given": "Seán", "org": "Acme; Inc.", "tel": "+353 1 555 0101",
     "email": "sean@example.ie", "note": "likes \\backslashes\\ and \"quotes\""},
    {"file": "garcia", "family": "García", "given": "María José", "org": "Café, Ltd.", "tel": "(555) 010-2000",
     "email": "mj@example.es", "note": "line one\nline two"},
]
table = io.StringIO()
writer = csv.DictWriter(table, fieldnames=list(rows[0]), lineterminator="\r\n")
writer.writeheader()
writer.writerows(rows)
with tempfile.TemporaryDirectory() as folder:
    pattern = os.path.join(folder, "card-%s.png")  # named by the file column, not a field
    run(["--batch", "--batch-format", "csv", "--payload", "vcard", "--eci", "auto", "--scale", "4",
         "-o", pattern], table.getvalue().encode("utf-8"))
    expect("files of the batch", sorted(os.listdir(folder)),
           sorted(f"card-{row['file']}.png" for row in rows))
    for number, row in enumerate(rows, 1):
        picture = pattern.replace("%s", row["file"])
        read = subprocess.run(["ZXingReader", "-bytes", "-format", "QRCode", picture],
                              capture_output=True, check=False).stdout
        # Without a name column, FN joins the names: family first without a blank for CJK.
        name = row["family"] + row["given"] if number == 1 else f"{row['given']} {row['family']}"
        if read.startswith(b"BEGIN:VCARD"):
            check_card(f"CSV row {number}", read, dict(row, name=name))
        else:
            failures.append(f"CSV row {number}: ZXingReader read {read!r}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("vCard and iCalendar payloads parse back with vobject")
