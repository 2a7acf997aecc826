// Single-value properties: names, line shapes, capacities, BDAY formatting.
#include <climits>
#include <functional>

#include "test_support.h"

namespace {

using TextPropertyTest = kwvtest::CardTest;

struct Property {
  const char* prefix;  // everything before ':' under the default settings
  std::size_t capacity;
  std::function<int(KwvCard&, char*)> add;
};

#define KWV_PLAIN(prefix, capacity, op)                           \
  {                                                               \
    prefix, capacity, [](KwvCard& c, char* v) { return c.op(v); } \
  }

const Property kProperties[] = {
    KWV_PLAIN("TITLE;CHARSET=UTF-8", 800, QEL_AddTitle),
    KWV_PLAIN("NOTE;CHARSET=UTF-8", 1600, QEL_AddComment),
    KWV_PLAIN("URL;CHARSET=UTF-8", 800, QEL_AddURL),
    KWV_PLAIN("ROLE;CHARSET=UTF-8", 500, QEL_AddBusCat),
    KWV_PLAIN("IM;CHARSET=UTF-8", 500, QEL_AddIM),
    KWV_PLAIN("DEPARTMENT;CHARSET=UTF-8", 800, QEL_AddDepartment),
    KWV_PLAIN("X-ZEB-ANNIVERSARY;CHARSET=UTF-8", 800, QEL_AddAnniversary),
    KWV_PLAIN("X-ZEB-SPOUSE;CHARSET=UTF-8", 800, QEL_AddSpouse),
    KWV_PLAIN("X-ZEB-CHILD;CHARSET=UTF-8", 800, QEL_AddChildren),
    KWV_PLAIN("X-ZEB-NICKNAME;CHARSET=UTF-8", 800, QEL_AddNickname),
    KWV_PLAIN("X-ZEB-MANAGER;CHARSET=UTF-8", 800, QEL_AddManager),
    KWV_PLAIN("X-ZEB-ASSISTANT;CHARSET=UTF-8", 800, QEL_AddAssistant),
    KWV_PLAIN("EMAIL;CHARSET=UTF-8;INTERNET", 800, QEL_AddEmail),
    {"EMAIL;CHARSET=UTF-8;internet", 800,
     [](KwvCard& c, char* v) {
       char type[] = "internet";
       return c.QEL_AddEmail(type, v);
     }},
};

TEST_F(TextPropertyTest, EachPropertyWritesItsLineUpToItsCapacity) {
  std::string expected;
  for (const Property& p : kProperties) {
    // prefix, ':', value and CR LF: capacity - 1 characters fit, capacity do not.
    const std::string longest(p.capacity - std::strlen(p.prefix) - 4, 'v');
    for (const std::string& value : {std::string("a;b:c\\n \xC3\xA9"), std::string(), longest}) {
      const std::string line = p.prefix + (":" + value) + "\r\n";
      EXPECT_EQ(p.add(card(), s(value)), static_cast<int>(line.size())) << line;
      expected += line;
    }
    EXPECT_EQ(p.add(card(), s(longest + "v")), 0) << p.prefix;
    EXPECT_EQ(p.add(card(), nullptr), 0) << p.prefix;
  }
  EXPECT_EQ(card().QEL_AddEmail(nullptr, s("a@b")), 0);
  EXPECT_EQ(body(), expected);
}

TEST_F(TextPropertyTest, BirthdayIsYearMonthDayWithoutParameters) {
  struct Case {
    int day, month, year;
    const char* line;
  } cases[] = {
      {7, 3, 1980, "BDAY:1980-03-07\r\n"},
      {1, 1, 5, "BDAY:0005-01-01\r\n"},
      {0, 0, 0, "BDAY:0000-00-00\r\n"},
      {31, 12, 12345, "BDAY:12345-12-31\r\n"},
      {-1, -2, -3, "BDAY:-003--2--1\r\n"},
      {INT_MIN, INT_MIN, INT_MIN, "BDAY:-2147483648--2147483648--2147483648\r\n"},
  };
  std::string expected;
  card().QEL_ChangeLang(s("fr"));
  for (const Case& c : cases) {
    card().QEL_AddBday(c.day, c.month, c.year);
    expected += c.line;
  }
  EXPECT_EQ(body(), expected);
}

}  // namespace
