// Card operations: the input is a sequence of operations on one card, each an
// operation byte and its arguments, texts NUL-terminated (the text "\xFF"
// stands for a null pointer). A model of the card's settings and type flags,
// written from KwvCard.h, predicts each operation's bytes and result; at the
// end the file must hold exactly the predicted bytes. The same input then drives
// the C++ interface (layer_oracle.h).
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

#include "KwvCard.h"
#include "fuzz.h"
#include "layer_oracle.h"

namespace {

#define ADD(f) [](KwvCard& c, char* v) { return c.f(v); }
const struct {
  const char* name;
  std::size_t capacity;
  int (*add)(KwvCard&, char*);
} kPlain[] = {{"TITLE", 800, ADD(QEL_AddTitle)},
              {"NOTE", 1600, ADD(QEL_AddComment)},
              {"URL", 800, ADD(QEL_AddURL)},
              {"ROLE", 500, ADD(QEL_AddBusCat)},
              {"IM", 500, ADD(QEL_AddIM)},
              {"DEPARTMENT", 800, ADD(QEL_AddDepartment)},
              {"X-ZEB-ANNIVERSARY", 800, ADD(QEL_AddAnniversary)},
              {"X-ZEB-SPOUSE", 800, ADD(QEL_AddSpouse)},
              {"X-ZEB-CHILD", 800, ADD(QEL_AddChildren)},
              {"X-ZEB-NICKNAME", 800, ADD(QEL_AddNickname)},
              {"X-ZEB-MANAGER", 800, ADD(QEL_AddManager)},
              {"X-ZEB-ASSISTANT", 800, ADD(QEL_AddAssistant)}};
const struct {
  const char* name;
  std::size_t capacity;
} kStructured[] = {{"N", 200}, {"ORG", 800}, {"ADR", 6000}};
enum { kEmail = 12, kEmailTyped, kTel, kRefPhoto, kRefSound, kName, kOrg, kAdr, kPhoto, kSound };
enum { kBday = kSound + 1, kCharset, kLang, kDefault, kTypes, kPad, kEnd, kOps };
// The address and telephone types in table order; WORK, on by default, is at 5 and 12.
const std::vector<std::string> kTypeNames[] = {
    {"DOM", "INTL", "POSTAL", "PARCEL", "HOME", "WORK"},
    {"PREF", "VOICE", "FAX", "MSG", "CELL", "PAGER", "BBS", "MODEM", "CAR", "ISDN", "VIDEO", "VOIP",
     "WORK", "HOME"}};
// Media files and their base64: RFC 4648 vectors, and n zero bytes, which are
// 4 * (n / 3) 'A's and "AA==" for one byte more.
const std::pair<std::string, std::string> kMedia[] = {
    {"", ""},
    {"f", "Zg=="},
    {"foobar", "Zm9vYmFy"},
    {std::string(57, '\0'), std::string(76, 'A')},
    {std::string(226, '\0'), std::string(300, 'A') + "AA=="}};

std::string folded(const std::string& text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size(); pos += 75)
    out += (pos ? "\r\n    " : "") + text.substr(pos, 75);
  return out + "\r\n";
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct Reader {
  const std::uint8_t *p, *end;
  std::size_t pad;  // when set, the next text is repeated or cut to this length
  std::vector<std::unique_ptr<char[]>> texts;

  std::uint8_t byte() { return p < end ? *p++ : 0; }
  // A writable copy in a heap block of exactly its size, so ASan sees over-reads.
  char* text() {
    const std::uint8_t* nul = std::find(p, end, 0);
    std::string t(p, nul);
    p = nul == end ? end : nul + 1;
    if (t == "\xFF") return nullptr;
    for (const std::string unit = t.empty() ? "x" : t; t.size() < pad;) t += unit;
    if (pad) t.resize(pad);
    pad = 0;
    texts.emplace_back(new char[t.size() + 1]);
    return static_cast<char*>(std::memcpy(texts.back().get(), t.c_str(), t.size() + 1));
  }
};

struct Model {
  std::string charset = "UTF-8", lang = "en-US";
  std::vector<bool> types[2];  // address, telephone
  bool open = true, exact = true;

