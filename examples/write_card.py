#!/usr/bin/env python3
"""Writes the typical contact card of write_card.cpp with the Python package
kwvcard: the same bytes, which CI compares.

    write_card.py [card-path [photo-path]]

Defaults: contact.vcf and photo.png in the current directory. If the photo
cannot be read the card gets none.
"""
import datetime
import sys

import kwvcard


def main() -> int:
    path = sys.argv[1] if len(sys.argv) > 1 else "contact.vcf"
    photo = sys.argv[2] if len(sys.argv) > 2 else "photo.png"
    work = dict(street="1 Main Street", city="Springfield", region="IL", postal_code="62701",
                country="USA")
    with kwvcard.Card(path) as card:  # a refused value raises kwvcard.Refused
        card.name("Doe", "John")
        card.title("Senior Engineer")
        card.org("Example Corp", "Research", "Contacts")
        card.address(**work, types={"work"})  # types belong to the one call
        card.tel("+1-217-555-0100", types={"work"})
        card.tel("+1-217-555-0199", types={"cell"})
        card.address(**work, types={"home"})
        card.role("Engineering")
        card.department("Research")
        card.email("john.doe@example.org")
        card.url("https://example.org/~jdoe")
        card.nickname("Johnny")
        card.birthday(datetime.date(1980, 3, 7))
        card.note("Met at the 2026 contacts workshop")
        try:
            card.photo(photo, "png")
        except kwvcard.Refused:
            print(f"no photo: cannot read {photo}", file=sys.stderr)
    print(f"wrote {path} with the Python package")
    return 0


if __name__ == "__main__":
    sys.exit(main())
