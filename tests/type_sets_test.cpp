// The address and telephone type sets on their own.
#include "KwAddr_Type.h"
#include "KwPhone_Type.h"
#include "test_support.h"

namespace {

// Applies `change` (QEL_SetType or QEL_ResetType) to each name; returns the list.
template <class Set>
std::string apply(Set& set, void (Set::*change)(char*), std::initializer_list<const char*> names) {
  for (const char* name : names) (set.*change)(name ? std::string(name).data() : nullptr);
  char line[128] = "TYPES";
  set.QEL_TypeListGenerate(line);
  return line;
}

TEST(TypeSetTest, ListsFollowTableOrderNotCallOrder) {
  using addr_type::KwAddr_Type;
  using phone_type::KwPhone_Type;
  KwAddr_Type addr;
  KwPhone_Type phone;
  EXPECT_EQ(apply(addr, &KwAddr_Type::QEL_SetType, {"home", "parcel", "postal", "intl", "dom"}),
            "TYPES;DOM;INTL;POSTAL;PARCEL;HOME;WORK");
  EXPECT_EQ(apply(phone, &KwPhone_Type::QEL_SetType, {"home", "voip", "pref"}),
            "TYPES;PREF;VOIP;WORK;HOME");
  EXPECT_EQ(apply(addr, &KwAddr_Type::QEL_ResetType, {"DOM", "intl", "postal", "parcel", "home"}),
            "TYPES;WORK");
  EXPECT_EQ(apply(addr, &KwAddr_Type::QEL_ResetType, {"work", "work", "VOIP", nullptr}), "TYPES");
  phone.QEL_SetDefault();
  EXPECT_EQ(apply(phone, &KwPhone_Type::QEL_SetType, {}), "TYPES;WORK");
}

TEST(TypeSetTest, NamesMatchIgnoringCaseButNotLength) {
  const char* cases[][2] = {{"cell", ";CELL;WORK"}, {"Cell", ";CELL;WORK"}, {"CELLULAR", ";WORK"},
                            {"CEL", ";WORK"},       {" CELL", ";WORK"},     {"CELL ", ";WORK"},
                            {"", ";WORK"},          {"POSTAL", ";WORK"},    {"WORKWORK", ";WORK"}};
  for (const auto& c : cases) {
    phone_type::KwPhone_Type phone;
    EXPECT_EQ(apply(phone, &phone_type::KwPhone_Type::QEL_SetType, {c[0]}),
              std::string("TYPES") + c[1])
        << '"' << c[0] << '"';
  }
}

}  // namespace
