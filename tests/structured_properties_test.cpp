// N, ORG, ADR and TEL through the card: component counts, cuts, type lists.
#include "test_support.h"

namespace {

using StructuredTest = kwvtest::CardTest;

TEST_F(StructuredTest, CountTextPicksTheNumberOfComponents) {
  const std::pair<const char*, std::size_t> cases[] = {{"", 1},   {"0", 1},     {"/", 1},
                                                       {"12", 1}, {nullptr, 1}, {"2", 2},
                                                       {"9", 5},  {"x", 5},     {"\xE4", 5}};
  char *a = s("A"), *b = s("B"), *c = s("C"), *d = s("D"), *e = s("E"), *f = s("F"), *g = s("G");
  std::string expected;
  for (auto [count, k] : cases) {
    const std::string line = "N;CHARSET=UTF-8:" + std::string("A;B;C;D;E").substr(0, 2 * k - 1);
    EXPECT_EQ(card().QEL_AddName(count ? s(count) : nullptr, a, b, c, d, e, f, g),
              static_cast<int>(line.size() + 2));
    expected += line + "\r\n";
  }
  card().QEL_AddOrg(s("5"), a, b, c, d, e, f, g);
  card().QEL_AddAddress(s("a"), a, b, c, d, e, f, g);
  EXPECT_EQ(body(),
            expected + "ORG;CHARSET=UTF-8:A;B;C\r\nADR;CHARSET=UTF-8;WORK:A;B;C;D;E;F;G\r\n");
}

TEST_F(StructuredTest, AddressComponentsAreCutTo285Bytes) {
  const std::string cut = std::string(284, 'd') + "\xE4\xB8\xAD";  // cut inside the character
  card().QEL_AddAddress(s("7"), s(""), nullptr, s(std::string(284, 'a')), s(std::string(285, 'b')),
                        s(std::string(286, 'c')), s(cut), s(""));
  card().QEL_AddOrg(s("1"), s(cut));  // ORG keeps components whole
  EXPECT_EQ(body(), "ADR;CHARSET=UTF-8;WORK:;;" + std::string(284, 'a') + ";" +
                        std::string(285, 'b') + ";" + std::string(285, 'c') + ";" +
                        cut.substr(0, 285) + ";\r\nORG;CHARSET=UTF-8:" + cut + "\r\n");
}

TEST_F(StructuredTest, TypesStayUntilChanged) {
  card().QEL_SetTelType(s("CeLL"));
  card().QEL_ResetTelType(s("work"));
  card().QEL_SetAddressType(s("home"));
  card().QEL_ResetAddressType(s("Work"));
  card().QEL_AddTel(s("1"));
  card().QEL_AddAddress(s("1"), s("a"));
  card().QEL_AddTel(s("2"));
  card().QEL_SetDefaultTelType();
  card().QEL_SetDefaultAddressType();
  card().QEL_AddTel(s("3"));
  card().QEL_AddAddress(s("1"), s("b"));
  EXPECT_EQ(body(),
            "TEL;CELL:1\r\nADR;CHARSET=UTF-8;HOME:a\r\nTEL;CELL:2\r\nTEL;WORK:3\r\n"
            "ADR;CHARSET=UTF-8;WORK:b\r\n");
}

TEST_F(StructuredTest, LinesBeyondCapacityAreRefusedAndGb2312Converts) {
  for (const char* t : {"PREF", "VOICE", "FAX", "MSG", "CELL", "PAGER", "BBS", "MODEM", "CAR",
                        "ISDN", "VIDEO", "VOIP", "HOME"}) {
    card().QEL_SetTelType(s(t));
  }
  // "TEL", 70 characters of types, ':' and CR LF leave 23 of the 99 characters;
  // "N;CHARSET=UTF-8:" leaves 181; "ORG;CHARSET=UTF-8:" 779.
  const std::string tel(23, '5'), n(181, 'n'), o(389, 'o');
  EXPECT_EQ(card().QEL_AddTel(s(tel)) + card().QEL_AddTel(s(tel + "5")), 99);
  EXPECT_EQ(card().QEL_AddName(s("1"), s(n)) + card().QEL_AddName(s("1"), s(n + "n")), 199);
  EXPECT_EQ(card().QEL_AddOrg(s("2"), s(o), s(o)) + card().QEL_AddOrg(s("2"), s(o), s(o + "o")),
            799);
  card().QEL_SetDefaultTelType();
  card().QEL_ChangeCharSet(s("GB2312"));
  card().QEL_AddTel(s("\xE5\xB7\xA5 1"));                            // 工
  card().QEL_AddName(s("2"), s("\xE5\xBC\xA0"), s("\xE4\xB8\x89"));  // 张;三
  EXPECT_EQ(body(), "TEL;PREF;VOICE;FAX;MSG;CELL;PAGER;BBS;MODEM;CAR;ISDN;VIDEO;VOIP;WORK;HOME:" +
                        tel + "\r\nN;CHARSET=UTF-8:" + n + "\r\nORG;CHARSET=UTF-8:" + o + ";" + o +
                        "\r\nTEL;WORK:\xB9\xA4 1\r\nN;CHARSET=GB2312:\xD5\xC5;\xC8\xFD\r\n");
}

}  // namespace
