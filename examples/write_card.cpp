// Writes a typical contact card twice, through the C++ interface (KwvCard.hpp)
// and through the raw interface (KwvCard.h), checks that both files hold the
// same bytes, and prints the card.
//
//   write_card [card-path [photo-path]]
//
// Defaults: contact.vcf and photo.png in the current directory; the raw card
// goes to <card-path>.raw. The photo is embedded inline as base64; if it
// cannot be read the card gets none.
#include <fstream>
#include <iostream>
#include <string>

#include "KwvCard.h"
#include "KwvCard.hpp"

namespace {

// The C++ interface: values are string_views (literals, std::string), types
// belong to the one call, and each call says whether its line was written.
bool write_with_layer(const std::string& path, const std::string& photo) {
  kwv::Card card(path);
  if (!card.ok()) return false;
  card.name({"Doe", "John"});
  card.title("Senior Engineer");
  card.org({"Example Corp", "Research", "Contacts"});
  kwv::Address work;
  work.street = "1 Main Street";
  work.city = "Springfield";
  work.region = "IL";
  work.postal_code = "62701";
  work.country = "USA";
  card.address(work, {kwv::Adr::Work});
  card.tel("+1-217-555-0100", {kwv::Tel::Work});
  card.tel("+1-217-555-0199", {kwv::Tel::Cell});
  card.address(work, {kwv::Adr::Home});
  card.role("Engineering");
  card.department("Research");
  card.email("john.doe@example.org");
  card.url("https://example.org/~jdoe");
  card.nickname("Johnny");
  card.birthday(1980, 3, 7);
  card.note("Met at the 2026 contacts workshop");
  if (!card.photo(photo, "png")) std::cerr << "no photo: cannot read " << photo << "\n";
  return card.close();
}

// The raw interface: writable char* text, component counts as text, and type
// flags that stay set on the card until changed.
bool write_raw(const std::string& path, const std::string& photo) {
  std::string file = path, media = photo;
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

  KwvCard card(file.data());
  if (card.QEL_AddName(count2, family, given) == 0) return false;
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
  card.QEL_AddBday(7, 3, 1980);  // day, month, year
  card.QEL_AddComment(note);
  card.QEL_AttachPhoto(media.data(), png);
  card.QEL_EndPacking();
  return true;
}

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "contact.vcf";
  const std::string photo = argc > 2 ? argv[2] : "photo.png";
  if (!write_with_layer(path, photo) || !write_raw(path + ".raw", photo)) {
    std::cerr << "cannot write " << path << "\n";
    return 1;
  }
  const std::string card = read(path);
  if (card != read(path + ".raw")) {
    std::cerr << "the two interfaces wrote different cards\n";
    return 1;
  }
  std::cout << "wrote " << path << " (and the same bytes to " << path << ".raw):\n" << card;
  return 0;
}
