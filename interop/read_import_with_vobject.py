#!/usr/bin/python3
"""Runs kwvcard import on an Outlook and a Google Contacts export (the real
header rows, rows written here), then reads the cards with vobject, an
independent vCard reader, and checks what it understood: escaped components,
types, dates, the inline photo and a GB2312 card.

usage: read_import_with_vobject.py KWVCARD HEADER_DIR
"""
import base64
import csv
import io
import os
import subprocess
import sys
import tempfile

import vobject

PNG = base64.b64decode("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==")


def export(header_path, rows):
    """The header row, then one row per dict of cells, every field quoted."""
    with open(header_path, newline="") as f:
        header = f.read().rstrip("\r\n")
    columns = next(csv.reader([header]))
    out = io.StringIO()
    writer = csv.writer(out, quoting=csv.QUOTE_ALL, lineterminator="\r\n")
    for row in rows:
        writer.writerow([row.get(c, "") for c in columns])
    return header + "\r\n" + out.getvalue()


def import_cards(kwvcard, folder, name, text, *options, encoding="utf-8"):
    path = os.path.join(folder, name)
    with open(path, "w", newline="", encoding="utf-8") as f:
        f.write(text)
    out = path + ".vcf"
    subprocess.run([kwvcard, "import", path, "--out", out, *options], check=True)
    with open(out, "rb") as f:
        return list(vobject.readComponents(f.read().decode(encoding)))


def types(prop):
    return sorted(prop.singletonparams)


def check_outlook(kwvcard, folder, headers):
    jane = {"Title": "Dr.", "First Name": "Jane", "Middle Name": "Q.", "Last Name": "Doe",
            "Suffix": "PhD", "Company": "Acme; Inc.", "Job Title": "Engineer",
            "Business Street": "1 Main St", "Business City": "Springfield",
            "Business Postal Code": "62701", "Home Street": "2 Oak Ave; Flat 3",
            "Business Fax": "+1 555 0101", "Home Phone": "+1 555 0102", "Mobile Phone": "+1 555 0103",
            "E-mail Address": "jane@example.org", "Birthday": "3/7/1980",
            "Spouse": "John", "Notes": "Two\r\nlines"}
    (card,) = import_cards(kwvcard, folder, "outlook.csv",
                           export(os.path.join(headers, "outlook-header.csv"), [jane]))
    n = card.n.value
    assert (n.family, n.given, n.additional, n.prefix, n.suffix) == ("Doe", "Jane", "Q.", "Dr.", "PhD"), n
    assert card.org.value == ["Acme; Inc."], card.org.value
    assert card.title.value == "Engineer" and card.bday.value == "1980-03-07"
    assert card.email.value == "jane@example.org", card.email.value
    assert card.note.value == "Two\r\nlines", card.note.value  # quoted-printable, both lines
    tels = {t.value: types(t) for t in card.tel_list}
    assert tels == {"+1 555 0101": ["FAX", "WORK"], "+1 555 0102": ["HOME"],
                    "+1 555 0103": ["CELL"]}, tels
    adrs = [(types(a), a.value.street, a.value.city, a.value.code) for a in card.adr_list]
    assert adrs == [(["WORK"], "1 Main St", "Springfield", "62701"),
                    (["HOME"], "2 Oak Ave; Flat 3", "", "")], adrs
    assert card.contents["x-zeb-spouse"][0].value == "John"
    return len(card.contents)


def check_google(kwvcard, folder, headers):
    with open(os.path.join(folder, "face.png"), "wb") as f:
        f.write(PNG)
    header = os.path.join(headers, "google-header.csv")
    ann = {"First Name": "Ann", "Last Name": "Lee", "Photo": "face.png", "Birthday": "1975-12-31",
           "Phone 1 - Label": "* Mobile", "Phone 1 - Value": "1 ::: 2",
           "Address 1 - Label": "Work", "Address 1 - PO Box": "9", "Address 1 - Street": "1 Via Roma",
           "Address 1 - Extended Address": "Int. 2", "Address 1 - Country": "Italy"}
    (card,) = import_cards(kwvcard, folder, "google.csv", export(header, [ann]))
    assert card.photo.params.get("TYPE") == ["PNG"] and card.photo.value == PNG, card.photo.params
    assert [(t.value, types(t)) for t in card.tel_list] == [("1", ["CELL", "PREF"]),
                                                          ("2", ["CELL", "PREF"])]
    a = card.adr.value
    assert (a.box, a.extended, a.street, a.country) == ("9", "Int. 2", "1 Via Roma", "Italy"), a
    assert types(card.adr) == ["WORK"]

    zhang = {"First Name": "\u4e09", "Last Name": "\u5f20", "Organization Name": "\u534e\u4e3a"}
    (gb,) = import_cards(kwvcard, folder, "gb2312.csv", export(header, [zhang]),
                         "--charset", "GB2312", "--lang", "zh-CN", encoding="gb2312")
    assert (gb.n.value.family, gb.n.value.given) == ("\u5f20", "\u4e09"), gb.n.value
    assert gb.org.value == ["\u534e\u4e3a"] and gb.n.params.get("CHARSET") == ["GB2312"]
    return len(card.contents) + len(gb.contents)


def main(kwvcard, headers):
    with tempfile.TemporaryDirectory() as folder:
        outlook = check_outlook(kwvcard, folder, headers)
        google = check_google(kwvcard, folder, headers)
    print(f"vobject: read the imported Outlook card ({outlook} properties), the Google card "
          f"with its photo and the GB2312 card ({google} properties) as exported")


if __name__ == "__main__":
    main(*sys.argv[1:3])
