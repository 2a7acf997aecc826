// The vCard reader of kwvcard import. The first input byte chooses:
// - even: the rest is a vCard file; reading it and mapping each card must end
//   in cards or in one structural error, with no crash or sanitizer report;
// - odd: the rest gives a contact's values (NUL-separated), written through
//   kwv::Card as a card, quoted-printable (line breaks kept) when the second
//   byte is odd; reading that card back must give the same values.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "KwvCard.hpp"
#include "fuzz.h"
#include "input/input.h"
#include "vcard/vcard_mapping.h"
#include "vcard/vcard_reader.h"

namespace {

using kwvcard::Prop;

std::vector<kwvcard::Contact> read_cards(const std::string& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(
      fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb"), std::fclose);
  std::vector<kwvcard::Contact> contacts;
  if (!in || bytes.empty()) return contacts;
  kwvcard::VcardReader reader(in.get(), "fuzz.vcf", "");
  for (kwvcard::Card card; reader.next(card);) contacts.push_back(kwvcard::to_contact(card));
  return contacts;
}

// A value the card holds as written and the reader gives back unchanged:
// valid UTF-8 without control characters (but line breaks, with `breaks`) or
// backslashes (which a reader takes as escapes), cut to `most` bytes.
std::string clean(std::string v, std::size_t most, bool breaks) {
  v.erase(std::remove_if(v.begin(), v.end(),
                         [&](char c) {
                           if (breaks && (c == '\r' || c == '\n')) return false;
                           return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '\\';
                         }),
          v.end());
  v.resize(std::min(v.size(), most));
  v.resize(kwvcard::valid_utf8_prefix(v));
  return v;
}

// `text` with each line break (CR LF, CR or LF) as LF.
std::string breaks_as_lf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' ? '\n' : text[i];
  }
  return out;
}

// The parts of `contact`'s first value of `prop`, trailing empty ones left off.
std::vector<std::string> parts_of(const kwvcard::Contact& contact, Prop prop) {
  for (const kwvcard::Value& v : contact.values) {
    if (v.prop != prop) continue;
    std::vector<std::string> parts = v.parts;
    for (std::string& part : parts) part = breaks_as_lf(part);
    while (!parts.empty() && parts.back().empty()) parts.pop_back();
    return parts;
  }
  return {};
}

void round_trip(const std::uint8_t* p, const std::uint8_t* end, const std::string& path) {
  const bool qp = p < end && *p++ % 2 == 1;
  std::vector<std::string> v;
  while (v.size() < 12) {
    const std::uint8_t* nul = std::find(p, end, 0);
    v.push_back(clean(std::string(p, nul), 120, qp && v.size() != 9));  // not in TEL
    p = nul == end ? end : nul + 1;
  }
  bool written[6];  // what the card took: only that can come back
  {
    kwv::Card card(path);
    card.encoding(qp ? kwv::Encoding::QuotedPrintable : kwv::Encoding::EightBit);
    kwv::Address a;
    a.street = v[10];
    a.city = v[11];
    written[0] = card.name({v[0], v[1], v[2], v[3], v[4]});
    written[1] = card.org({v[5], v[6]});
    written[2] = card.title(v[7]);
    written[3] = card.note(v[8]);
    written[4] = card.tel(v[9], {kwv::Tel::Cell});
    written[5] = card.address(a, {kwv::Adr::Home});
  }
  const std::vector<kwvcard::Contact> back = read_cards(kwvfuzz::read_file(path));
  kwvfuzz::check(back.size() == 1, "cards read back", "1", std::to_string(back.size()));
  std::size_t i = 0;
  auto trimmed = [&](std::vector<std::string> parts) {
    for (std::string& part : parts) part = breaks_as_lf(part);
    while (!parts.empty() && parts.back().empty()) parts.pop_back();
    return written[i++] ? parts : std::vector<std::string>{};
  };
  const struct {
    Prop prop;
    std::vector<std::string> want;
  } kExpected[] = {
      {Prop::Name, trimmed({v[0], v[1], v[2], v[3], v[4]})},
      {Prop::Org, trimmed({v[5], v[6]})},
      {Prop::Title, trimmed({v[7]})},
      {Prop::Note, trimmed({v[8]})},
      {Prop::Tel, trimmed({strncasecmp(v[9].c_str(), "tel:", 4) == 0 ? v[9].substr(4) : v[9]})},
      {Prop::Address, trimmed({"", "", v[10], v[11]})},
  };
  for (const auto& e : kExpected) {
    const std::vector<std::string> got = parts_of(back[0], e.prop);
    std::string want_text, got_text;
    for (const auto& s : e.want) want_text += s + "|";
    for (const auto& s : got) got_text += s + "|";
    kwvfuzz::check(got == e.want, "value read back", want_text, got_text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = kwvfuzz::scratch_dir() + "/card.vcf";
  if (size == 0) return 0;
  if (data[0] % 2 == 1) {
    round_trip(data + 1, data + size, path);
    return 0;
  }
  try {
    read_cards(std::string(data + 1, data + size));
  } catch (const std::runtime_error&) {
    // A structural error: the import stops with it.
  }
  return 0;
}
