#include "columns/user_map.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>

namespace kwvcard {
namespace {

struct Field {
  const char* name;
  Prop prop;
  int part = 0;
};

const Field kFields[] = {
    {"name", Prop::Name, kWholeName},
    {"family", Prop::Name, 0},
    {"given", Prop::Name, 1},
    {"middle", Prop::Name, 2},
    {"prefix", Prop::Name, 3},
    {"suffix", Prop::Name, 4},
    {"org", Prop::Org},
    {"department", Prop::Department},
    {"title", Prop::Title},
    {"role", Prop::Role},
    {"tel", Prop::Tel},
    {"email", Prop::Email},
    {"url", Prop::Url},
    {"im", Prop::Im},
    {"note", Prop::Note},
    {"birthday", Prop::Birthday},
    {"anniversary", Prop::Anniversary},
    {"nickname", Prop::Nickname},
    {"spouse", Prop::Spouse},
    {"children", Prop::Children},
    {"manager", Prop::Manager},
    {"assistant", Prop::Assistant},
    {"photo", Prop::Photo},
    {"po-box", Prop::Address, 0},
    {"extended", Prop::Address, 1},
    {"street", Prop::Address, 2},
    {"city", Prop::Address, 3},
    {"region", Prop::Address, 4},
    {"postal-code", Prop::Address, 5},
    {"country", Prop::Address, 6},
    {"ignore", Prop::None},
};

// The library's telephone types.
const char* const kTelTypes[] = {"PREF",  "VOICE", "FAX",  "MSG",   "CELL", "PAGER", "BBS",
                                 "MODEM", "CAR",   "ISDN", "VIDEO", "VOIP", "WORK",  "HOME"};

std::string trim(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r") + 1 - begin);
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The meaning of `field` ("tel:cell,work", "city:home"), or nullopt.
std::optional<ColumnMap> parse_field(const std::string& field) {
  const std::size_t colon = field.find(':');
  const std::string base = lower(field.substr(0, colon));
  const std::string option = colon == std::string::npos ? "" : field.substr(colon + 1);
  const Field* f = std::find_if(std::begin(kFields), std::end(kFields),
                                [&](const Field& k) { return base == k.name; });
  if (f == std::end(kFields)) return std::nullopt;
  ColumnMap column;
  column.prop = f->prop;
  column.part = f->part;
  column.known = true;
  if (f->prop == Prop::Tel) {
    column.types = colon == std::string::npos ? "VOICE" : "";
    for (std::size_t pos = 0; colon != std::string::npos && pos <= option.size();) {
      const std::size_t comma = std::min(option.find(',', pos), option.size());
      std::string type = trim(option.substr(pos, comma - pos));
      for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (std::find(std::begin(kTelTypes), std::end(kTelTypes), type) == std::end(kTelTypes))
        return std::nullopt;
      column.types += (column.types.empty() ? "" : " ") + type;
      pos = comma + 1;
    }
  } else if (f->prop == Prop::Address) {
    const std::string place = lower(option);
    if (colon != std::string::npos && place != "home" && place != "work") return std::nullopt;
    const bool home = place == "home";
    column.types = home ? "HOME" : "WORK";
    column.address = home ? 1 : 0;
  } else if (colon != std::string::npos) {
    return std::nullopt;
  }
  return column;
}

}  // namespace

std::vector<Override> read_map(const std::string& text, const std::string& name) {
  std::vector<Override> overrides;
  int line_number = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    const std::string line = trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++line_number;
    if (line.empty() || line[0] == '#') continue;
    const std::size_t equals = line.rfind('=');
    std::string field = equals == std::string::npos ? "" : line.substr(equals + 1);
    field = trim(field.substr(0, field.find('#')));  // a comment after the field
    const std::string header = equals == std::string::npos ? "" : trim(line.substr(0, equals));
    const auto column = parse_field(field);
    if (header.empty() || !column) {
      throw std::runtime_error(name + ":" + std::to_string(line_number) + ": \"" + line +
                               "\": " + (header.empty() ? "not HEADER = FIELD" : "not a field") +
                               " (see kwvcard(1), --map)");
    }
    overrides.push_back({header, *column});
  }
  return overrides;
}

}  // namespace kwvcard