  Model() { default_types(0), default_types(1); }
  void default_types(int set) {
    types[set].assign(kTypeNames[set].size(), false);
    types[set][set ? 12 : 5] = true;
  }
  std::string list(int set) const {
    std::string out;
    for (std::size_t i = 0; i < types[set].size(); ++i) {
      out += types[set][i] ? ";" + kTypeNames[set][i] : "";
    }
    return out;
  }
  std::string params() const {
    return (charset == "ASCII" ? "" : ";CHARSET=" + charset) +
           (lang == "en-US" ? "" : ";LANGUAGE=" + lang);
  }
  // What a line of `capacity` puts in the file (capacity 0: nothing).
  std::string line(const std::string& text, std::size_t capacity) {
    std::string out;
    if (!open || text.size() >= capacity) return out;
    if (strncasecmp(charset.c_str(), "GB2312", 6) != 0) return text;
    exact &= kwvfuzz::to_gb2312(text, out);
    return out;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::string dir = kwvfuzz::scratch_dir(), path = dir + "/card.vcf";
  static std::vector<std::string> media = [] {  // the fixtures, the directory, a missing file
    std::vector<std::string> paths;
    for (const auto& m : kMedia) {
      std::ofstream(paths.emplace_back(dir + "/" + std::to_string(paths.size())), std::ios::binary)
          << m.first;
    }
    paths.push_back(dir), paths.push_back(dir + "/none");
    return paths;
  }();
  Reader in{data, data + size, 0, {}};
  Model m;
  KwvCard card(path.data());
  std::string want = "BEGIN:VCARD\r\nVERSION:2.1\r\n";
  while (in.p < in.end) {
    const int op = in.byte() % kOps;
    const std::string params = m.params();
    std::string line, add, prefix;  // the composed line; the bytes it adds
    std::size_t capacity = 0;
    int got = 0, result = -1;  // -1: the number of bytes added; -2: none
    if (op < kAdr + 1) {
      const int n = op == kName ? 6 : op == kOrg ? 4 : op == kAdr ? 8 : op == kEmailTyped ? 2 : 1;
      char* a[8] = {};
      for (int i = 0; i < n; ++i) a[i] = in.text();
      const std::string v = a[0] ? a[0] : "";
      capacity = !a[0] ? 0 : op < kEmail ? kPlain[op].capacity : op == kTel ? 100 : 800;
      if (op < kEmail) got = kPlain[op].add(card, a[0]), line = kPlain[op].name + params + ":" + v;
      if (op == kEmail) got = card.QEL_AddEmail(a[0]), line = "EMAIL" + params + ";INTERNET:" + v;
      if (op == kEmailTyped) {
        got = card.QEL_AddEmail(a[0], a[1]), capacity = a[1] ? capacity : 0;
        line = "EMAIL" + params + ";" + v + ":" + (a[1] ? a[1] : "");
      }
      if (op == kTel) got = card.QEL_AddTel(a[0]), line = "TEL" + m.list(1) + ":" + v;
      if (op == kRefPhoto || op == kRefSound) {
        op == kRefPhoto ? card.QEL_AddRefPhoto(a[0]) : card.QEL_AddRefSound(a[0]);
        line = "URL" + params + ":" + v, result = -2;
        prefix = op == kRefPhoto ? "PHOTO;VALUE=" : "SOUND;VALUE=";
      }
      if (op >= kName) {  // the count text, then the most components the property takes
        const int k = a[0] ? std::clamp((a[0][0] & 0xFF) - '0', 1, n - 1) : 1;
        line = kStructured[op - kName].name + params + (op == kAdr ? m.list(0) : "") + ":";
        for (int i = 1; i <= k; ++i) {
          line += (i > 1 ? ";" : "") +
                  std::string(a[i] ? a[i] : "").substr(0, op == kAdr ? 285 : std::string::npos);
        }
        capacity = kStructured[op - kName].capacity;
        got = op == kName  ? card.QEL_AddName(a[0], a[1], a[2], a[3], a[4], a[5])
              : op == kOrg ? card.QEL_AddOrg(a[0], a[1], a[2], a[3])
                           : card.QEL_AddAddress(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
      }
    } else if (op == kPhoto || op == kSound) {
      const std::size_t f = in.byte() % (media.size() + 1);  // the last: null
      char *file = f < media.size() ? media[f].data() : nullptr, *type = in.text();
      const std::string before = type ? type : "";
      got = op == kPhoto ? card.QEL_AttachPhoto(file, type) : card.QEL_AttachSound(file, type);
      result = m.open && f < std::size(kMedia) && type && before.size() <= 371;
      if (result) {
        add = (op == kPhoto ? "PHOTO" : "SOUND") + (";ENCODING=BASE64;TYPE=" + upper(before)) +
              ":" + folded(kMedia[f].second);
      }
      kwvfuzz::check(!type || type == (result ? upper(before) : before), "type", before,
                     type ? type : "");
    } else if (op == kBday) {
      std::int32_t d[3] = {};  // day, month, year
      std::memcpy(d, in.p, std::min<std::size_t>(sizeof d, in.end - in.p));
      in.p += std::min<std::size_t>(sizeof d, in.end - in.p);
      card.QEL_AddBday(d[0], d[1], d[2]);
      char text[64];
      std::snprintf(text, sizeof text, "BDAY:%04d-%02d-%02d", d[2], d[1], d[0]);
      line = text, capacity = sizeof text, result = -2;
    } else if (op == kCharset || op == kLang) {
      char* text = in.text();
      std::string& field = op == kCharset ? m.charset : m.lang;
      field = text ? std::string(text).substr(0, 39) : field;
      got = op == kCharset ? card.QEL_ChangeCharSet(text) : card.QEL_ChangeLang(text);
      result = text ? static_cast<int>(field.size()) : 0;
      const std::string now = op == kCharset ? card.QEL_GetCharSet() : card.QEL_GetLang();
      kwvfuzz::check(now == field, "setting", field, now);
    } else if (op == kDefault) {
      m.charset = "UTF-8", m.lang = "en-US", result = 5, got = card.QEL_SetDefault();
    } else if (op == kTypes) {
      const int how = in.byte() % 6, set = how / 3;  // set, reset, default; address, telephone
      char* type = in.text();
      const auto& names = kTypeNames[set];
      const auto it = std::find(names.begin(), names.end(), upper(type ? type : ""));
      if (how % 3 == 2) m.default_types(set);
      if (how % 3 < 2 && type && it != names.end()) m.types[set][it - names.begin()] = how % 3 == 0;
      void (KwvCard::*const ops[])(char*) = {&KwvCard::QEL_SetAddressType,
                                             &KwvCard::QEL_ResetAddressType,
                                             &KwvCard::QEL_SetTelType, &KwvCard::QEL_ResetTelType};
      how % 3 < 2 ? (card.*ops[set * 2 + how % 3])(type)
      : set       ? card.QEL_SetDefaultTelType()
                  : card.QEL_SetDefaultAddressType();
      result = -2;
    } else if (op == kPad) {
      in.pad = in.byte() << 8;
      in.pad = (in.pad | in.byte()) % 7000, result = -2;
    } else {  // kEnd
      card.QEL_EndPacking();
      add = m.open ? "END:VCARD\r\n" : "", m.open = false, result = -2;
    }
    if (capacity) add = m.line(line + "\r\n", capacity);
    want += add.empty() ? "" : prefix + add;
    if (result == -1) result = static_cast<int>(add.size());
    if (result != -2 && m.exact) {
      kwvfuzz::check(got == result, "result", std::to_string(result), std::to_string(got));
    }
  }
  card.QEL_EndPacking();
  want += m.open ? "END:VCARD\r\n" : "";
  if (m.exact)
    kwvfuzz::check(kwvfuzz::read_file(path) == want, "card", want, kwvfuzz::read_file(path));
  kwvfuzz::layer_round_trip(data, data + size, dir + "/layer.vcf");
  return 0;
}
