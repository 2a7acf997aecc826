#!/usr/bin/python3
"""Runs kwvcard import on four vCard exports kept beside this script, then has
three independent readers, vobject, KDE KContacts (kcontacts_read) and
ez-vcard (EzVcardRead), read the 2.1 cards it wrote and checks what each
understood against the values the input holds, line breaks included:

- iphone-3.0.vcf: an iPhone-style 3.0 export: grouped properties with
  X-ABLabel, TYPE=a,b and TYPE="a,b", type=x repeated, escaped commas and
  semicolons, a spouse as a labelled X-ABRELATEDNAMES, an ENCODING=b photo
  folded over many lines, a company card whose N is empty (its FN becomes the
  family name), and a French card with accents in N, ORG and ADR, a two-line
  street (\\n) holding an escaped semicolon and a two-line NOTE;
- android-2.1.vcf: an Android-style 2.1 export: QUOTED-PRINTABLE values with
  CHARSET=UTF-8 (one broken by a soft line break), a two-line NOTE and street
  (=0D=0A), bare types (TEL;CELL), an X-ANDROID-CUSTOM line, and an
  ENCODING=BASE64 photo ending in a blank line;
- chinese-3.0.vcf: an iPhone-style 3.0 card all in Chinese, a two-line street
  and NOTE, imported with --charset GB2312;
- japanese-2.1.vcf: an Android-style Shift_JIS 2.1 card (every byte
  quoted-printable, soft line breaks), imported with --charset SHIFT_JIS: the
  given name ends in ソ and the department in 能, whose second Shift_JIS byte is
  0x5C, a backslash, right before the separator that follows; the title ends
  in 表.

Each export is imported with the default encoding (quoted-printable: every
line break must read back as a line break); the first two also with
--encoding 8bit, where every line break must read back as a space.

Checked: names, ORG, TITLE, TEL numbers and types, EMAIL, ADR components and
types, NOTE, BDAY, the spouse (vobject and ez-vcard), and the photo's bytes,
which must be those the input's base64 decodes to. Every reader's reading is
put in kcontacts_read's line format (values escaped: "\\\\", "\\r", "\\n") and
compared, "\\r\\n" read as "\\n", with the values written below from the
inputs. Every contact must be written whole (exit status 0), and no
bookkeeping or producer-specific property may reach the card.

What vobject (0.9.6.1) does with these cards: it decodes QUOTED-PRINTABLE
itself while it parses each line (Python's quopri, then the bytes decoded with
the codec the CHARSET parameter names: UTF-8, GB2312, SHIFT_JIS). Read with
allowQP=True it first joins a line that ends in '=' to the next one whole, so
a soft line break is read right; without it (readComponents' default) only a
line beginning with a space or tab continues the one before. It then decodes values the 3.0 way: N, ORG and ADR split at ';' (a
"\\;" kept as ';'), each component further split at commas (which 2.1 does not
escape: joined again here), and a single text such as NOTE split at commas
with only the first part kept: TITLE, NOTE, BDAY and the spouse are therefore
read from vobject's parsed content line (QUOTED-PRINTABLE decoded, nothing
unescaped). ez-vcard (0.11.2) decodes QUOTED-PRINTABLE with the CHARSET, as
KContacts does; both take a line beginning with a space or tab for a folded
one, also right after a soft line break, and drop its first character.

EZVCARD_CLASSPATH is the folder holding EzVcardRead.class, ez-vcard's jar and
vinnie's jar, separated by ':'.

usage: read_vcard_import.py KWVCARD KCONTACTS_READ EZVCARD_CLASSPATH
"""
import base64
import difflib
import hashlib
import io
import os
import re
import subprocess
import sys
import tempfile

import vobject

HERE = os.path.dirname(os.path.abspath(__file__))

# The flags the readers print, in their order.
PHONE_ORDER = ["PREF", "VOICE", "FAX", "MSG", "CELL", "PAGER", "BBS", "MODEM", "CAR", "ISDN",
               "VIDEO", "WORK", "HOME"]
ADDRESS_ORDER = ["DOM", "INTL", "POSTAL", "PARCEL", "HOME", "WORK"]
# An address's components as the readers print them, and vobject's names.
ADR_PARTS = ("pobox", "extended", "street", "locality", "region", "postalcode", "country")
VOBJECT_ADR = ("box", "extended", "street", "city", "region", "code", "country")


