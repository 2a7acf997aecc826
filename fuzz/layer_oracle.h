// The card fuzz input also drives kwv::Card (KwvCard.hpp): each operation byte
// picks a layer operation and its values. The oracle predicts, from the rules
// in KwvCard.hpp alone, whether each call is accepted (no CR or LF, the line
// fits its capacity, the components fit their property), then reads the file
// back with a small reader: every accepted call must come back as one property
// with the same name, types and values, and a refused call as nothing.
#ifndef KWVCARD_FUZZ_LAYER_ORACLE_H
#define KWVCARD_FUZZ_LAYER_ORACLE_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "KwvCard.hpp"
#include "fuzz.h"

namespace kwvfuzz {

struct Property {
  std::string head;                 // name and parameters, as written before ':'
  std::vector<std::string> values;  // the value, or its components
  bool operator==(const Property& o) const { return head == o.head && values == o.values; }
};

// Splits a structured value at each ';' not escaped as "\;", and undoes "\;".
inline std::vector<std::string> components(const std::string& value) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
      out.back() += ';', ++i;
    } else if (value[i] == ';') {
      out.emplace_back();
    } else {
      out.back() += value[i];
    }
  }
  return out;
}

// The properties of a card file: header, trailer and base64 bodies skipped.
inline std::vector<Property> read_back(const std::string& card) {
  std::vector<Property> out;
  for (std::size_t pos = 0; pos < card.size();) {
    std::size_t end = card.find("\r\n", pos);
    if (end == std::string::npos) end = card.size();
    const std::string line = card.substr(pos, end - pos);
    pos = end + 2;
    const std::size_t colon = line.find(':');
    if (line.compare(0, 4, "    ") == 0 || colon == std::string::npos) continue;
    const std::string head = line.substr(0, colon), value = line.substr(colon + 1);
    if (head == "BEGIN" || head == "VERSION" || head == "END") continue;
    const bool structured = head == "N" || head.compare(0, 2, "N;") == 0 ||
                            head.compare(0, 3, "ORG") == 0 || head.compare(0, 3, "ADR") == 0;
    out.push_back({head, structured ? components(value) : std::vector<std::string>{value}});
  }
  return out;
}

