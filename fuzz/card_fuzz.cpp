// One card, one property line: the input picks the operation (op byte % 21, a null value from
// 231 on), the charset and language (a choice byte, for a random text a length byte and the
// bytes) and the value, split on '|' for EMAIL type|address and count|c1|c2|... (BDAY: day,
// month, year as native ints). The card must hold exactly the line KwvCard.h documents.
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "KwvCard.h"

namespace {

const struct {
  const char* name;
  size_t cap;
  int (*add)(KwvCard&, char*);
} kText[] = {
    {"TITLE", 800, [](KwvCard& c, char* v) { return c.QEL_AddTitle(v); }},
    {"NOTE", 1600, [](KwvCard& c, char* v) { return c.QEL_AddComment(v); }},
    {"URL", 800, [](KwvCard& c, char* v) { return c.QEL_AddURL(v); }},
    {"ROLE", 500, [](KwvCard& c, char* v) { return c.QEL_AddBusCat(v); }},
    {"IM", 500, [](KwvCard& c, char* v) { return c.QEL_AddIM(v); }},
    {"DEPARTMENT", 800, [](KwvCard& c, char* v) { return c.QEL_AddDepartment(v); }},
    {"X-ZEB-ANNIVERSARY", 800, [](KwvCard& c, char* v) { return c.QEL_AddAnniversary(v); }},
    {"X-ZEB-SPOUSE", 800, [](KwvCard& c, char* v) { return c.QEL_AddSpouse(v); }},
    {"X-ZEB-CHILD", 800, [](KwvCard& c, char* v) { return c.QEL_AddChildren(v); }},
    {"X-ZEB-NICKNAME", 800, [](KwvCard& c, char* v) { return c.QEL_AddNickname(v); }},
    {"X-ZEB-MANAGER", 800, [](KwvCard& c, char* v) { return c.QEL_AddManager(v); }},
    {"X-ZEB-ASSISTANT", 800, [](KwvCard& c, char* v) { return c.QEL_AddAssistant(v); }},
};
// N, ORG, ADR: name, most components, capacity.
const char* const kPartName[] = {"N", "ORG", "ADR"};
const int kPartMax[] = {5, 3, 7};
const size_t kPartCap[] = {200, 800, 6000};
enum { kEmailTyped = 12, kEmail, kBday, kTel, kName, kOrg, kAdr, kRefPhoto, kRefSound, kOps };
const std::string kHead = "BEGIN:VCARD\r\nVERSION:2.1\r\n", kTail = "END:VCARD\r\n";

// A fixed choice, or a short random text (cut at its first NUL), taken from the input.
std::string pick(const uint8_t*& p, const uint8_t* end, const std::vector<const char*>& fixed) {
  size_t i = p < end ? *p++ % (fixed.size() + 1) : 0;
  if (i < fixed.size()) return fixed[i];
  size_t n = p < end ? *p++ % 8 : 0;
  n = std::min<size_t>(n, end - p);
  std::string s(reinterpret_cast<const char*>(p), n);
  p += n;
  return s.substr(0, s.find('\0'));
}

std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void check(bool ok, const char* what, const std::string& want, const std::string& got) {
  if (ok) return;
  std::fprintf(stderr, "card_fuzz: %s\n want (%zu): [%s]\n got  (%zu): [%s]\n", what, want.size(),
               want.c_str(), got.size(), got.c_str());
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/kwv_card_fuzz_" + std::to_string(getpid()) + ".vcf";
  const uint8_t *p = data, *end = data + size;
  if (size < 3) return 0;
  int op = *p % kOps, isNull = *p++ >= 231;
  std::string cs = pick(p, end, {"UTF-8", "ASCII", "ascii", "", "GB2312"});
  std::string lang = pick(p, end, {"en-US", "fr", ""});
  std::string raw(reinterpret_cast<const char*>(p), end - p), v = raw.substr(0, raw.find('\0'));
  std::vector<std::string> parts(1);
  for (char ch : v) ch == '|' ? parts.push_back("") : parts.back().push_back(ch);
  auto arg = [&](size_t i) { return i < parts.size() ? parts[i].data() : nullptr; };
  // The single value (whole, '|' included), else EMAIL's type or the count text.
  bool multi = op == kEmailTyped || (op >= kName && op <= kAdr);
  char* val = isNull ? nullptr : multi ? parts[0].data() : v.data();

  KwvCard card(const_cast<char*>(path.c_str()));
  card.QEL_ChangeCharSet(cs.data());
  card.QEL_ChangeLang(lang.data());
  // Each operation with the line it should write; the card holds `line` when it fits `cap`.
  std::string params =
      (cs == "ASCII" ? "" : ";CHARSET=" + cs) + (lang == "en-US" ? "" : ";LANGUAGE=" + lang);
  std::string line, prefix;
  size_t cap = 800;
  bool refused = isNull, hasResult = true;
  int result = 0;
  if (op < kEmailTyped) {
    line = kText[op].name + params + ":" + v, cap = kText[op].cap;
    result = kText[op].add(card, val);
  } else if (op == kEmailTyped || op == kEmail) {
    std::string type = op == kEmail ? "INTERNET" : val ? val : "";
    char* addr = op == kEmail ? val : arg(1);
    refused |= !addr;
    line = "EMAIL" + params + ";" + type + ":" + (addr ? addr : "");
    result = op == kEmail ? card.QEL_AddEmail(val) : card.QEL_AddEmail(val, addr);
  } else if (op == kBday) {
    int d[3] = {};  // day, month, year
    std::memcpy(d, raw.data(), std::min(raw.size(), sizeof d));
    char buf[64];
    std::snprintf(buf, sizeof buf, "BDAY:%04d-%02d-%02d", d[2], d[1], d[0]);
    line = buf, refused = false, hasResult = false;
    card.QEL_AddBday(d[0], d[1], d[2]);
  } else if (op == kTel) {
    line = "TEL;WORK:" + v, cap = 100;
    result = card.QEL_AddTel(val);
  } else if (op <= kAdr) {
    int j = op - kName, k = std::clamp(int(uint8_t(parts[0][0])) - '0', 1, kPartMax[j]);
    if (isNull) k = 1;  // a null count counts as 1
    line = kPartName[j] + params + (op == kAdr ? ";WORK:" : ":");
    for (int i = 1; i <= k; i++)  // ADR components are cut to 285 bytes
      line += (i > 1 ? ";" : "") +
              std::string(arg(i) ? arg(i) : "").substr(0, op == kAdr ? 285 : std::string::npos);
    cap = kPartCap[j], refused = false;
    char* c[7] = {arg(1), arg(2), arg(3), arg(4), arg(5), arg(6), arg(7)};
    if (op == kName) result = card.QEL_AddName(val, c[0], c[1], c[2], c[3], c[4]);
    if (op == kOrg) result = card.QEL_AddOrg(val, c[0], c[1], c[2]);
    if (op == kAdr) result = card.QEL_AddAddress(val, c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
  } else {
    prefix = op == kRefPhoto ? "PHOTO;VALUE=" : "SOUND;VALUE=";
    line = "URL" + params + ":" + v, hasResult = false;
    op == kRefPhoto ? card.QEL_AddRefPhoto(val) : card.QEL_AddRefSound(val);
  }
  card.QEL_EndPacking();
  line += "\r\n";
  std::string want = refused || line.size() >= cap ? "" : prefix + line, got = slurp(path);
  std::remove(path.c_str());

  size_t h = kHead.size(), t = kTail.size(), n = got.size() - h - t;
  check(got.size() >= h + t && !got.compare(0, h, kHead) && !got.compare(h + n, t, kTail),
        "framing", kHead + want + kTail, got);
  // Under GB2312 a non-ASCII line is converted: only the framing and the result are checked.
  bool converted = strncasecmp(cs.c_str(), "GB2312", 6) == 0 &&
                   std::any_of(line.begin(), line.end(), [](char ch) { return ch & 0x80; });
  check(converted || got.substr(h, n) == want, "line", want, got.substr(h, n));
  check(!hasResult || size_t(result) == n, "result", std::to_string(n), std::to_string(result));
  return 0;
}

#ifndef KWV_LIBFUZZER
// Replays the files named on the command line; a directory stands for every file in it.
int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  size_t count = 0;
  for (int i = 1; i < argc; i++) {
    std::vector<fs::path> files{argv[i]};
    if (fs::is_directory(argv[i])) files.assign(fs::directory_iterator(argv[i]), {});
    for (auto& f : files) {
      std::string s = slurp(f);
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size()), count++;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  return 0;
}
#endif
