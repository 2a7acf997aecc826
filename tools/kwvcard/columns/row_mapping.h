// One row of an export to the contact it describes.
#ifndef KWVCARD_TOOL_ROW_MAPPING_H
#define KWVCARD_TOOL_ROW_MAPPING_H

#include "columns/formats.h"
#include "contact.h"
#include "rows.h"

namespace kwvcard {

// The contact in `row` of an export in `format`: its values in card order,
// empty cells skipped, name parts gathered into N and address parts into ADR,
// dates read. A birthday without a year or a date that cannot be read is left
// out and said so in `left_out`.
Contact to_contact(const Format& format, const Record& row);

}  // namespace kwvcard

#endif
