// kwv::Card's quoted-printable lines and charsets: the exact bytes of each
// encoded line, every charset read back through iconv to the source text, and
// the characters a charset cannot hold counted by replaced().
#include <iconv.h>

#include "test_support.h"

namespace {

using kwv::Encoding;
using kwvtest::qp_decode;

class CppEncodingTest : public kwvtest::CardTest {};

const std::string kX70(70, 'x');

TEST_F(CppEncodingTest, QuotedPrintableLinesAreExact) {
  const auto qp = [](kwv::Card& c) { return c.encoding(Encoding::QuotedPrintable); };
  const std::string kQp = ";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:";
  // clang-format off
  const struct {
    std::function<bool(kwv::Card&)> write;
    std::string lines;
    const char* needs = nullptr;  // an iconv charset the case needs
  } kCases[] = {
      {[](kwv::Card& c) { return c.note("\xE4\xB8\x80\xE8\xA1\x8C\r\n\xE4\xBA\x8C\xE8\xA1\x8C"); },
       "NOTE" + kQp + "=E4=B8=80=E8=A1=8C=0D=0A=E4=BA=8C=E8=A1=8C\r\n"},
      // LF or CR alone is a line break too; '=', a tab, and a space before a
      // line break or at the end are encoded, other spaces are not.
      {[](kwv::Card& c) { return c.note("a\nb\rc"); }, "NOTE" + kQp + "a=0D=0Ab=0D=0Ac\r\n"},
      {[](kwv::Card& c) { return c.title("x=1 \n\ty \xC3\xA9 "); },
       "TITLE" + kQp + "x=3D1=20=0D=0A=09y =C3=A9=20\r\n"},
      // Printable ASCII alone is written as it is, '=' included.
      {[](kwv::Card& c) { return c.title("a=b c"); }, "TITLE;CHARSET=UTF-8:a=b c\r\n"},
      // Soft breaks: 76 characters on the last line, 75 and '=' before a
      // break, never inside "=XX"; a separator counts.
      {[](kwv::Card& c) { return c.note("\xC3\xA9" + kX70); }, "NOTE" + kQp + "=C3=A9" + kX70 + "\r\n"},
      {[](kwv::Card& c) { return c.note("\xC3\xA9" + kX70 + "x"); },
       "NOTE" + kQp + "=C3=A9" + kX70.substr(1) + "=\r\nxx\r\n"},
      {[](kwv::Card& c) { return c.note(kX70 + "xxxx\xC3\xA9"); },
       "NOTE" + kQp + kX70 + "xxxx=\r\n=C3=A9\r\n"},
      // No physical line begins with a space: it would read as folded.
      {[](kwv::Card& c) { return c.note("\xC3\xA9" + kX70.substr(1) + " y"); },
       "NOTE" + kQp + "=C3=A9" + kX70.substr(1) + "=\r\n=20y\r\n"},
      {[](kwv::Card& c) { return c.name({"\xC3\xA9" + kX70.substr(1), "y"}); },
       "N" + kQp + "=C3=A9" + kX70.substr(1) + "=\r\n;y\r\n"},
      // Components: literal separators, "\;" inside; the parameters' order.
      {[](kwv::Card& c) { return c.name({"Doe; Jr", "Jan\xC3\xA9"}); },
       "N" + kQp + "Doe\\; Jr;Jan=C3=A9\r\n"},
      {[](kwv::Card& c) {
         kwv::Address a;
         a.street = "\xE5\x8C\x97";
         return c.language("zh-CN") && c.address(a, {kwv::Adr::Home});
       },
       "ADR;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE;LANGUAGE=zh-CN;HOME:;;=E5=8C=97;;;;\r\n"},
      // GB2312 bytes encoded; Shift_JIS characters whose second byte is '\'.
      {[](kwv::Card& c) { return c.charset("GB2312") && c.org({"\xE4\xB8\xAD\xE5\x9B\xBD", "R&D"}); },
       "ORG;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE:=D6=D0=B9=FA;R&D\r\n"},
      {[](kwv::Card& c) { return c.charset("SHIFT_JIS") && c.name({"\xE3\x82\xBD", "\xE8\xA1\xA8"}); },
       "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=83=5C;=95=5C\r\n", "SHIFT_JIS"},
      {[](kwv::Card& c) {
         return c.charset("SHIFT_JIS") && c.encoding(Encoding::EightBit) &&
                c.name({"\xE3\x82\xBD", "\xE8\xA1\xA8"});
       },
       "N;CHARSET=SHIFT_JIS:\x83\x5C;\x95\x5C\r\n", "SHIFT_JIS"},
      // TEL carries no parameters: never encoded.
      {[](kwv::Card& c) { return c.tel("+86 10 1234") && !c.tel("1\n2"); }, "TEL:+86 10 1234\r\n"},
      // What does not fit once encoded is refused, as is a charset name too
      // long to carry the encoding.
      {[](kwv::Card& c) {
         std::string e;
         for (int i = 0; i < 262; ++i) e += "\xC3\xA9";
         return c.title(e) || c.charset("GB2312-abcdefgh") || c.note(std::string("a\0b", 3));
       },
       ""},
  };
  // clang-format on
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    if (kCases[i].needs != nullptr && !kwvtest::iconv_knows(kCases[i].needs)) continue;
    const bool result = !kCases[i].lines.empty();
    EXPECT_EQ(only([&](kwv::Card& c) { return qp(c) && kCases[i].write(c); }, result),
              kCases[i].lines)
        << "case " << i;
  }
  // The charset named back after each encoded line; a long name refuses the
  // encoding until it changes.
  EXPECT_EQ(
      only(
          [&](kwv::Card& c) {
            return qp(c) && c.title("\xC3\xA9") && c.title("e") && c.encoding(Encoding::EightBit) &&
                   c.charset("GB2312-abcdefgh") && !qp(c) && c.title("e");
          },
          true),
      "TITLE" + kQp + "=C3=A9\r\nTITLE;CHARSET=UTF-8:e\r\nTITLE;CHARSET=GB2312-abcdefgh:e\r\n");
}

