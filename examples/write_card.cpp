// Writes a typical contact card and prints it.
//
//   write_card [path]      (default: contact.vcf in the current directory)
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "KwvCard.h"

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "contact.vcf";

  // The API takes writable text (char*); keep the values in arrays.
  char title[] = "Senior Engineer";
  char note[] = "Met at the 2026 contacts workshop";
  char url[] = "https://example.org/~jdoe";
  char role[] = "Engineering";
  char email[] = "john.doe@example.org";

  KwvCard card(path.data());
  if (card.QEL_AddTitle(title) == 0) {
    std::cerr << "cannot write " << path << "\n";
    return 1;
  }
  card.QEL_AddBusCat(role);
  card.QEL_AddDepartment("Research");
  card.QEL_AddEmail(email);
  card.QEL_AddURL(url);
  card.QEL_AddNickname("Johnny");
  card.QEL_AddBday(7, 3, 1980);
  card.QEL_AddComment(note);
  card.QEL_EndPacking();

  std::cout << "wrote " << path << ":\n";
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::cout << text;
  return 0;
}
