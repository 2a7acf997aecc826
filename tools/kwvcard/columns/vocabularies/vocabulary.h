// The header vocabularies the matcher scores: one table of meanings per
// export in its own (English) words, and one table per language that turns a
// translated header into that English header. Each table names its source.
#ifndef KWVCARD_TOOL_VOCABULARY_H
#define KWVCARD_TOOL_VOCABULARY_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "columns/formats.h"

namespace kwvcard {

// A column with a fixed meaning: its header, property, component of N or ADR,
// TEL or ADR types, and the address it belongs to.
struct Rule {
  const char* header;
  Prop prop;
  int part = 0;
  const char* types = "";
  int address = 0;
};

// N components: family; given; middle; prefix; suffix (kWholeName: the whole name).
// ADR components: PO box; extended; street; city; region; postal code; country.
// Addresses: 0 work, 1 home, 2 other.

// A header as a translated export writes it, and the export's English header
// it stands for.
struct Translation {
  const char* header;
  const char* english;
};

template <typename T>
struct Table {
  const T* rows = nullptr;
  std::size_t size = 0;
  template <std::size_t N>
  constexpr Table(const T (&array)[N]) : rows(array), size(N) {}  // NOLINT: a table is its array
  const T* begin() const { return rows; }
  const T* end() const { return rows + size; }
};

// One vocabulary: the headers it knows, each with its meaning.
struct Vocabulary {
  std::string name;  // "Outlook", "Outlook (German)", ...
  Dates dates;
  std::vector<std::pair<std::string, ColumnMap>> columns;  // header as written, its meaning
  bool google_groups = false;  // also Google's numbered "<group> <n> - <field>" columns
};

// A vocabulary of `english` alone, or with each header of `words` in place of
// the English header it translates.
Vocabulary vocabulary(std::string name, Dates dates, Table<Rule> english);
Vocabulary translated(std::string name, Dates dates, Table<Rule> english, Table<Translation> words);

std::vector<Vocabulary> outlook_vocabularies();      // outlook.cpp
std::vector<Vocabulary> thunderbird_vocabularies();  // thunderbird.cpp
std::vector<Vocabulary> google_vocabularies();       // google.cpp
std::vector<Vocabulary> sheet_vocabularies();        // sheets.cpp

// Google's numbered columns ("Phone 1 - Value", its "Phone 1 - Label", an
// address's "Address 1 - City"): whether `header` is one, and if so its
// meaning in `column`; `find` gives the index of another header or -1.
bool google_group(const std::string& header, const std::function<int(const std::string&)>& find,
                  ColumnMap& column);

}  // namespace kwvcard

#endif
