// The C++ interface (KwvCard.hpp) against the raw calls it is built on, paired
// in one run (see paired.h): BM_LayerTypicalCard writes a typical card (N, ORG,
// two typed TEL, EMAIL, TITLE, ADR, BDAY) to a file on tmpfs through kwv::Card,
// against the same card through KwvCard with values already in writable
// arrays. The ratio is what the layer's checks, copies and per-call types cost.
#include <benchmark/benchmark.h>

#include <string>

#include "KwvCard.h"
#include "KwvCard.hpp"
#include "paired.h"

namespace {

const std::string kShm = "/dev/shm/kwvcard-bench-";

// The raw API takes writable text: the card's values, kept in arrays.
struct Raw {
  char two[2] = "2", three[2] = "3", seven[2] = "7";
  char family[4] = "Doe", given[5] = "John";
  char company[13] = "Example Corp", division[9] = "Research", unit[9] = "Contacts";
  char empty[1] = "", street[14] = "1 Main Street", city[12] = "Springfield", region[3] = "IL",
       code[6] = "62701", country[4] = "USA";
  char work_phone[16] = "+1-217-555-0100", cell_phone[16] = "+1-217-555-0199";
  char cell[5] = "cell", work[5] = "work";
  char email[21] = "john.doe@example.org", title[16] = "Senior Engineer";
};

void raw_card(char* path, Raw& c) {
  KwvCard card(path);
  card.QEL_AddName(c.two, c.family, c.given);
  card.QEL_AddOrg(c.three, c.company, c.division, c.unit);
  card.QEL_AddTel(c.work_phone);
  card.QEL_SetTelType(c.cell);
  card.QEL_ResetTelType(c.work);
  card.QEL_AddTel(c.cell_phone);
  card.QEL_AddEmail(c.email);
  card.QEL_AddTitle(c.title);
  card.QEL_AddAddress(c.seven, c.empty, c.empty, c.street, c.city, c.region, c.code, c.country);
  card.QEL_AddBday(7, 3, 1980);
  card.QEL_EndPacking();
}

void layer_card(const std::string& path) {
  kwv::Card card(path);
  card.name({"Doe", "John"});
  card.org({"Example Corp", "Research", "Contacts"});
  card.tel("+1-217-555-0100", {kwv::Tel::Work});
  card.tel("+1-217-555-0199", {kwv::Tel::Cell});
  card.email("john.doe@example.org");
  card.title("Senior Engineer");
  kwv::Address work;
  work.street = "1 Main Street";
  work.city = "Springfield";
  work.region = "IL";
  work.postal_code = "62701";
  work.country = "USA";
  card.address(work, {kwv::Adr::Work});
  card.birthday(1980, 3, 7);
  card.close();
}

void BM_LayerTypicalCard(benchmark::State& state) {
  std::string ours_path = kShm + "layer.vcf", base_path = kShm + "raw.vcf";
  Raw raw;
  kwvbench::paired(
      state, [&] { layer_card(ours_path); }, [&] { raw_card(base_path.data(), raw); });
}
BENCHMARK(BM_LayerTypicalCard);

}  // namespace
