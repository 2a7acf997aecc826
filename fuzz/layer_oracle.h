// The card fuzz input also drives kwv::Card (KwvCard.hpp): each operation byte
// picks a layer operation and its values, or a setting (charset, language,
// encoding). The oracle predicts, from the rules in KwvCard.hpp alone, the
// bytes of each value in the card's charset (each character converted alone
// with iconv, '?' for what the charset lacks and for each maximal ill-formed
// UTF-8 subsequence) and their quoted-printable form, whether each call is
// accepted (no NUL; no CR or LF unless encoded; the line fits its capacity;
// the components fit their property) and how many characters it replaced;
// then it reads the file back with a small reader: every accepted call must
// come back as one property with the same name, parameters and bytes, and a
// refused call as nothing.
#ifndef KWVCARD_FUZZ_LAYER_ORACLE_H
#define KWVCARD_FUZZ_LAYER_ORACLE_H

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
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

// The properties of a card file: header, trailer and base64 bodies skipped;
// a quoted-printable value keeps its soft line breaks.
inline std::vector<Property> read_back(const std::string& card) {
  std::vector<Property> out;
  for (std::size_t pos = 0; pos < card.size();) {
    std::size_t end = card.find("\r\n", pos);
    if (end == std::string::npos) end = card.size();
    const bool qp = card.compare(pos, end - pos, "ENCODING=QUOTED-PRINTABLE") != 0 &&
                    card.substr(pos, end - pos).find(";ENCODING=QUOTED-PRINTABLE") <
                        card.substr(pos, end - pos).find(':');
    while (qp && end > pos && card[end - 1] == '=' && end + 2 < card.size())
      end = std::min(card.find("\r\n", end + 2), card.size());
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

// The length of the UTF-8 character at `at`, or of the longest start of one
// (at least 1), and whether it is a whole character.
inline std::size_t utf8_piece(const std::string& s, std::size_t at, bool& whole) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(at);
  std::size_t want = 1;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) want = 2;
  if (c >= 0xE0 && c <= 0xEF) want = 3, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
  if (c >= 0xF0 && c <= 0xF4) want = 4, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
  std::size_t n = 1;
  while (n < want && at + n < s.size() &&
         (n == 1 ? b(at + 1) >= lo && b(at + 1) <= hi : (b(at + n) & 0xC0) == 0x80))
    ++n;
  whole = c < 0x80 || n == want;
  return n;
}

// A value in the card's charset: its bytes, for each byte whether it belongs to
// a character outside ASCII, and how many characters became '?'.
struct Converted {
  std::string bytes;
  std::vector<bool> inside;
  std::size_t replaced = 0;
};