def card(n, org=(), title="", tels=(), emails=(), adrs=(), note="", bday="", spouse="",
         photo=False):
    """What one input card holds, as a 2.1 card must carry it: n is (family,
    given, middle, prefix, suffix); tels (number, types); adrs (types, (PO box,
    extended, street, city, region, postal code, country))."""
    return dict(n=n, org=list(org), title=title, tels=list(tels), emails=list(emails),
                adrs=list(adrs), note=note, bday=bday, spouse=spouse, photo=photo)


INPUTS = {
    "iphone-3.0.vcf": [
        card(("Appleseed", "Johnny", "Quentin", "Dr.", "Jr."),
             org=("Orchard Ltd.", "Research & Development"), title="Senior Grower",
             tels=[("+1 (408) 555-0101", ["PREF", "VOICE", "CELL"]),  # type=pref, repeated
                   ("+1 408 555 0102", ["VOICE", "CELL"]),  # IPHONE is a CELL
                   ("+1 408 555 0103", ["VOICE", "WORK"]),  # TYPE=WORK,VOICE
                   ("+1 408 555 0104", ["FAX", "HOME"]),  # TYPE="HOME,FAX"
                   ("+1 408 555 0105", [])],  # grouped, labelled "Other": no type
             emails=["johnny@example.com", "j.appleseed@orchard.example"],
             adrs=[(["WORK"], ("", "Building 3", "1 Orchard Way", "Cupertino", "CA", "95014",
                               "United States")),
                   (["POSTAL", "HOME"], ("PO Box 7", "", "22 Elm St, Apt 4", "Springfield",
                                         "IL", "62701", "USA"))],
             note="Likes apples, pears; and plums.\nMet at the caf\u00e9 in Z\u00fcrich.",
             bday="1976-04-01", spouse="Jane Appleseed", photo=True),
        card(("Orchard Helpdesk", "", "", "", ""), org=("Orchard Ltd.",),
             tels=[("+1 408 555 0199", [])]),  # type=MAIN is no 2.1 type
        card(("Lef\u00e8vre", "H\u00e9l\u00e8ne", "Marie", "", ""),
             org=("P\u00e2tisserie Lef\u00e8vre & Fils", "Cr\u00e8mes glac\u00e9es"),
             title="G\u00e9rante", tels=[("+33 6 12 34 56 78", ["PREF", "VOICE", "CELL"])],
             emails=["helene@example.fr"],
             adrs=[(["HOME"], ("", "", "12 rue de l\u2019\u00c9glise\nB\u00e2timent B; "
                               "2e \u00e9tage", "Besan\u00e7on", "", "25000", "France"))],
             note="Commande pour No\u00ebl : 3 b\u00fbches, 40 macarons.\nLivraison le 23 "
                  "d\u00e9cembre avant 10 h, code portail 4512."),
    ],
    "android-2.1.vcf": [
        card(("M\u00fcller", "J\u00fcrgen", "", "", ""),
             org=("B\u00e4ckerei M\u00fcller GmbH",), title="Meister",
             tels=[("+49 170 1234567", ["CELL"]), ("+49 30 1234567", ["HOME"]),
                   ("+49 30 7654321", ["FAX", "WORK"]), ("+49 171 7654321", ["PREF", "CELL"])],
             emails=["juergen@example.de", "j.mueller@firma.example"],
             adrs=[(["HOME"], ("", "", "Hauptstra\u00dfe 5\nHinterhaus, 2. OG", "Berlin", "",
                               "10115", "Deutschland"))],
             note="Erste Zeile\nZweite Zeile: Br\u00f6tchen, Kuchen und Torten aus eigener "
                  "Herstellung",
             bday="1965-11-23", photo=True),
    ],
    "chinese-3.0.vcf": [
        card(("王", "小明", "", "", ""), org=("北京示例科技有限公司", "研发部"), title="高级工程师",
             tels=[("+86 138 0013 8000", ["PREF", "VOICE", "CELL"]),
                   ("+86 10 5555 0100", ["VOICE", "WORK"])],
             emails=["wang.xiaoming@example.cn"],
             adrs=[(["WORK"], ("", "", "海淀区中关村大街1号\n科技大厦5层", "北京", "北京市", "100080",
                               "中国"))],
             note="2026年联系人研讨会上认识。\n喜欢喝茶，周末常去香山。", bday="1988-06-15"),
    ],
    "japanese-2.1.vcf": [
        card(("ロドリゲス", "アルフォンソ", "", "", ""), org=("株式会社サンプル技研", "人工知能"),
             title="代表", tels=[("090-2345-6789", ["CELL"]), ("03-5555-0123", ["VOICE", "WORK"])],
             emails=["alfonso@example.jp"],
             adrs=[(["WORK"], ("", "", "芝公園4-2-8\nサンプルビル10階", "港区", "東京都", "105-0011",
                               "日本"))],
             note="展示会で名刺交換\nスペイン語も話せる", bday="1982-09-12"),
    ],
}

