// KwvCard against libvformat (Debian's libvformat-dev), a peer users might
// otherwise pick, each pair measured alternately in one run (see paired.h):
// - BM_CardVsVformat: one typical card written to a file on tmpfs;
// - BM_AttachVsVformat/<bytes>: a card carrying a photo of random bytes,
//   inlined as base64; counters ours_MBps and base_MBps give media megabytes
//   (10^6 bytes) per second for each side.
//
// Both sides write the same properties in the same order; the typical card
// comes out byte for byte the same, the photo card does not. libvformat:
// - keeps the card as an object model on the heap, built property by property,
//   and writes it with vf_write_file, which opens the file itself;
// - writes properties in the reverse of their insertion order, so the baseline
//   adds them last to first;
// - has no VERSION of its own: it is added as an ordinary property;
// - writes a photo as `PHOTO;TYPE=JPEG;BASE64:` CR LF and then the body in lines
//   of 64 characters, each indented by four spaces, followed by an empty line;
//   KwvCard writes `PHOTO;ENCODING=BASE64;TYPE=JPEG:` with 75 characters on
//   the header line and on every continuation line.
// The text values carry the same CHARSET=UTF-8 parameter on both sides (as a
// qualifier name string in libvformat) and the types of TEL, EMAIL and ADR
// (the second TEL is CELL alone: KwvCard turns WORK off for it).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>

#include "KwvCard.h"
#include "paired.h"

// The C header declares its functions extern "C" itself, after including
// <stdarg.h> and <time.h>, so it is not wrapped again (CMake adds its directory
// as a SYSTEM one). NORCSID drops its unused version string; HAVE_INTTYPES_H
// takes the fixed-width types from <inttypes.h> instead of its own typedefs.
// Included last: it redefines NULL as 0.
#define NORCSID 1
#define HAVE_INTTYPES_H 1
#include <vf_iface.h>

