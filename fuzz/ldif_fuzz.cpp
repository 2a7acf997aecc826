// The LDIF reader of kwvcard import. The first input byte chooses:
// - even: the rest is an LDIF file; reading its records and mapping each must
//   end in contacts or in one structural error, with no crash or sanitizer
//   report;
// - odd: the rest gives a record's cn, mail and description (NUL-separated)
//   and how its lines are folded and ended; the record written as LDIF, base64
//   where a value needs it, must read back to the same values and contact.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz.h"
#include "input/input.h"
#include "ldif/ldif_mapping.h"
#include "ldif/ldif_reader.h"
#include "plain_base64.h"

namespace {

using kwvcard::Prop;

using kwvtest::base64;

// "name: value", or "name:: base64" where LDIF wants it: a value that starts
// with a space, ':' or '<', ends with a space, or holds anything but
// printable ASCII.
std::string attribute(const std::string& name, const std::string& value) {
  const bool safe =
      std::all_of(value.begin(), value.end(), [](char c) { return c >= 0x20 && c < 0x7F; }) &&
      (value.empty() ||
       (value[0] != ' ' && value[0] != ':' && value[0] != '<' && value.back() != ' '));
  return safe ? name + ": " + value : name + ":: " + base64(value);
}

// `line` folded every `width` bytes, ended with `end`.
std::string folded(const std::string& line, std::size_t width, const char* end) {
  std::string out;
  for (std::size_t at = 0; at < line.size(); at += width)
    out += (at > 0 ? std::string(end) + " " : "") + line.substr(at, width);
  return out + end;
}

std::string first(const kwvcard::Contact& contact, Prop prop) {
  for (const kwvcard::Value& v : contact.values) {
    if (v.prop == prop) return v.parts[0];
  }
  return "";
}

void round_trip(const std::uint8_t* p, const std::uint8_t* end) {
  const std::size_t width = p < end ? 1 + *p % 80 : 76;
  const char* line_end = p < end && *p++ >= 128 ? "\r\n" : "\n";
  std::vector<std::string> v;  // cn, mail, description: UTF-8, no NUL
  while (v.size() < 3) {
    const std::uint8_t* nul = std::find(p, end, 0);
    std::string text(p, nul);
    text.resize(kwvcard::valid_utf8_prefix(text));
    v.push_back(text);
    p = nul == end ? end : nul + 1;
  }
  const std::string text = "# written by ldif_fuzz" + std::string(line_end) +
                           folded(attribute("dn", "cn=" + v[0]), width, line_end) +
                           folded(attribute("cn", v[0]), width, line_end) +
                           folded(attribute("mail", v[1]), width, line_end) +
                           folded(attribute("description", v[2]), width, line_end) + line_end;
  kwvcard::LdifReader reader(text, "fuzz.ldif");
  kwvcard::LdifRecord record;
  kwvfuzz::check(reader.next(record) && record.values.size() == 4, "a record read back", "4",
                 std::to_string(record.values.size()));
  for (std::size_t i = 0; i < 3; ++i)
    kwvfuzz::check(record.values[i + 1].value == v[i], "value read back", v[i],
                   record.values[i + 1].value);
  const kwvcard::Contact contact = kwvcard::to_contact(record);
  kwvfuzz::check(!reader.next(record), "one record", "", "");
  const Prop props[] = {Prop::Name, Prop::Email, Prop::Note};
  for (std::size_t i = 0; i < 3; ++i)
    kwvfuzz::check(first(contact, props[i]) == v[i], "contact value", v[i],
                   first(contact, props[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] % 2 == 1) {
    round_trip(data + 1, data + size);
    return 0;
  }
  const std::string text(data + 1, data + size);
  try {
    kwvcard::LdifReader reader(text, "fuzz.ldif");
    kwvcard::UnusedAttributes unused;
    for (kwvcard::LdifRecord record; reader.next(record);) {
      kwvcard::to_contact(record);
      unused.add(record);
    }
    unused.messages();
  } catch (const std::runtime_error&) {
    // A structural error: the import stops with it.
  }
  return 0;
}
