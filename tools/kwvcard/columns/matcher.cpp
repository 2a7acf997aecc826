// The one matcher: every vocabulary scored against a header row, the one
// that recognises the most columns used (as Roundcube picks its language).
#include <algorithm>
#include <unordered_map>

#include "columns/formats.h"
#include "columns/vocabularies/vocabulary.h"

namespace kwvcard {
namespace {

// The code point at `text[i]` (advancing `i`); a byte that starts no valid
// sequence stands for itself.
char32_t decode(std::string_view text, std::size_t& i) {
  const auto b = static_cast<unsigned char>(text[i]);
  const int n = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  if (n == 0 || i + n >= text.size()) {
    ++i;
    return b;
  }
  char32_t c = b & (0x3F >> n);
  for (int k = 1; k <= n; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return b;
    }
    c = (c << 6) | (next & 0x3F);
  }
  i += n + 1;
  return c;
}

void encode(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Simple lower case: ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic.
char32_t lower(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c >= 0x100 && c <= 0x137 && c % 2 == 0) return c + 1;
  if (c >= 0x139 && c <= 0x148 && c % 2 == 1) return c + 1;
  if (c >= 0x14A && c <= 0x177 && c % 2 == 0) return c + 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E && c % 2 == 1) return c + 1;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

std::string_view trim(std::string_view text) {
  const char* space = " \t\r\n\v\f";
  const std::size_t begin = text.find_first_not_of(space);
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(space) + 1 - begin);
}

// `folded` without a number at its end ("手机2", "phone 2" → "手机", "phone");
// empty when it has none or is only a number.
std::string base_word(const std::string& folded) {
  std::size_t end = folded.find_last_not_of("0123456789");
  if (end == std::string::npos || end + 1 == folded.size()) return {};
  while (end > 0 && folded[end] == ' ') --end;
  return folded[end] == ' ' ? std::string() : folded.substr(0, end + 1);
}

// A vocabulary ready to match: its columns by folded header.
struct Matcher {
  const Vocabulary* vocabulary;
  std::unordered_map<std::string, ColumnMap> columns;

  // The meaning of `folded` in this vocabulary, or null.
  const ColumnMap* find(const std::string& folded) const {
    auto it = columns.find(folded);
    if (it == columns.end()) {
      const std::string base = base_word(folded);
      if (!base.empty()) it = columns.find(base);
    }
    return it == columns.end() ? nullptr : &it->second;
  }
};

const std::vector<Matcher>& matchers() {
  static const std::vector<Vocabulary> vocabularies = [] {
    std::vector<Vocabulary> all;
    for (auto part : {outlook_vocabularies, google_vocabularies, thunderbird_vocabularies,
                      sheet_vocabularies}) {
      for (Vocabulary& v : part()) all.push_back(std::move(v));
    }
    return all;
  }();
  static const std::vector<Matcher> all = [] {
    std::vector<Matcher> out;
    for (const Vocabulary& v : vocabularies) {
      Matcher m{&v, {}};
      for (const auto& [header, column] : v.columns) m.columns.emplace(fold(header), column);
      out.push_back(std::move(m));
    }
    return out;
  }();
  return all;
}

// The columns of `header` in the vocabulary of `m`: how many it knows.
std::size_t apply(const Matcher& m, const std::vector<std::string>& header,
                  const std::vector<std::string>& folded, std::vector<ColumnMap>& columns) {
  std::size_t known = 0;
  for (std::size_t i = 0; i < header.size(); ++i) {
    ColumnMap& column = columns[i];
    if (const ColumnMap* c = m.find(folded[i])) {
      column = *c;
    } else if (m.vocabulary->google_groups) {
      google_group(
          std::string(trim(header[i])),
          [&](const std::string& other) {
            for (std::size_t k = 0; k < header.size(); ++k) {
              if (trim(header[k]) == other) return static_cast<int>(k);
            }
            return -1;
          },
          column);
    }
    known += column.known ? 1 : 0;
  }
  return known;
}

}  // namespace

std::string fold(std::string_view header) {
  const std::string_view text = trim(header);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) encode(lower(decode(text, i)), out);
  return out;
}

Vocabulary vocabulary(std::string name, Dates dates, Table<Rule> english) {
  Vocabulary v{std::move(name), dates, {}, false};
  for (const Rule& rule : english) {
    ColumnMap column;
    column.prop = rule.prop;
    column.part = rule.part;
    column.types = rule.types;
    column.address = rule.address;
    column.known = true;
    v.columns.emplace_back(rule.header, std::move(column));
  }
  return v;
}

Vocabulary translated(std::string name, Dates dates, Table<Rule> english,
                      Table<Translation> words) {
  const Vocabulary all = vocabulary("", dates, english);
  Vocabulary v{std::move(name), dates, {}, false};
  for (const Translation& word : words) {
    for (const auto& [header, column] : all.columns) {
      if (header == word.english) v.columns.emplace_back(word.header, column);
    }
  }
  return v;
}

std::optional<Format> recognise(const std::vector<std::string>& header,
                                const std::vector<Override>& overrides) {
  std::vector<std::string> folded;
  for (const std::string& h : header) folded.push_back(fold(h));
  Format best;
  for (const Matcher& m : matchers()) {
    std::vector<ColumnMap> columns(header.size());
    const std::size_t known = apply(m, header, folded, columns);
    if (known > best.recognised) {
      best.name = m.vocabulary->name;
      best.dates = m.vocabulary->dates;
      best.recognised = known;
      best.columns = std::move(columns);
    }
  }
  if (best.recognised == 0) {
    best.name = "--map";
    best.dates = Dates::Written;
    best.columns.assign(header.size(), ColumnMap());
  }
  for (const Override& o : overrides) {
    const std::string key = fold(o.header);
    for (std::size_t i = 0; i < header.size(); ++i) {
      if (folded[i] != key) continue;
      best.recognised += best.columns[i].known ? 0 : 1;
      best.columns[i] = o.column;
    }
  }
  if (best.recognised == 0) return std::nullopt;
  best.header = header;
  return best;
}

}  // namespace kwvcard
