// Writes a typical contact card and prints it.
//
//   write_card [card-path [photo-path]]
//
// Defaults: contact.vcf and photo.png in the current directory. The photo is
// embedded inline as base64; if it cannot be read the card gets none.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "KwvCard.h"

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "contact.vcf";
  std::string photo = argc > 2 ? argv[2] : "photo.png";

  // The API takes writable text (char*); keep the values in arrays.
  char title[] = "Senior Engineer";
  char note[] = "Met at the 2026 contacts workshop";
  char url[] = "https://example.org/~jdoe";
  char role[] = "Engineering";
  char email[] = "john.doe@example.org";
  char count2[] = "2", count3[] = "3", count7[] = "7";
  char family[] = "Doe", given[] = "John";
  char company[] = "Example Corp", division[] = "Research", unit[] = "Contacts";
  char empty[] = "", street[] = "1 Main Street", city[] = "Springfield", region[] = "IL",
       code[] = "62701", country[] = "USA";
  char work_phone[] = "+1-217-555-0100", cell_phone[] = "+1-217-555-0199";
  char cell[] = "cell", work[] = "work", home[] = "home";
  char png[] = "png";  // upper-cased in place by QEL_AttachPhoto

  KwvCard card(path.data());
  if (card.QEL_AddName(count2, family, given) == 0) {
    std::cerr << "cannot write " << path << "\n";
    return 1;
  }
  card.QEL_AddTitle(title);
  card.QEL_AddOrg(count3, company, division, unit);
  card.QEL_AddAddress(count7, empty, empty, street, city, region, code, country);
  card.QEL_AddTel(work_phone);  // TEL;WORK: a new card's telephone type
  card.QEL_SetTelType(cell);    // types stay set until changed
  card.QEL_ResetTelType(work);
  card.QEL_AddTel(cell_phone);
  card.QEL_SetAddressType(home);
  card.QEL_ResetAddressType(work);
  card.QEL_AddAddress(count7, empty, empty, street, city, region, code, country);
  card.QEL_AddBusCat(role);
  card.QEL_AddDepartment("Research");
  card.QEL_AddEmail(email);
  card.QEL_AddURL(url);
  card.QEL_AddNickname("Johnny");
  card.QEL_AddBday(7, 3, 1980);
  card.QEL_AddComment(note);
  if (card.QEL_AttachPhoto(photo.data(), png) == 0)
    std::cerr << "no photo: cannot read " << photo << "\n";
  card.QEL_EndPacking();

  std::cout << "wrote " << path << ":\n";
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::cout << text;
  return 0;
}
