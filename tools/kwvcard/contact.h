// A contact as the card properties it becomes.
#ifndef KWVCARD_TOOL_CONTACT_H
#define KWVCARD_TOOL_CONTACT_H

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kwvcard {

// Card properties, in the order a card lists them.
enum class Prop {
  None,  // not written
  Name,
  Org,
  Department,
  Title,
  Role,
  Tel,
  Email,
  Address,
  Url,
  Im,
  Birthday,
  Anniversary,
  Nickname,
  Spouse,
  Children,
  Manager,
  Assistant,
  Note,
  Photo,
};

struct Value {
  Prop prop = Prop::None;
  std::vector<std::string> parts;         // the text, or the components of N (5) or ADR (7)
  std::vector<std::string_view> columns;  // the header of each part's column ("" for none)
  std::string types;                      // TEL or ADR types, separated by spaces
  std::array<int, 3> date{};              // BDAY: day, month, year
};

struct LeftOut {
  std::string column;
  std::string why;
};

struct Contact {
  int line = 0;                   // the input line its row starts on
  std::string name;               // to name its file: given and family name, company or e-mail
  std::vector<Value> values;      // in card order
  std::vector<LeftOut> left_out;  // what the card cannot hold
};

}  // namespace kwvcard

#endif