# Each import: the export and kwvcard's options.
RUNS = [("iphone-3.0.vcf", []), ("android-2.1.vcf", []),
        ("iphone-3.0.vcf", ["--encoding", "8bit"]), ("android-2.1.vcf", ["--encoding", "8bit"]),
        ("chinese-3.0.vcf", ["--charset", "GB2312"]),
        ("japanese-2.1.vcf", ["--charset", "SHIFT_JIS"])]


def input_photos(path):
    """The bytes of each inline photo of the input, read without any vCard
    library: the PHOTO line unfolded (a line end and one space or tab), its
    value's whitespace removed, base64-decoded."""
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    unfolded = re.sub(r"\r\n[ \t]", "", text)
    return [base64.b64decode(re.sub(r"\s", "", line.split(":", 1)[1]))
            for line in unfolded.split("\r\n") if line.upper().startswith("PHOTO;")]


def run_tool(kwvcard, source, options, out):
    """Imports `source` into `out`; every card must be written whole."""
    result = subprocess.run([kwvcard, "import", source, "--out", out, *options],
                            capture_output=True, text=True)
    k = len(INPUTS[os.path.basename(source)])
    whole = f"{k} contact{'s' if k != 1 else ''} written, 0 values left out"
    summary = (result.stderr.strip().splitlines() or [""])[-1]
    assert result.returncode == 0 and summary.startswith(whole), \
        f"{source} {options}: exit status {result.returncode}, standard error:\n{result.stderr}"
    assert result.stdout == "", result.stdout


def expected_lines(cards, photos, eight_bit, extended):
    """The (name, value) lines the readers print for the expected cards: under
    8-bit a line break is a space; `extended` adds the spouse as X-ZEB-SPOUSE."""
    text = (lambda s: s.replace("\n", " ")) if eight_bit else (lambda s: s)
    photos = iter(photos)
    lines = []
    for c in cards:
        family, given, middle, prefix, suffix = c["n"]
        org = c["org"] + ["", ""]
        lines += [("N.family", family), ("N.given", given), ("ORG", org[0]),
                  ("ORG.department", org[1]), ("TITLE", c["title"]), ("NOTE", c["note"])]
        lines += [(name, value) for name, value in (
            ("N.additional", middle), ("N.prefix", prefix), ("N.suffix", suffix),
            ("BDAY", c["bday"])) if value]
        for types, parts in c["adrs"]:
            adr = "ADR" + "".join(";" + t for t in ADDRESS_ORDER if t in types)
            lines += [(f"{adr}.{part}", value) for part, value in zip(ADR_PARTS, parts)
                      if value or part not in ("pobox", "extended")]
        lines += [("TEL" + "".join(";" + t for t in PHONE_ORDER if t in types), number)
                  for number, types in c["tels"]]
        lines += [("EMAIL", e) for e in c["emails"]]
        if c["photo"]:
            lines += [("PHOTO.type", "JPEG"),
                      ("PHOTO.sha256", hashlib.sha256(next(photos)).hexdigest())]
        if extended and c["spouse"]:
            lines.append(("X-ZEB-SPOUSE", c["spouse"]))
    return [(name, text(value)) for name, value in lines]


def joined(component):
    """vobject reads a 2.1 component the 3.0 way, as a list split at commas
    (which 2.1 does not escape): the text is the list joined again."""
    return ",".join(component) if isinstance(component, list) else component