// iconv descriptors from UTF-8, one per charset, closed with their owner.
struct Descriptors {
  std::map<std::string, iconv_t> open;
  iconv_t operator[](const std::string& charset) {
    auto [at, added] = open.emplace(charset, iconv_t{});
    if (added) at->second = iconv_open(charset.c_str(), "UTF-8");
    return at->second;
  }
  ~Descriptors() {
    for (auto& [name, cd] : open) {
      if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
  }
};

inline Converted convert(const std::string& v, const std::string& charset,
                         Descriptors& descriptors) {
  Converted out;
  const bool utf8 = charset == "UTF-8" || charset == "utf-8";
  const iconv_t cd = utf8 || charset == "ASCII" ? iconv_t{} : descriptors[charset];
  for (std::size_t at = 0; at < v.size();) {
    bool whole = true;
    const std::size_t n = utf8_piece(v, at, whole);
    std::string piece = v.substr(at, n);
    at += n;
    if (static_cast<unsigned char>(piece[0]) >= 0x80 && !utf8) {
      char buf[16], *from = piece.data(), *to = buf;
      std::size_t from_left = piece.size(), to_left = sizeof buf;
      const bool done = whole && charset != "ASCII" &&
                        iconv(cd, &from, &from_left, &to, &to_left) != std::size_t(-1);
      piece = done ? std::string(buf, to) : "?";
      out.replaced += !done;
      out.inside.insert(out.inside.end(), piece.size(), done);
    } else {
      out.inside.insert(out.inside.end(), piece.size(),
                        static_cast<unsigned char>(piece[0]) >= 0x80);
    }
    out.bytes += piece;
  }
  return out;
}

// Components joined as a line holds them: ';' inside one escaped as "\;",
// quoted-printable with soft breaks when `qp` (see KwvCard.hpp). Returns the
// value and the size of each component as written.
inline std::string compose(const std::vector<Converted>& parts, bool structured, bool qp,
                           std::vector<std::size_t>& sizes) {
  // Each part a list of tokens, and the separator after each part but the last.
  std::vector<std::string> tokens;
  std::vector<std::size_t> part_of;
  std::vector<bool> separator;
  const auto add = [&](std::string t, std::size_t part, bool sep) {
    tokens.push_back(std::move(t)), part_of.push_back(part), separator.push_back(sep);
  };
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& b = parts[i].bytes;
    for (std::size_t k = 0; k < b.size(); ++k) {
      const auto c = static_cast<unsigned char>(b[k]);
      const bool inside = parts[i].inside[k];
      char hex[4];
      std::snprintf(hex, sizeof hex, "=%02X", c);
      std::string t(1, b[k]);
      if (structured && c == ';' && !inside) {
        t = "\\;";
      } else if (qp && (c == '\r' || c == '\n')) {
        if (c == '\r' && k + 1 < b.size() && b[k + 1] == '\n') ++k;
        add("=0D", i, false);
        t = "=0A";
      } else if (qp && (inside || c < 0x20 || c > 0x7E || c == '=')) {
        t = hex;
      } else if (qp && c == ' ') {
        const bool at_end = i + 1 == parts.size() && k + 1 == b.size();
        const bool before_break = k + 1 < b.size() && (b[k + 1] == '\r' || b[k + 1] == '\n');
        if (at_end || before_break) t = hex;
      }
      add(t, i, false);
    }
    if (i + 1 < parts.size()) add(";", i, true);
  }
  std::string value;
  sizes.assign(parts.size(), 0);
  std::size_t column = 0;
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    const bool last = t + 1 == tokens.size();
    const std::size_t size = tokens[t].size();
    std::string token = tokens[t];
    if (qp && column + size > 75 && !(last && column + size <= 76)) {
      value += "=\r\n", column = 0, sizes[part_of[t]] += 3;
      if (token == " ") token = "=20";  // no line begins with a space
    }
    value += token, column += token.size();
    if (!separator[t]) sizes[part_of[t]] += token.size();
  }
  return value;
}

