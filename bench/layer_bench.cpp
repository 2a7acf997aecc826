// The C++ interface (KwvCard.hpp) against the raw calls it is built on, paired
// in one run (see paired.h): BM_LayerTypicalCard writes card_work.h's typical
// card (N, ORG, two typed TEL, EMAIL, TITLE, ADR, BDAY) to a file on tmpfs
// through kwv::Card, against the same card through KwvCard with values already
// in writable arrays. The ratio is what the layer's checks, copies and
// per-call types cost.
#include <benchmark/benchmark.h>

#include <string>

#include "KwvCard.hpp"
#include "card_work.h"
#include "paired.h"

namespace {

const std::string kShm = "/dev/shm/kwvcard-bench-";

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
  kwvbench::TypicalCard raw;
  kwvbench::paired(
      state, [&] { layer_card(ours_path); }, [&] { raw.write(base_path.data()); });
}
BENCHMARK(BM_LayerTypicalCard);

}  // namespace
