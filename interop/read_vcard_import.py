#!/usr/bin/python3
"""Runs kwvcard import on two vCard exports kept beside this script, then has
two independent readers, vobject and KDE KContacts (kcontacts_read), read the
2.1 cards it wrote and checks what they understood against the values each
input holds:

- iphone-3.0.vcf: an iPhone-style 3.0 export: grouped properties with
  X-ABLabel, TYPE=a,b and TYPE="a,b", type=x repeated, escaped commas and
  semicolons, a spouse as a labelled X-ABRELATEDNAMES, an ENCODING=b photo
  folded over many lines, and a company card whose N is empty (its FN becomes
  the family name);
- android-2.1.vcf: an Android-style 2.1 export: QUOTED-PRINTABLE values with
  CHARSET=UTF-8 (one broken by a soft line break), bare types (TEL;CELL), an
  X-ANDROID-CUSTOM line, and an ENCODING=BASE64 photo ending in a blank line.

Checked: names, ORG, TITLE, TEL numbers and types, EMAIL, ADR components and
types, NOTE, BDAY, the spouse, and the photo's bytes, which must be those the
input's base64 decodes to. Every contact must be written whole (exit status
0), and no bookkeeping or producer-specific property may reach the card.

usage: read_vcard_import.py KWVCARD KCONTACTS_READ
"""
import base64
import hashlib
import io
import os
import re
import subprocess
import sys
import tempfile

import vobject

HERE = os.path.dirname(os.path.abspath(__file__))

# The flags kcontacts_read prints, in its order.
PHONE_ORDER = ["PREF", "VOICE", "FAX", "MSG", "CELL", "PAGER", "BBS", "MODEM", "CAR", "ISDN",
               "VIDEO", "WORK", "HOME"]
ADDRESS_ORDER = ["DOM", "INTL", "POSTAL", "PARCEL", "HOME", "WORK"]


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
             note="Likes apples, pears; and plums. Met at the caf\u00e9 in Z\u00fcrich.",
             bday="1976-04-01", spouse="Jane Appleseed", photo=True),
        card(("Orchard Helpdesk", "", "", "", ""), org=("Orchard Ltd.",),
             tels=[("+1 408 555 0199", [])]),  # type=MAIN is no 2.1 type
    ],
    "android-2.1.vcf": [
        card(("M\u00fcller", "J\u00fcrgen", "", "", ""),
             org=("B\u00e4ckerei M\u00fcller GmbH",), title="Meister",
             tels=[("+49 170 1234567", ["CELL"]), ("+49 30 1234567", ["HOME"]),
                   ("+49 30 7654321", ["FAX", "WORK"]), ("+49 171 7654321", ["PREF", "CELL"])],
             emails=["juergen@example.de", "j.mueller@firma.example"],
             adrs=[(["HOME"], ("", "", "Hauptstra\u00dfe 5", "Berlin", "", "10115",
                               "Deutschland"))],
             note="Erste Zeile Zweite Zeile: Br\u00f6tchen, Kuchen und Torten aus eigener "
                  "Herstellung",
             bday="1965-11-23", photo=True),
    ],
}


def input_photos(path):
    """The bytes of each inline photo of the input, read without any vCard
    library: the PHOTO line unfolded (a line end and one space or tab), its
    value's whitespace removed, base64-decoded."""
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    unfolded = re.sub(r"\r\n[ \t]", "", text)
    return [base64.b64decode(re.sub(r"\s", "", line.split(":", 1)[1]))
            for line in unfolded.split("\r\n") if line.upper().startswith("PHOTO;")]


def run_tool(kwvcard, source, folder):
    """Imports `source` into one file; every card must be written whole."""
    out = os.path.join(folder, os.path.basename(source) + ".out.vcf")
    result = subprocess.run([kwvcard, "import", source, "--out", out],
                            capture_output=True, text=True)
    k = len(INPUTS[os.path.basename(source)])
    whole = f"{k} contact{'s' if k != 1 else ''} written, 0 values left out"
    summary = (result.stderr.strip().splitlines() or [""])[-1]
    assert result.returncode == 0 and summary.startswith(whole), \
        f"{source}: exit status {result.returncode}, standard error:\n{result.stderr}"
    assert result.stdout == "", result.stdout
    return out


ADR_PARTS = ("box", "extended", "street", "city", "region", "code", "country")


def joined(component):
    """vobject reads a 2.1 ADR component the 3.0 way, as a list split at commas
    (which 2.1 does not escape): the text is the list joined again."""
    return ",".join(component) if isinstance(component, list) else component


def strip_empty(parts):
    parts = list(parts)
    while parts and parts[-1] == "":
        parts.pop()
    return parts


