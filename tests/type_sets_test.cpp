// The address and telephone type sets on their own.
#include "KwAddr_Type.h"
#include "KwPhone_Type.h"
#include "test_support.h"

using kwvtest::Text;

namespace {

template <class Set>
std::string list(Set& set, const char* start = "") {
  char line[128];
  std::strcpy(line, start);
  set.QEL_TypeListGenerate(line);
  return line;
}

TEST(TypeSetTest, EveryTypeOnListsTheTableInOrder) {
  addr_type::KwAddr_Type addr;
  for (const char* t : {"work", "home", "parcel", "postal", "intl", "dom"}) {
    Text name(t);
    addr.QEL_SetType(name);
  }
  EXPECT_EQ(list(addr), ";DOM;INTL;POSTAL;PARCEL;HOME;WORK");

  phone_type::KwPhone_Type phone;
  for (const char* t : {"home", "work", "voip", "video", "isdn", "car", "modem", "bbs", "pager",
                        "cell", "msg", "fax", "voice", "pref"}) {
    Text name(t);
    phone.QEL_SetType(name);
  }
  EXPECT_EQ(list(phone), ";PREF;VOICE;FAX;MSG;CELL;PAGER;BBS;MODEM;CAR;ISDN;VIDEO;VOIP;WORK;HOME");
}

TEST(TypeSetTest, DefaultIsWorkAloneAndListAppends) {
  addr_type::KwAddr_Type addr;
  phone_type::KwPhone_Type phone;
  EXPECT_EQ(list(addr, "ADR"), "ADR;WORK");
  EXPECT_EQ(list(phone, "TEL"), "TEL;WORK");

  Text home("home"), work("WORK"), pref("pref");
  addr.QEL_SetType(home);
  phone.QEL_SetType(home);
  EXPECT_EQ(list(addr), ";HOME;WORK");
  EXPECT_EQ(list(phone), ";WORK;HOME");
  phone.QEL_SetType(pref);
  EXPECT_EQ(list(phone), ";PREF;WORK;HOME");

  addr.QEL_ResetType(work);
  addr.QEL_ResetType(home);
  EXPECT_EQ(list(addr, "ADR"), "ADR");
  addr.QEL_SetDefault();
  phone.QEL_SetDefault();
  EXPECT_EQ(list(addr), ";WORK");
  EXPECT_EQ(list(phone), ";WORK");
}

TEST(TypeSetTest, NamesMatchIgnoringCaseButNotLength) {
  struct Case {
    const char* name;
    const char* list;
  } cases[] = {
      {"cell", ";CELL;WORK"},   {"Cell", ";CELL;WORK"},
      {"CELL", ";CELL;WORK"},   {"CELLULAR", ";WORK"},
      {"CEL", ";WORK"},         {" CELL", ";WORK"},
      {"CELL ", ";WORK"},       {"", ";WORK"},
      {"POSTAL", ";WORK"},      {"voip", ";VOIP;WORK"},
      {"vIdEo", ";VIDEO;WORK"}, {"WORKWORK", ";WORK"},
  };
  for (const Case& c : cases) {
    phone_type::KwPhone_Type phone;
    Text name(c.name);
    phone.QEL_SetType(name);
    EXPECT_EQ(list(phone), c.list) << '"' << c.name << '"';
  }
  addr_type::KwAddr_Type addr;
  Text voip("VOIP");
  addr.QEL_SetType(voip);  // a telephone type only
  addr.QEL_SetType(nullptr);
  addr.QEL_ResetType(nullptr);
  EXPECT_EQ(list(addr), ";WORK");
}

TEST(TypeSetTest, SettingTwiceOrResettingAClearTypeChangesNothing) {
  phone_type::KwPhone_Type phone;
  Text fax("fax");
  phone.QEL_SetType(fax);
  phone.QEL_SetType(fax);
  EXPECT_EQ(list(phone), ";FAX;WORK");
  phone.QEL_ResetType(fax);
  phone.QEL_ResetType(fax);
  EXPECT_EQ(list(phone), ";WORK");
}

}  // namespace
