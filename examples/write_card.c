// Writes the typical contact card of write_card.cpp through the C interface
// (kwvcard.h), as C99: the same bytes, which CI compares.
//
//   write_card_c [card-path [photo-path]]
//
// Defaults: contact.vcf and photo.png in the current directory. If the photo
// cannot be read the card gets none.
#include <stdio.h>

#include "kwvcard.h"

static int refused = 0;

// Each call returns whether its line was written whole; kwv_card_refusal()
// says why one was not.
static void check(kwv_card* card, bool written) {
  if (!written) {
    ++refused;
    fprintf(stderr, "refused: %s\n", kwv_card_refusal(card));
  }
}

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "contact.vcf";
  const char* photo = argc > 2 ? argv[2] : "photo.png";
  // Text is NUL-terminated (KWV_NUL_TERMINATED) or comes with its length.
  static const char note[] = "Met at the 2026 contacts workshop";
  const kwv_text name[] = {KWV_TEXT("Doe"), KWV_TEXT("John")};
  const kwv_text org[] = {KWV_TEXT("Example Corp"), KWV_TEXT("Research"), KWV_TEXT("Contacts")};
  const kwv_address work = {.street = KWV_TEXT("1 Main Street"),
                            .city = KWV_TEXT("Springfield"),
                            .region = KWV_TEXT("IL"),
                            .postal_code = KWV_TEXT("62701"),
                            .country = KWV_TEXT("USA")};

  kwv_card* card = kwv_card_open(path);  // BEGIN:VCARD, VERSION:2.1
  if (card == NULL) {
    perror(path);
    return 1;
  }
  check(card, kwv_card_name(card, name, 2));
  check(card, kwv_card_title(card, "Senior Engineer", KWV_NUL_TERMINATED));
  check(card, kwv_card_org(card, org, 3));
  // Types are a bit set per call: nothing carries over to the next line.
  check(card, kwv_card_address(card, &work, KWV_ADR_WORK));
  check(card, kwv_card_tel(card, "+1-217-555-0100", KWV_NUL_TERMINATED, KWV_TEL_WORK));
  check(card, kwv_card_tel(card, "+1-217-555-0199", KWV_NUL_TERMINATED, KWV_TEL_CELL));
  check(card, kwv_card_address(card, &work, KWV_ADR_HOME));
  check(card, kwv_card_role(card, "Engineering", KWV_NUL_TERMINATED));
  check(card, kwv_card_department(card, "Research", KWV_NUL_TERMINATED));
  check(card, kwv_card_email(card, "john.doe@example.org", KWV_NUL_TERMINATED));
  check(card, kwv_card_url(card, "https://example.org/~jdoe", KWV_NUL_TERMINATED));
  check(card, kwv_card_nickname(card, "Johnny", KWV_NUL_TERMINATED));
  check(card, kwv_card_birthday(card, 1980, 3, 7));
  check(card, kwv_card_note(card, note, sizeof note - 1));
  if (!kwv_card_photo(card, photo, "png")) fprintf(stderr, "no photo: cannot read %s\n", photo);
  if (!kwv_card_close(card) || refused > 0) return 1;  // END:VCARD; frees the card
  printf("wrote %s through the C interface\n", path);
  return 0;
}