def check_vobject(path, expected, photos):
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    cards = list(vobject.readComponents(text))
    # vobject decodes text the 3.0 way, as a list split at commas (taking the
    # first), which 2.1 does not escape: single texts are compared as vobject's
    # content-line parser reads them, undecoded.
    raw = [{}]
    for logical, number in vobject.base.getLogicalLines(io.StringIO(text)):
        line = vobject.base.textLineToContentLine(logical, number)
        if line.name == "END":
            raw.append({})
        raw[-1].setdefault(line.name.lower(), line.value)
    assert len(cards) == len(expected), f"{len(cards)} cards read, {len(expected)} expected"
    photos = iter(photos)
    for got, lines, want in zip(cards, raw, expected):
        n = got.n.value
        assert (n.family, n.given, n.additional, n.prefix, n.suffix) == want["n"], n
        kinds = {"version", "n", "tel"}
        if want["org"]:
            assert strip_empty(got.org.value) == want["org"], got.org.value
            kinds.add("org")
        tels = [(t.value, sorted(t.singletonparams)) for t in got.tel_list]
        assert tels == [(v, sorted(t)) for v, t in want["tels"]], tels
        if want["emails"]:
            emails = [(e.value, e.singletonparams) for e in got.email_list]
            assert emails == [(e, ["INTERNET"]) for e in want["emails"]], emails
            kinds.add("email")
        if want["adrs"]:
            adrs = [(sorted(a.singletonparams),
                     tuple(joined(getattr(a.value, part)) for part in ADR_PARTS))
                    for a in got.adr_list]
            assert adrs == [(sorted(t), v) for t, v in want["adrs"]], adrs
            kinds.add("adr")
        for name, key in (("title", "title"), ("note", "note"), ("bday", "bday"),
                          ("x-zeb-spouse", "spouse")):
            if want[key]:
                value = lines[name]
                assert value == want[key], value
                kinds.add(name)
        if want["photo"]:
            assert got.photo.params.get("TYPE") == ["JPEG"], got.photo.params
            assert got.photo.value == next(photos), "the photo's bytes differ"
            kinds.add("photo")
        assert set(got.contents) == kinds, f"unexpected properties: {set(got.contents) - kinds}"
    return len(cards)


def kcontacts_lines(expected, photos):
    """What kcontacts_read prints for the expected cards."""
    photos = iter(photos)
    lines = []
    for c in expected:
        family, given, middle, prefix, suffix = c["n"]
        org = c["org"] + ["", ""]
        lines += [f"N.family={family}", f"N.given={given}", f"ORG={org[0]}",
                  f"ORG.department={org[1]}", f"TITLE={c['title']}", f"NOTE={c['note']}"]
        for name, value in (("N.additional", middle), ("N.prefix", prefix),
                            ("N.suffix", suffix), ("BDAY", c["bday"])):
            if value:
                lines.append(f"{name}={value}")
        for types, (box, extended, street, city, region, code, country) in c["adrs"]:
            adr = "ADR" + "".join(";" + t for t in ADDRESS_ORDER if t in types)
            if box:
                lines.append(f"{adr}.pobox={box}")
            if extended:
                lines.append(f"{adr}.extended={extended}")
            lines += [f"{adr}.street={street}", f"{adr}.locality={city}",
                      f"{adr}.region={region}", f"{adr}.postalcode={code}",
                      f"{adr}.country={country}"]
        for number, types in c["tels"]:
            lines.append("TEL" + "".join(";" + t for t in PHONE_ORDER if t in types) + "=" + number)
        lines += [f"EMAIL={e}" for e in c["emails"]]
        if c["photo"]:
            lines += ["PHOTO.type=JPEG", "PHOTO.sha256=" + hashlib.sha256(next(photos)).hexdigest()]
    return lines


def check_kcontacts(reader, path, expected, photos):
    got = subprocess.run([reader, path], capture_output=True, text=True, check=True)
    want = kcontacts_lines(expected, photos)
    lines = got.stdout.splitlines()
    assert lines == want, "KContacts read:\n" + "\n".join(
        f"{'  ' if line in want else '! '}{line}" for line in lines) + "\nexpected:\n" + \
        "\n".join(want)


def main(kwvcard, reader):
    with tempfile.TemporaryDirectory() as folder:
        for name, expected in INPUTS.items():
            source = os.path.join(HERE, name)
            photos = input_photos(source)
            out = run_tool(kwvcard, source, folder)
            cards = check_vobject(out, expected, photos)
            check_kcontacts(reader, out, expected, photos)
            print(f"{name}: vobject and KContacts read the {cards} imported "
                  f"card{'s' if cards != 1 else ''} with the input's values and photo bytes")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    main(*sys.argv[1:3])
