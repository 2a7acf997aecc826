// The UTF-8 to GB2312 stand-in converter.
#include <string>
#include <thread>
#include <vector>

#include "qelstr.h"
#include "test_support.h"

namespace {

std::string convert(const std::string& in) {
  // Exactly as large as the input, as the card guarantees: the output never grows.
  std::vector<char> out(in.size() + 1, '\0');
  const int n = qelstr_utf8_to_gb(out.data(), in.c_str());
  EXPECT_EQ(n, static_cast<int>(std::strlen(out.data())));
  return out.data();
}

TEST(Gb2312Test, ConvertsAndReplaces) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"plain ASCII;:\r\n", "plain ASCII;:\r\n"},
      {"\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},                // 中文
      {"N:\xE5\xBC\xA0;\xE4\xB8\x89\r\n", "N:\xD5\xC5;\xC8\xFD\r\n"},  // 张;三
      {"\xCE\xB1", "\xA6\xC1"},                                        // Greek alpha
      {"Stra\xC3\x9F"
       "e \xE2\x82\xAC",
       "Stra?e ?"},                 // ß and €: not in GB2312
      {"\xF0\x9F\x98\x80x", "?x"},  // emoji
      {"\x80\xBF", "??"},           // lone continuations
      {"\xE4\xB8"
       "a",
       "?a"},                   // truncated sequence
      {"\xC0\xAF", "??"},       // overlong
      {"\xED\xA0\x80", "???"},  // surrogate
      {"\xE4\xB8\xAD\xFF\xE6\x96\x87", "\xD6\xD0?\xCE\xC4"},
      {"\xE6\x96", "?"},  // truncated at the end of the text
  };
  for (const Case& c : cases) EXPECT_EQ(convert(c.in), c.out) << c.in;
}

TEST(Gb2312Test, ThreadsConvertIndependently) {
  const std::string in = "\xE4\xB8\xAD\xC3\x9F\xE6\x96\x87";
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) ASSERT_EQ(convert(in), "\xD6\xD0?\xCE\xC4");
    });
  }
  for (auto& t : threads) t.join();
}

}  // namespace
