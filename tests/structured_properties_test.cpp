// N, ORG, ADR and TEL through the card: component counts, cuts, type lists.
#include "KwvCard.h"
#include "test_support.h"

using kwvtest::framed;
using kwvtest::read_file;
using kwvtest::Text;

namespace {

class StructuredTest : public kwvtest::TempDirTest {
 protected:
  void SetUp() override {
    kwvtest::TempDirTest::SetUp();
    file_ = std::make_unique<Text>(path());
    card_ = std::make_unique<KwvCard>(*file_);
  }
  // Closes the card and returns the lines between header and trailer.
  std::string body() {
    card_->QEL_EndPacking();
    const std::string file = read_file(path());
    const std::string lines = file.substr(26, file.size() - 26 - 11);
    EXPECT_EQ(file, framed(lines));
    return lines;
  }
  KwvCard& card() { return *card_; }

 private:
  std::unique_ptr<Text> file_;
  std::unique_ptr<KwvCard> card_;
};

TEST_F(StructuredTest, CountTextPicksTheNumberOfComponents) {
  enum Op { kName, kOrg, kAdr };
  struct Case {
    Op op;
    const char* count;
    const char* line;
  } cases[] = {
      {kName, "", "N;CHARSET=UTF-8:A\r\n"},
      {kName, "0", "N;CHARSET=UTF-8:A\r\n"},
      {kName, "/", "N;CHARSET=UTF-8:A\r\n"},
      {kName, "1", "N;CHARSET=UTF-8:A\r\n"},
      {kName, "12", "N;CHARSET=UTF-8:A\r\n"},
      {kName, "2", "N;CHARSET=UTF-8:A;B\r\n"},
      {kName, "5", "N;CHARSET=UTF-8:A;B;C;D;E\r\n"},
      {kName, "9", "N;CHARSET=UTF-8:A;B;C;D;E\r\n"},
      {kName, "x", "N;CHARSET=UTF-8:A;B;C;D;E\r\n"},
      {kName, "\xE4", "N;CHARSET=UTF-8:A;B;C;D;E\r\n"},
      {kName, nullptr, "N;CHARSET=UTF-8:A\r\n"},
      {kOrg, "2", "ORG;CHARSET=UTF-8:A;B\r\n"},
      {kOrg, "5", "ORG;CHARSET=UTF-8:A;B;C\r\n"},
      {kOrg, "Z", "ORG;CHARSET=UTF-8:A;B;C\r\n"},
      {kAdr, "3", "ADR;CHARSET=UTF-8;WORK:A;B;C\r\n"},
      {kAdr, "8", "ADR;CHARSET=UTF-8;WORK:A;B;C;D;E;F;G\r\n"},
      {kAdr, "a", "ADR;CHARSET=UTF-8;WORK:A;B;C;D;E;F;G\r\n"},
  };
  std::string expected;
  Text a("A"), b("B"), c("C"), d("D"), e("E"), f("F"), g("G");
  for (const Case& t : cases) {
    std::unique_ptr<Text> count = t.count ? std::make_unique<Text>(t.count) : nullptr;
    char* n = count ? static_cast<char*>(*count) : nullptr;
    const int written = t.op == kName  ? card().QEL_AddName(n, +a, +b, +c, +d, +e, +f, +g)
                        : t.op == kOrg ? card().QEL_AddOrg(n, +a, +b, +c, +d, +e, +f, +g)
                                       : card().QEL_AddAddress(n, +a, +b, +c, +d, +e, +f, +g);
    EXPECT_EQ(written, static_cast<int>(std::strlen(t.line))) << t.line;
    expected += t.line;
  }
  EXPECT_EQ(body(), expected);
}

TEST_F(StructuredTest, AddressComponentsAreCutTo285Bytes) {
  Text empty(""), c284(std::string(284, 'a')), c285(std::string(285, 'b')),
      c286(std::string(286, 'c')), c300(std::string(299, 'd') + "\xE4\xB8\xAD");
  char* null_component = nullptr;
  card().QEL_AddAddress((char*)"7", +empty, +null_component, +c284, +c285, +c286, +c300, +empty);
  card().QEL_AddOrg((char*)"1", +c300);  // ORG keeps components whole
  EXPECT_EQ(body(), "ADR;CHARSET=UTF-8;WORK:;;" + std::string(284, 'a') + ";" +
                        std::string(285, 'b') + ";" + std::string(285, 'c') + ";" +
                        std::string(285, 'd') + ";\r\n" + "ORG;CHARSET=UTF-8:" + c300.str() +
                        "\r\n");
}

TEST_F(StructuredTest, TypesAreStickyAndWrittenInTableOrder) {
  Text num("123"), home("home"), cell("CeLL"), work("work"), pref("PREF"), bogus("HOMEPAGE");
  Text street("Main St");
  card().QEL_AddTel(num);
  card().QEL_SetTelType(cell);
  card().QEL_SetTelType(bogus);
  card().QEL_AddTel(num);
  card().QEL_ResetTelType(work);
  card().QEL_AddTel(num);
  card().QEL_ResetTelType(cell);
  card().QEL_AddTel(num);
  card().QEL_SetTelType(home);
  card().QEL_SetTelType(pref);
  card().QEL_AddTel(num);
  card().QEL_SetDefaultTelType();
  card().QEL_AddTel(num);
  card().QEL_SetAddressType(home);
  card().QEL_AddAddress((char*)"1", +street);
  card().QEL_SetDefaultAddressType();
  card().QEL_AddAddress((char*)"1", +street);
  EXPECT_EQ(body(),
            "TEL;WORK:123\r\nTEL;CELL;WORK:123\r\nTEL;CELL:123\r\nTEL:123\r\nTEL;PREF;HOME:123\r\n"
            "TEL;WORK:123\r\nADR;CHARSET=UTF-8;HOME;WORK:Main St\r\n"
            "ADR;CHARSET=UTF-8;WORK:Main St\r\n");
}

TEST_F(StructuredTest, LinesBeyondCapacityAreRefused) {
  for (const char* t : {"PREF", "VOICE", "FAX", "MSG", "CELL", "PAGER", "BBS", "MODEM", "CAR",
                        "ISDN", "VIDEO", "VOIP", "HOME"}) {
    Text name(t);
    card().QEL_SetTelType(name);
  }
  // TEL, 70 characters of types, ':' and CR LF leave 23 of the 99 characters.
  const std::string types =
      ";PREF;VOICE;FAX;MSG;CELL;PAGER;BBS;MODEM;CAR;ISDN;VIDEO;VOIP;WORK;HOME";
  Text tel23(std::string(23, '5')), tel24(std::string(24, '5'));
  EXPECT_EQ(card().QEL_AddTel(tel23), 99);
  EXPECT_EQ(card().QEL_AddTel(tel24), 0);
  // N: "N;CHARSET=UTF-8:" and CR LF leave 181 of 199; ORG leaves 779 of 799.
  Text n181(std::string(181, 'n')), n182(std::string(182, 'n'));
  EXPECT_EQ(card().QEL_AddName((char*)"1", +n181), 199);
  EXPECT_EQ(card().QEL_AddName((char*)"1", +n182), 0);
  Text o389(std::string(389, 'o')), o390(std::string(390, 'o'));
  EXPECT_EQ(card().QEL_AddOrg((char*)"2", +o389, +o389), 799);
  EXPECT_EQ(card().QEL_AddOrg((char*)"2", +o389, +o390), 0);
  EXPECT_EQ(body(), "TEL" + types + ":" + tel23.str() + "\r\nN;CHARSET=UTF-8:" + n181.str() +
                        "\r\nORG;CHARSET=UTF-8:" + o389.str() + ";" + o389.str() + "\r\n");
}

TEST_F(StructuredTest, Gb2312ConvertsTelAndComponentLines) {
  Text gb("GB2312"), num("\xE5\xB7\xA5 123"), zhang("\xE5\xBC\xA0"), san("\xE4\xB8\x89");
  card().QEL_ChangeCharSet(gb);
  card().QEL_AddTel(num);
  card().QEL_AddName((char*)"2", +zhang, +san);
  EXPECT_EQ(body(), "TEL;WORK:\xB9\xA4 123\r\nN;CHARSET=GB2312:\xD5\xC5;\xC8\xFD\r\n");
}

TEST(StructuredUnopenedTest, WritesNothingAndTypeOperationsStillWork) {
  KwvCard card(nullptr);
  Text cell("cell"), v("x");
  card.QEL_SetTelType(cell);
  card.QEL_ResetTelType(cell);
  card.QEL_SetDefaultTelType();
  card.QEL_SetAddressType(cell);
  card.QEL_ResetAddressType(cell);
  card.QEL_SetDefaultAddressType();
  EXPECT_EQ(card.QEL_AddTel(v) + card.QEL_AddName((char*)"1", +v) +
                card.QEL_AddOrg((char*)"1", +v) + card.QEL_AddAddress((char*)"1", +v),
            0);
}

}  // namespace
