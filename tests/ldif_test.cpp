// The kwvcard tool on LDIF exports: golden files in ldif/, bad values left
// out, bad input refused with status 2 and nothing written.
#include "test_support.h"

namespace {

using kwvtest::framed;

class LdifTest : public kwvtest::ToolTest {};

TEST_F(LdifTest, ThunderbirdAndLdapExports) {
  for (const char* name : {"thunderbird", "evolution"})
    expect_golden(KWVCARD_IMPORT_DATA "/../ldif", name, ".ldif");
}

TEST_F(LdifTest, ABadValueIsLeftOutNotTheRecord) {
  const struct {
    std::string attributes, card, message;
  } cases[] = {
      {"GIVENNAME: Alan\nsn: Lee\n", "N;CHARSET=UTF-8:Lee;Al;;;\r\n",
       "GIVENNAME: left out: a card holds one name, the first"},
      {"description:: 6Q==\n", "",
       "description: left out: not UTF-8 text once decoded from base64"},
      {"title:< file:///tmp/title\n", "",
       "title: left out: a value given by reference (:<), not read"},
      {"birthyear: 1980\nbirthmonth: 3\n", "",
       "birthyear, birthmonth: left out: a birthday needs a month and a day"},
      {"birthyear: 80a\nbirthmonth: 3\nbirthday: 7\n", "",
       "birthyear: left out: not a year (1 to 9999)"},
      {"birthday: 32\nbirthyear: 1980\nbirthmonth: 3\n", "",
       "birthday: left out: not a day (1 to 31)"},
  };
  for (const auto& c : cases) {
    file("in.ldif", "dn: cn=Al\ngivenName: Al\n" + c.attributes + "\ndn: cn=Bo\ncn: Bo\n");
    const Run r = run("import in.ldif --out out.vcf");
    EXPECT_EQ(r.status, 1) << c.attributes;
    EXPECT_EQ(r.messages,
              "kwvcard: in.ldif:3: " + c.message + "\n2 contacts written, 1 value left out\n");
    const std::string n = c.card.empty() ? "N;CHARSET=UTF-8:;Al;;;\r\n" : c.card;
    EXPECT_EQ(kwvtest::read_file(path("out.vcf")), framed(n) + framed("N;CHARSET=UTF-8:Bo;;;;\r\n"))
        << c.attributes;
  }
}

TEST_F(LdifTest, BadInputStopsWithStatus2AndWritesNothing) {
  const std::string a = "version: 1\ndn: cn=A\ncn: A\n\n";
  const struct {
    std::string input, message;
  } cases[] = {
      {a + "# B\ncn: B\n", "in.ldif:6: an LDIF record without dn:"},
      {a + "dn: cn=B\ncn B\n", "in.ldif:6: a line without ':'"},
      {a + "dn: cn=B\n: B\n", "in.ldif:6: a line without an attribute name before ':'"},
      {a + "dn: cn=B\r\ncn:: QQ=\r\n", "in.ldif:6: cn: not valid base64"},
      {a + "dn: cn=B\nmail:: QUJD\n RA*\n", "in.ldif:6: mail: not valid base64"},
      {a + " cn: B\n", "in.ldif:5: a folded line with no line before it"},
      {a + "dn: cn=B\nDN: cn=C\n", "in.ldif:6: a dn: inside a record (a blank line ends a record)"},
  };
  for (const auto& c : cases) {
    file("in.ldif", c.input);
    const Run r = run("import in.ldif --out-dir cards");
    EXPECT_EQ(r.status, 2) << c.input;
    EXPECT_EQ(r.messages, "kwvcard: " + c.message + "\n");
    EXPECT_EQ(files(), (std::set<std::string>{"card.vcf", "in.ldif", "messages.txt"})) << c.input;
  }
}

}  // namespace
