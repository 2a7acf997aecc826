// The UTF-8 to GB2312 converter: known bytes, ill-formed input, and every
// character against the C library's iconv where it has GB2312.
#include <iconv.h>

#include <vector>

#include "qelstr.h"
#include "test_support.h"

namespace {

std::string convert(const std::string& in) {
  std::vector<char> out(in.size() + 1, '\0');  // as large as the input: output never grows
  const int n = qelstr_utf8_to_gb(out.data(), in.c_str());
  EXPECT_EQ(n, static_cast<int>(std::strlen(out.data())));
  return out.data();
}

std::string utf8(char32_t cp) {
  std::string s;
  if (cp < 0x80) return s += static_cast<char>(cp);
  const int extra = cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
  static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
  s += static_cast<char>(kLead[extra] | (cp >> (6 * extra)));
  for (int i = extra - 1; i >= 0; --i) s += static_cast<char>(0x80 | ((cp >> (6 * i)) & 0x3F));
  return s;
}

TEST(Gb2312Test, ConvertsAndReplacesOneQuestionMarkPerBadSequence) {
  const char* cases[][2] = {
      {"", ""},
      {"N:A;b\r\n\x01\x7F", "N:A;b\r\n\x01\x7F"},
      {"\xE5\xBC\xA0;\xE4\xB8\x89", "\xD5\xC5;\xC8\xFD"},     // 张;三
      {"\xCE\xB1\xC3\x97", "\xA6\xC1\xA1\xC1"},               // Greek alpha, multiplication sign
      {"\xE9\xBD\x84\xEF\xBF\xA5", "\xF7\xFE\xA3\xA4"},       // the last hanzi, fullwidth yen
      {"\xC3\x9F! \xE2\x82\xAC\xF0\x9F\x98\x80", "?! ??"},    // ß, €, 😀: not in GB2312
      {"a\xF3\xA0\x80\x81z", "az"},                           // a tag character is dropped
      {"\x80\xBF\xE4\xB8.", "???."},                          // stray, truncated
      {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80", "?????????"},  // overlong, surrogate, too high
      {"\xF0\x9F\x98\xFE\xF8\xC2", "????"},                   // truncated, invalid bytes
      {"\xE4\xB8\xAD\xFF\xE6\x96", "\xD6\xD0??"},             // truncated at the end
  };
  for (const auto& c : cases) EXPECT_EQ(convert(c[0]), c[1]) << c[0];
}

// Every code point of the BMP, the tag characters and some beyond, each between
// ASCII neighbours: what iconv makes of it, with '?' where it has no mapping.
TEST(Gb2312Test, MatchesIconvForEveryCharacter) {
  iconv_t cd = iconv_open("GB2312", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    GTEST_SKIP() << "iconv has no GB2312 here (no gconv modules): compared with known bytes only";
  }
  std::size_t mapped = 0, mismatches = 0;
  for (char32_t cp = 0x80; cp < 0xE0100; cp = cp == 0xFFFF ? 0xE0000 : cp + 1) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string in = utf8(cp), expected = "<";
    char out[8];
    char* src = in.data();
    char* dst = out;
    std::size_t src_left = in.size(), out_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &src, &src_left, &dst, &out_left) == static_cast<std::size_t>(-1)) {
      expected += '?';
    } else {
      expected.append(out, dst);
      mapped += dst - out == 2;
    }
    if (convert("<" + in + ">") != expected + ">" && ++mismatches <= 10) {
      ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(cp);
    }
  }
  iconv_close(cd);
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(mapped, 7445u);
}

}  // namespace
