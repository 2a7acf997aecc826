#!/usr/bin/python3
"""Reads a card written by the example with vobject, an independent vCard reader,
and checks what it understood: names, types, values and the inline photo.

usage: read_with_vobject.py CARD PHOTO
"""
import sys

import vobject


def main(card_path, photo_path):
    with open(card_path, "rb") as f:
        text = f.read().decode("utf-8")
    cards = list(vobject.readComponents(text))
    assert len(cards) == 1, f"expected one card, read {len(cards)}"
    card = cards[0]
    assert card.version.value == "2.1"

    assert card.n.value.family == "Doe" and card.n.value.given == "John", card.n.value
    assert card.org.value == ["Example Corp", "Research", "Contacts"], card.org.value
    assert card.title.value == "Senior Engineer"
    assert card.bday.value == "1980-03-07"
    assert card.email.value == "john.doe@example.org"

    tels = {t.value: sorted(t.singletonparams) for t in card.tel_list}
    assert tels == {"+1-217-555-0100": ["WORK"], "+1-217-555-0199": ["CELL"]}, tels
    adrs = [(sorted(a.singletonparams), a.value.street, a.value.code) for a in card.adr_list]
    assert adrs == [(["WORK"], "1 Main Street", "62701"), (["HOME"], "1 Main Street", "62701")], adrs
    for prop in [card.n, card.org, card.title, card.email] + card.adr_list:
        assert prop.params.get("CHARSET") == ["UTF-8"], (prop.name, prop.params)

    photo = card.photo
    assert photo.params.get("TYPE") == ["PNG"], photo.params
    with open(photo_path, "rb") as f:
        expected = f.read()
    assert photo.value == expected, "photo does not decode to the original bytes"
    print(f"vobject: read {len(card.contents)} properties; photo of "
          f"{len(expected)} bytes decodes exactly")


if __name__ == "__main__":
    main(*sys.argv[1:3])
