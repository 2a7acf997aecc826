// One card of a vCard file to the contact it describes.
#ifndef KWVCARD_TOOL_VCARD_MAPPING_H
#define KWVCARD_TOOL_VCARD_MAPPING_H

#include "contact.h"
#include "vcard/vcard_reader.h"

namespace kwvcard {

// The contact `card` describes, its values in card order, each naming the
// line and property it comes from. Bookkeeping and producer-specific
// properties are dropped and counted in `skipped`; contact data a card cannot
// take (and values that cannot be decoded) are listed in `left_out`.
Contact to_contact(const Card& card);

}  // namespace kwvcard

#endif