inline void layer_round_trip(const std::uint8_t* p, const std::uint8_t* end,
                             const std::string& path) {
  static const char* const kCharsets[] = {"UTF-8", "ASCII", "ISO-8859-1", "utf-8"};
  static const char* const kLangs[] = {"en-US", "de", "zh-CN", "en-us"};
  using Text = bool (kwv::Card::*)(std::string_view);
  static const struct {
    const char* name;
    std::size_t capacity;
    Text op;
  } kTexts[] = {{"TITLE", 800, &kwv::Card::title},
                {"NOTE", 1600, &kwv::Card::note},
                {"URL", 800, &kwv::Card::url},
                {"ROLE", 500, &kwv::Card::role},
                {"IM", 500, &kwv::Card::im},
                {"DEPARTMENT", 800, &kwv::Card::department},
                {"X-ZEB-ANNIVERSARY", 800, &kwv::Card::anniversary},
                {"X-ZEB-SPOUSE", 800, &kwv::Card::spouse},
                {"X-ZEB-CHILD", 800, &kwv::Card::children},
                {"X-ZEB-NICKNAME", 800, &kwv::Card::nickname},
                {"X-ZEB-MANAGER", 800, &kwv::Card::manager},
                {"X-ZEB-ASSISTANT", 800, &kwv::Card::assistant},
                {"EMAIL", 800, &kwv::Card::email}};
  enum { kName = 13, kOrg, kAdrOp, kTelOp, kBday, kPhotoUrl, kSoundUrl, kCharset, kLang, kPad };
  enum { kClose = kPad + 1, kOps };

  std::size_t pad = 0;
  auto byte = [&] { return p < end ? *p++ : std::uint8_t{0}; };
  auto text = [&] {
    const std::uint8_t* nul = std::find(p, end, 0);
    std::string t(p, nul);
    p = nul == end ? end : nul + 1;
    for (const std::string unit = t.empty() ? "x" : t; t.size() < pad;) t += unit;
    if (pad) t.resize(pad);
    pad = 0;
    return t;
  };
  auto whole = [](const std::string& v) { return v.find_first_of("\r\n") == std::string::npos; };
  auto escaped = [](const std::string& v) {
    return v.size() + static_cast<std::size_t>(std::count(v.begin(), v.end(), ';'));
  };

  std::string charset = "UTF-8", lang = "en-US";
  bool open = true;
  std::vector<Property> want;
  kwv::Card card(path);
  while (p < end) {
    const int op = byte() % kOps;
    const std::string params = (charset == "ASCII" ? "" : ";CHARSET=" + charset) +
                               (lang == "en-US" ? "" : ";LANGUAGE=" + lang);
    bool accept = open, got = false;
    Property prop;
    if (op < kName) {
      const std::string v = text();
      prop = {kTexts[op].name + params + (op == 12 ? ";INTERNET" : ""), {v}};
      accept &= whole(v) && prop.head.size() + 1 + v.size() + 2 < kTexts[op].capacity;
      got = (card.*kTexts[op].op)(v);
    } else if (op == kName || op == kOrg || op == kAdrOp) {
      const std::size_t most = op == kName ? 5 : op == kOrg ? 3 : 7;
      const std::size_t n = op == kAdrOp ? 7 : byte() % (most + 2);
      const unsigned types = op == kAdrOp ? byte() : 0;
      std::vector<std::string> v;
      for (std::size_t i = 0; i < n; ++i) v.push_back(text());
      std::vector<std::string_view> views(v.begin(), v.end());
      views.resize(std::max<std::size_t>(n, 7));
      std::string list, joined;
      kwv::Types<kwv::Adr> adr;
      for (std::size_t i = 0; i < 6; ++i) {
        if (types >> i & 1)
          adr.add(static_cast<kwv::Adr>(i)), list += std::string(";") + kwv::kAdrNames[i];
      }
      for (std::size_t i = 0; i < n; ++i) {
        accept &= whole(v[i]) && (i + 1 == n || v[i].empty() || v[i].back() != '\\');
        accept &= op != kAdrOp || escaped(v[i]) <= 285;
        joined += (i ? ";" : "") +
                  std::string(v[i].size() + std::count(v[i].begin(), v[i].end(), ';'), 'x');
      }
      accept &= n <= most;
      const char* name = op == kName ? "N" : op == kOrg ? "ORG" : "ADR";
      prop = {name + params + list, n == 0 ? std::vector<std::string>{""} : v};
      accept &=
          prop.head.size() + 1 + joined.size() + 2 < (op == kName ? 200u : 800u) || op == kAdrOp;
      if (op == kAdrOp) {
        const kwv::Address a{views[0], views[1], views[2], views[3], views[4], views[5], views[6]};
        got = card.address(a, adr);
      } else {
        const auto& w = views;  // the call with exactly n components
        const bool name = op == kName;
        switch (n) {
          case 0:
            got = name ? card.name({}) : card.org({});
            break;
          case 1:
            got = name ? card.name({w[0]}) : card.org({w[0]});
            break;
          case 2:
            got = name ? card.name({w[0], w[1]}) : card.org({w[0], w[1]});
            break;
          case 3:
            got = name ? card.name({w[0], w[1], w[2]}) : card.org({w[0], w[1], w[2]});
            break;
          case 4:
            got = name ? card.name({w[0], w[1], w[2], w[3]}) : card.org({w[0], w[1], w[2], w[3]});
            break;
          case 5:
            got = card.name({w[0], w[1], w[2], w[3], w[4]});
            break;
          default:
            got = card.name({w[0], w[1], w[2], w[3], w[4], w[5]});
            break;
        }
      }
    } else if (op == kTelOp) {
      const unsigned types = byte() | byte() << 8;
      const std::string v = text();
      kwv::Types<kwv::Tel> tel;
      std::string list;
      for (std::size_t i = 0; i < 14; ++i) {
        if (types >> i & 1)
          tel.add(static_cast<kwv::Tel>(i)), list += std::string(";") + kwv::kTelNames[i];
      }
      prop = {"TEL" + list, {v}};
      accept &= whole(v) && prop.head.size() + 1 + v.size() + 2 < 100;
      got = card.tel(v, tel);
    } else if (op == kBday) {
      const int y = byte() * 40, m = byte() % 14, d = byte() % 33;
      char date[16];
      std::snprintf(date, sizeof date, "%04d-%02d-%02d", y, m, d);
      prop = {"BDAY", {date}};
      accept &= y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= 31;
      got = card.birthday(y, m, d);
    } else if (op == kPhotoUrl || op == kSoundUrl) {
      const std::string v = text();
      prop = {(op == kPhotoUrl ? "PHOTO;VALUE=URL" : "SOUND;VALUE=URL") + params, {v}};
      accept &= whole(v) && 3 + params.size() + 1 + v.size() + 2 < 800;
      got = op == kPhotoUrl ? card.photo_url(v) : card.sound_url(v);
    } else if (op == kCharset || op == kLang) {
      const std::string v = op == kCharset ? kCharsets[byte() % 4] : kLangs[byte() % 4];
      (op == kCharset ? charset : lang) = v;
      check(op == kCharset ? card.charset(v) : card.language(v), "setting refused", v, "");
      continue;
    } else if (op == kPad) {
      pad = (byte() << 8 | byte()) % 3000;
      continue;
    } else {
      check(card.close() == open, "close", open ? "1" : "0", "");
      open = false;
      continue;
    }
    check(got == accept, "accepted (want, got), then the property", accept ? "1" : "0",
          (got ? "1 " : "0 ") + prop.head + (prop.values.empty() ? "" : ":" + prop.values[0]));
    if (got) want.push_back(prop);
  }
  card.close();
  const std::vector<Property> back = read_back(read_file(path));
  check(back == want, "read back", std::to_string(want.size()), std::to_string(back.size()));
}

}  // namespace kwvfuzz

#endif