def read_vobject(path):
    """vobject's reading of the card file, in kcontacts_read's format; any
    property left over is printed with its raw value, EMAIL with its
    parameters unless they are INTERNET alone."""
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    # Single texts as vobject's content-line parser reads them (see above).
    raw = [{}]
    for logical, number in vobject.base.getLogicalLines(io.StringIO(text)):
        line = vobject.base.textLineToContentLine(logical, number)
        if line.name == "END":
            raw.append({})
        raw[-1].setdefault(line.name, line.value)
    lines = []
    for got, single in zip(vobject.readComponents(text, allowQP=True), raw):
        n = got.n.value
        org = [joined(o) for o in (got.org.value if "org" in got.contents else [])] + ["", ""]
        lines += [("N.family", joined(n.family)), ("N.given", joined(n.given)), ("ORG", org[0]),
                  ("ORG.department", org[1]), ("TITLE", single.get("TITLE", "")),
                  ("NOTE", single.get("NOTE", ""))]
        lines += [(name, value) for name, value in (
            ("N.additional", joined(n.additional)), ("N.prefix", joined(n.prefix)),
            ("N.suffix", joined(n.suffix)), ("BDAY", single.get("BDAY", ""))) if value]
        for a in got.contents.get("adr", []):
            adr = "ADR" + "".join(";" + t for t in ADDRESS_ORDER if t in a.singletonparams)
            lines += [(f"{adr}.{part}", joined(getattr(a.value, field)))
                      for part, field in zip(ADR_PARTS, VOBJECT_ADR)
                      if getattr(a.value, field) or part not in ("pobox", "extended")]
        lines += [("TEL" + "".join(";" + t for t in PHONE_ORDER if t in tel.singletonparams),
                   tel.value) for tel in got.contents.get("tel", [])]
        lines += [("EMAIL" + ("" if e.singletonparams == ["INTERNET"] else
                              "".join(";" + p for p in e.singletonparams)), e.value)
                  for e in got.contents.get("email", [])]
        for p in got.contents.get("photo", []):
            lines += [("PHOTO.type", ",".join(p.params.get("TYPE", []))),
                      ("PHOTO.sha256", hashlib.sha256(p.value).hexdigest())]
        done = {"version", "n", "org", "title", "note", "bday", "adr", "tel", "email", "photo"}
        lines += [(name.upper(), single[name.upper()]) for name in got.contents if name not in done]
    return lines


ESCAPES = {"\\": "\\\\", "\r": "\\r", "\n": "\\n"}


def escape(value):
    return re.sub(r"[\\\r\n]", lambda m: ESCAPES[m.group()], value)


def unescape(value):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r"}.get(m.group(1), m.group(1)), value)


def read_printed(command):
    """The (name, value) lines a reader program prints."""
    out = subprocess.run(command, capture_output=True, text=True, check=True).stdout
    return [(name, unescape(value)) for name, value in
            (line.split("=", 1) for line in out.splitlines())]


def differences(got, want):
    """"" when the reading is the expected one, else the lines that differ."""
    show = lambda lines: [f"{name}={escape(value)}" for name, value in lines]
    got = [(name, value.replace("\r\n", "\n")) for name, value in got]
    return "" if got == want else "\n".join(difflib.unified_diff(
        show(want), show(got), "expected", "read", n=0, lineterm=""))


def main(kwvcard, kcontacts_read, ezvcard_classpath):
    readers = [("vobject", True, read_vobject),
               ("KContacts", False, lambda path: read_printed([kcontacts_read, path])),
               ("ez-vcard", True, lambda path: read_printed(
                   ["java", "-cp", ezvcard_classpath, "EzVcardRead", path]))]
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, options in RUNS:
            source = os.path.join(HERE, name)
            out = os.path.join(folder, "out.vcf")
            run_tool(kwvcard, source, options, out)
            cards, photos = INPUTS[name], input_photos(source)
            eight_bit = "8bit" in options
            what = (f"the {len(cards)} card{'s' if len(cards) != 1 else ''} with the input's "
                    f"values (line breaks {'as spaces' if eight_bit else 'kept'})"
                    f"{' and photo bytes' if any(c['photo'] for c in cards) else ''}")
            for reader, extended, read in readers:
                diff = differences(read(out), expected_lines(cards, photos, eight_bit, extended))
                print(f"{name} ({' '.join(options) or 'quoted-printable'}): {reader} "
                      + (f"FAILED to read {what}:\n{diff}" if diff else f"read {what}"))
                failed += bool(diff)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip().splitlines()[-1])
    main(*sys.argv[1:4])