inline void layer_round_trip(const std::uint8_t* p, const std::uint8_t* end,
                             const std::string& path) {
  static const char* const kCharsets[] = {"UTF-8", "ASCII",  "ISO-8859-1",
                                          "utf-8", "GB2312", "SHIFT_JIS"};
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
  enum { kEncoding = kPad + 1, kClose, kOps };

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
  auto has_break = [](const std::string& v) {
    return v.find_first_of("\r\n") != std::string::npos;
  };

  std::string charset = "UTF-8", lang = "en-US";
  bool open = true, qp_mode = false;
  Descriptors descriptors;
  std::vector<Property> want;
  kwv::Card card(path);
  while (p < end) {
    const int op = byte() % kOps;
    const bool gb2312 = charset == "GB2312";
    // The parameters of a line that is not encoded, and of one that is.
    const std::string cs = charset == "ASCII" ? "" : ";CHARSET=" + charset;
    const std::string lg = lang == "en-US" ? "" : ";LANGUAGE=" + lang;
    const std::string qp_cs = ";CHARSET=" + charset + ";ENCODING=QUOTED-PRINTABLE";
    bool accept = open, got = false;
    std::size_t replaced = 0;
    Property prop;
    // Converts `v` (components of a structured property when `structured`),
    // decides whether the line is encoded, and composes the value; `sizes`
    // gets each component's size as written, `length` the value's size as the
    // line's capacity counts it (before the library's GB2312 conversion).
    std::vector<std::size_t> sizes;
    std::size_t length = 0;
    bool qp = false;
    auto value = [&](const std::vector<std::string>& v, bool structured, bool encodable) {
      std::vector<Converted> c;
      for (const std::string& part : v) {
        c.push_back(convert(part, charset, descriptors));
        replaced += c.back().replaced;
        accept &= (qp_mode && encodable) || !has_break(part);
      }
      qp = false;
      for (const Converted& part : c) {
        for (const char b : part.bytes)
          qp |= qp_mode && encodable &&
                (static_cast<unsigned char>(b) < 0x20 || static_cast<unsigned char>(b) > 0x7E);
      }
      const std::string written = compose(c, structured, qp, sizes);
      length = written.size();
      if (gb2312 && !qp) {  // the library converts the line composed in UTF-8
        std::vector<Converted> as_given;
        for (const std::string& part : v)
          as_given.push_back({part, std::vector<bool>(part.size(), false), 0});
        std::vector<std::size_t> utf8_sizes;
        length = compose(as_given, structured, false, utf8_sizes).size();
        sizes = utf8_sizes;
      }
      return written;
    };
    if (op < kName) {
      const std::string given = text();
      const std::string v = value({given}, false, true);
      prop = {kTexts[op].name + (qp ? qp_cs : cs) + lg + (op == 12 ? ";INTERNET" : ""), {v}};
      accept &= prop.head.size() + 1 + length + 2 < kTexts[op].capacity;
      got = (card.*kTexts[op].op)(given);
    } else if (op == kName || op == kOrg || op == kAdrOp) {
      const std::size_t most = op == kName ? 5 : op == kOrg ? 3 : 7;
      const std::size_t n = op == kAdrOp ? 7 : byte() % (most + 2);
      const unsigned types = op == kAdrOp ? byte() : 0;
      std::vector<std::string> v;
      for (std::size_t i = 0; i < n; ++i) v.push_back(text());
      std::vector<std::string_view> views(v.begin(), v.end());
      views.resize(std::max<std::size_t>(n, 7));
      std::string list;
      kwv::Types<kwv::Adr> adr;
      for (std::size_t i = 0; i < 6; ++i) {
        if (types >> i & 1)
          adr.add(static_cast<kwv::Adr>(i)), list += std::string(";") + kwv::kAdrNames[i];
      }
      for (std::size_t i = 0; i < n; ++i)
        accept &= i + 1 == n || v[i].empty() || v[i].back() != '\\';
      accept &= n <= most;
      const std::string joined = value(n == 0 ? std::vector<std::string>{""} : v, true, true);
      for (const std::size_t size : sizes) accept &= op != kAdrOp || size <= 285;
      const char* name = op == kName ? "N" : op == kOrg ? "ORG" : "ADR";
      prop = {name + (qp ? qp_cs : cs) + lg + list, components(joined)};
      accept &= prop.head.size() + 1 + length + 2 < (op == kName ? 200u : 800u) || op == kAdrOp;
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
      const std::string given = text();
      kwv::Types<kwv::Tel> tel;
      std::string list;
      for (std::size_t i = 0; i < 14; ++i) {
        if (types >> i & 1)
          tel.add(static_cast<kwv::Tel>(i)), list += std::string(";") + kwv::kTelNames[i];
      }
      const std::string v = value({given}, false, false);
      prop = {"TEL" + list, {v}};
      accept &= prop.head.size() + 1 + length + 2 < 100;
      got = card.tel(given, tel);
    } else if (op == kBday) {
      const int y = byte() * 40, m = byte() % 14, d = byte() % 33;
      char date[16];
      std::snprintf(date, sizeof date, "%04d-%02d-%02d", y, m, d);
      prop = {"BDAY", {date}};
      accept &= y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= 31;
      got = card.birthday(y, m, d);
    } else if (op == kPhotoUrl || op == kSoundUrl) {
      const std::string given = text();
      const std::string v = value({given}, false, true);
      prop = {(op == kPhotoUrl ? "PHOTO;VALUE=URL" : "SOUND;VALUE=URL") + (qp ? qp_cs : cs) + lg,
              {v}};
      accept &= prop.head.size() - 12 + 1 + length + 2 < 800;  // counted from "URL"
      got = op == kPhotoUrl ? card.photo_url(given) : card.sound_url(given);
    } else if (op == kCharset || op == kLang) {
      const std::string v = op == kCharset ? kCharsets[byte() % 6] : kLangs[byte() % 4];
      (op == kCharset ? charset : lang) = v;
      check(op == kCharset ? card.charset(v) : card.language(v), "setting refused", v, "");
      continue;
    } else if (op == kEncoding) {
      qp_mode = byte() % 2 == 1;
      check(card.encoding(qp_mode ? kwv::Encoding::QuotedPrintable : kwv::Encoding::EightBit),
            "encoding refused", "", "");
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
    check(card.replaced() == (got && op != kBday ? replaced : 0), "replaced (want, got)",
          std::to_string(got ? replaced : 0), std::to_string(card.replaced()));
    if (got) want.push_back(prop);
  }
  card.close();
  const std::vector<Property> back = read_back(read_file(path));
  // The first property that differs, as its head and values.
  std::size_t i = 0;
  while (i < want.size() && i < back.size() && want[i] == back[i]) ++i;
  const auto show = [&](const std::vector<Property>& props) {
    if (i >= props.size()) return std::string("(none)");
    std::string out = props[i].head;
    for (const std::string& v : props[i].values) out += " | " + v;
    return out;
  };
  check(back == want, "read back (property, want, got)", show(want), show(back));
}

}  // namespace kwvfuzz

#endif