// Converts `text` from `charset` to UTF-8 with iconv.
std::string to_utf8(const std::string& text, const char* charset) {
  iconv_t cd = iconv_open("UTF-8", charset);
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  char* to = out.data();
  std::size_t in_left = text.size(), to_left = out.size();
  iconv(cd, &in, &in_left, &to, &to_left);
  iconv_close(cd);
  out.resize(out.size() - to_left);
  return out;
}

TEST_F(CppEncodingTest, EveryCharsetReadsBackAsTheSourceText) {
  const struct {
    const char* charset;
    const char* text;
  } kCases[] = {
      {"SHIFT_JIS", "\xE3\x82\xBD\xE5\x8D\x81\xE8\xA1\xA8 \xE8\x83\xBD; \xEF\xBD\xB1"},
      {"EUC-JP", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      {"ISO-2022-JP", "\xE6\x97\xA5\xE6\x9C\xAC x \xE8\xAA\x9E"},
      {"BIG5", "\xE5\x8A\x9F\xE8\x83\xBD; \xE8\xA8\xB1"},
      {"GBK", "\xE4\xB8\xAD\xE6\x96\x87; \xE9\xBE\x98"},
      {"GB18030", "\xE4\xB8\xAD \xF0\x9F\x98\x80"},
      {"GB2312", "\xE4\xB8\xAD\xE5\x9B\xBD"},
      {"EUC-KR", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
      {"ISO-8859-1", "caf\xC3\xA9 na\xC3\xAFve"},
      {"ISO-8859-15", "\xE2\x82\xAC 5"},
      {"WINDOWS-1250", "\xC5\x81\xC3\xB3\xC4\x87"},
      {"WINDOWS-1251", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {"WINDOWS-1252", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"KOI8-R", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"},
      {"KOI8-U", "\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2"},
  };
  for (const auto& c : kCases) {
    if (!kwvtest::iconv_knows(c.charset)) {
      std::cout << "no iconv module for " << c.charset << " here: not checked\n";
      continue;
    }
    for (const Encoding e : {Encoding::EightBit, Encoding::QuotedPrintable}) {
      const std::string text = std::string(c.text) + (e == Encoding::EightBit ? "" : "\r\n2");
      const std::string body = only(
          [&](kwv::Card& card) {
            return card.charset(c.charset) && card.encoding(e) && card.note(text) &&
                   card.replaced() == 0;
          },
          true);
      const std::string head = std::string("NOTE;CHARSET=") + c.charset +
                               (e == Encoding::EightBit ? ":" : ";ENCODING=QUOTED-PRINTABLE:");
      ASSERT_EQ(body.compare(0, head.size(), head), 0) << body;
      std::string value = body.substr(head.size(), body.size() - head.size() - 2);
      if (e == Encoding::QuotedPrintable) value = qp_decode(value);
      EXPECT_EQ(to_utf8(value, c.charset), text) << c.charset;
    }
  }
}

TEST_F(CppEncodingTest, ReplacedCountsWhatTheCharsetLacks) {
  const struct {
    const char* charset;
    std::string value;
    std::size_t replaced;
    std::string line;  // the TITLE line under 8-bit
  } kCases[] = {
      {"UTF-8", "\xE4\xB8\xAD", 0, "TITLE;CHARSET=UTF-8:\xE4\xB8\xAD\r\n"},
      {"ASCII", "a?\xC3\xA9\xE4\xB8\xAD", 2, "TITLE:a???\r\n"},
      {"GB2312", "?\xE4\xB8\xAD\xE2\x82\xAC", 1, "TITLE;CHARSET=GB2312:?\xD6\xD0?\r\n"},
      {"ISO-8859-1", "\xC3\xA9\xE4\xB8\xAD\xFF.", 2, "TITLE;CHARSET=ISO-8859-1:\xE9??.\r\n"},
  };
  for (const auto& c : kCases) {
    if (std::string(c.charset) == "ISO-8859-1" && !kwvtest::iconv_knows(c.charset)) continue;
    std::size_t replaced = 99;
    EXPECT_EQ(only(
                  [&](kwv::Card& card) {
                    const bool ok = card.charset(c.charset) && card.title(c.value);
                    replaced = card.replaced();
                    return ok && card.birthday(2000, 1, 1) && card.replaced() == 0;
                  },
                  true),
              c.line + "BDAY:2000-01-01\r\n")
        << c.charset;
    EXPECT_EQ(replaced, c.replaced) << c.charset;
  }
  // Charsets that would break the lines, and names iconv does not know.
  for (const char* bad : {"UTF-16", "UTF-7", "UCS-4", "NO-SUCH-CHARSET"}) {
    EXPECT_EQ(only([&](kwv::Card& card) { return card.charset(bad); }, false), "") << bad;
  }
}

}  // namespace
