// The UTF-8 to GB2312 stand-in converter.
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

TEST(Gb2312Test, ConvertsAndReplacesOneQuestionMarkPerBadSequence) {
  const char* cases[][2] = {
      {"", ""},
      {"N:A;b\r\n", "N:A;b\r\n"},
      {"\xE5\xBC\xA0;\xE4\xB8\x89", "\xD5\xC5;\xC8\xFD"},     // 张;三
      {"\xCE\xB1", "\xA6\xC1"},                               // Greek alpha
      {"\xC3\x9F! \xE2\x82\xAC\xF0\x9F\x98\x80", "?! ??"},    // ß, €, 😀: not in GB2312
      {"\x80\xBF\xE4\xB8.", "???."},                          // stray, truncated
      {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80", "?????????"},  // overlong, surrogate, too high
      {"\xE4\xB8\xAD\xFF\xE6\x96", "\xD6\xD0??"},             // truncated at the end
  };
  for (const auto& c : cases) EXPECT_EQ(convert(c[0]), c[1]) << c[0];
}

}  // namespace
