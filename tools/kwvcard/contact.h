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
  Sound,
};

struct Value {
  Prop prop = Prop::None;
  std::vector<std::string> parts;  // the text, or the components of N (5), ORG (1 to 3) or ADR (7)
  std::vector<std::string_view> columns;  // CSV: the header of each part's column ("" for none)
  std::string types;                      // TEL or ADR types, separated by spaces; PHOTO's type
  std::array<int, 3> date{};              // BDAY: day, month, year
  // vCard input: the line its property starts on and the property's name as
  // written there (without its group), for messages.
  int line = 0;
  std::string property{};
  // PHOTO or SOUND: parts[0] is a URL (written by reference) or, from CSV, a
  // file beside the input; with `inline_data` the media itself is in `data`,
  // its type (JPEG, PNG, ...) in `types`.
  bool inline_data = false;
  std::string data{};
};

// A value the card does not hold whole, as a message names it:
// "<input>:<line>: <where>: <why>".
struct LeftOut {
  int line = 0;
  std::string where;  // `column "Notes"` (CSV) or `NOTE` (vCard)
  std::string why;
};

struct Contact {
  int line = 0;                   // the input line its row or card starts on
  std::string name;               // to name its file: given and family name, company or e-mail
  std::vector<Value> values;      // in card order
  std::vector<LeftOut> left_out;  // what the card cannot hold
  std::size_t skipped = 0;        // vCard: producer-specific properties dropped silently
};

}  // namespace kwvcard

#endif
