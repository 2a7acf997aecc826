// One LDIF record to the contact it describes, and the attributes of a file
// that no card line takes.
#ifndef KWVCARD_TOOL_LDIF_MAPPING_H
#define KWVCARD_TOOL_LDIF_MAPPING_H

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "contact.h"
#include "ldif/ldif_reader.h"

namespace kwvcard {

// The contact `record` describes, its values in card order, each naming the
// line and attribute it comes from. Bookkeeping attributes and those no card
// line takes are dropped here (see UnusedAttributes); a value a card cannot
// take (a month of 13, base64 that is not UTF-8 text) is listed in
// `left_out`.
Contact to_contact(const LdifRecord& record);

// Counts the values of the attributes no card line takes, over a whole file.
class UnusedAttributes {
 public:
  void add(const LdifRecord& record);

  // One message an attribute, in the order they first came, with how many
  // values it stands for: `attribute "custom1" (3 values): not used`.
  std::vector<std::pair<std::string, std::size_t>> messages() const;

 private:
  std::vector<std::pair<std::string, std::size_t>> attributes_;  // as first written, values
  std::unordered_map<std::string, std::size_t> index_;           // by lower-case name
};

}  // namespace kwvcard

#endif