namespace {

// Terminates vf_get_property's variadic qualifier list: it must be a null
// pointer, not the header's NULL (an int 0).
const char* const kEnd = nullptr;

std::string shm_path(const std::string& name) {
  return "/dev/shm/kwvcard-vformat-" + std::to_string(::getpid()) + "-" + name;
}

// ---- The typical card ---------------------------------------------------------

char kTwo[] = "2";
char kThree[] = "3";
char kSeven[] = "7";
char kFamily[] = "Doe";
char kGiven[] = "John";
char kOrg[] = "Example Corporation";
char kOrgUnit[] = "Research and Development";
char kOrgUnit2[] = "Contacts";
char kWorkTel[] = "+1 555 0100";
char kCellTel[] = "+1 555 0199";
char kEmail[] = "john.doe@example.com";
char kTitle[] = "Senior Engineer, Contacts and Calendars";
char kPoBox[] = "";
char kExtended[] = "Suite 100";
char kStreet[] = "1 Main Street";
char kCity[] = "Springfield";
char kRegion[] = "IL";
char kPostcode[] = "62701";
char kCountry[] = "USA";
char kCell[] = "CELL";
char kWork[] = "WORK";

// BEGIN, VERSION, N, ORG, TEL;WORK, TEL;CELL, EMAIL, TITLE, ADR, BDAY, END.
void ours_card(char* path) {
  KwvCard card(path);
  card.QEL_AddName(kTwo, kFamily, kGiven);
  card.QEL_AddOrg(kThree, kOrg, kOrgUnit, kOrgUnit2);
  card.QEL_AddTel(kWorkTel);
  card.QEL_SetTelType(kCell);
  card.QEL_ResetTelType(kWork);
  card.QEL_AddTel(kCellTel);
  card.QEL_AddEmail(kEmail);
  card.QEL_AddTitle(kTitle);
  card.QEL_AddAddress(kSeven, kPoBox, kExtended, kStreet, kCity, kRegion, kPostcode, kCountry);
  card.QEL_AddBday(23, 4, 1980);
  card.QEL_EndPacking();
}

VF_PROP_T* append(VF_OBJECT_T* card, const char* name, const char* q1 = nullptr,
                  const char* q2 = nullptr) {
  VF_PROP_T* prop = nullptr;
  if (q1 == nullptr) {
    vf_get_property(&prop, card, VFGP_APPEND, nullptr, name, kEnd);
  } else if (q2 == nullptr) {
    vf_get_property(&prop, card, VFGP_APPEND, nullptr, name, q1, kEnd);
  } else {
    vf_get_property(&prop, card, VFGP_APPEND, nullptr, name, q1, q2, kEnd);
  }
  return prop;
}

void set_values(VF_PROP_T* prop, std::initializer_list<const char*> values) {
  std::uint32_t i = 0;
  for (const char* v : values) vf_set_prop_value_string(prop, i++, v);
}

// The same properties; added last to first, since libvformat writes them in
// reverse order of insertion.
bool base_card(const char* path) {
  VF_OBJECT_T* card = vf_create_object("VCARD", nullptr);
  if (card == nullptr) return false;
  set_values(append(card, "BDAY"), {"1980-04-23"});
  set_values(append(card, "ADR", "CHARSET=UTF-8", "WORK"),
             {kPoBox, kExtended, kStreet, kCity, kRegion, kPostcode, kCountry});
  set_values(append(card, "TITLE", "CHARSET=UTF-8"), {kTitle});
  set_values(append(card, "EMAIL", "CHARSET=UTF-8", "INTERNET"), {kEmail});
  set_values(append(card, "TEL", "CELL"), {kCellTel});
  set_values(append(card, "TEL", "WORK"), {kWorkTel});
  set_values(append(card, "ORG", "CHARSET=UTF-8"), {kOrg, kOrgUnit, kOrgUnit2});
  set_values(append(card, "N", "CHARSET=UTF-8"), {kFamily, kGiven});
  set_values(append(card, "VERSION"), {"2.1"});
  const bool ok = vf_write_file(path, card, FALSE);
  vf_delete_object(card, TRUE);
  return ok;
}

void BM_CardVsVformat(benchmark::State& state) {
  std::string ours_path = shm_path("card-ours.vcf");
  const std::string base_path = shm_path("card-base.vcf");
  bool ok = true;
  kwvbench::paired(
      state, [&] { ours_card(ours_path.data()); }, [&] { ok &= base_card(base_path.c_str()); });
  if (!ok) state.SkipWithError("libvformat could not write the card");
  std::remove(ours_path.c_str());
  std::remove(base_path.c_str());
}

// ---- A card with an inline photo ------------------------------------------------

std::string media_file(std::size_t n) {
  std::mt19937 rng(static_cast<unsigned>(n));
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  std::string path = shm_path("media-" + std::to_string(n) + ".bin");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return path;
  std::fwrite(bytes.data(), 1, n, f);
  std::fclose(f);
  return path;
}

bool ours_attach(char* path, char* media) {
  KwvCard card(path);
  char type[] = "jpeg";
  const bool ok = card.QEL_AttachPhoto(media, type) == 1;
  card.QEL_EndPacking();
  return ok;
}

// Reads the media file into fresh memory (as KwvCard does) and sets it as the
// photo's binary value; libvformat encodes it while writing. The value must be
// copied: with copy FALSE this libvformat (1.13) writes the PHOTO line with no
// body at all. vf_set_property_from_file writes the same bytes in about the
// same time.
bool base_attach(const char* path, const char* media) {
  std::FILE* in = std::fopen(media, "rb");
  if (in == nullptr) return false;
  std::fseek(in, 0, SEEK_END);
  const long size = std::ftell(in);
  std::fseek(in, 0, SEEK_SET);
  if (size < 0) {
    std::fclose(in);
    return false;
  }
  const auto n = static_cast<std::size_t>(size);
  std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[n]);
  const std::size_t got = std::fread(data.get(), 1, n, in);
  std::fclose(in);
  if (got != n) return false;

  VF_OBJECT_T* card = vf_create_object("VCARD", nullptr);
  if (card == nullptr) return false;
  const bool set = vf_set_prop_value_base64(append(card, "PHOTO", "TYPE=JPEG"), data.get(),
                                            static_cast<std::uint32_t>(n), TRUE);
  data.reset();
  set_values(append(card, "VERSION"), {"2.1"});
  const bool ok = set && vf_write_file(path, card, FALSE);
  vf_delete_object(card, TRUE);
  return ok;
}

void BM_AttachVsVformat(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::string media = media_file(n);
  std::string ours_path = shm_path("attach-ours.vcf");
  const std::string base_path = shm_path("attach-base.vcf");
  bool ours_ok = true, base_ok = true;
  kwvbench::paired(
      state, [&] { ours_ok &= ours_attach(ours_path.data(), media.data()); },
      [&] { base_ok &= base_attach(base_path.c_str(), media.c_str()); }, /*batch=*/1);
  if (!ours_ok) state.SkipWithError("KwvCard could not attach the photo");
  if (!base_ok) state.SkipWithError("libvformat could not write the photo card");
  // Media bytes per nanosecond times 1000 is 10^6 bytes per second.
  const double mega = static_cast<double>(n) * 1e3;
  state.counters["ours_MBps"] = mega / state.counters["ours_ns"].value;
  state.counters["base_MBps"] = mega / state.counters["base_ns"].value;
  std::remove(ours_path.c_str());
  std::remove(base_path.c_str());
  std::remove(media.c_str());
}

}  // namespace

BENCHMARK(BM_CardVsVformat);
BENCHMARK(BM_AttachVsVformat)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);
