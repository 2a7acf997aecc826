// --map FILE: the user's own names for a sheet's columns, lines of
// `HEADER = FIELD`.
#ifndef KWVCARD_TOOL_USER_MAP_H
#define KWVCARD_TOOL_USER_MAP_H

#include <string>
#include <vector>

#include "columns/formats.h"

namespace kwvcard {

// The columns the text of a map file names; `name` (the file as given) is in
// the message of the std::runtime_error thrown for a line that is not
// `HEADER = FIELD`: "<name>:<line>: "<text>": not a field (see kwvcard(1), --map)".
std::vector<Override> read_map(const std::string& text, const std::string& name);

}  // namespace kwvcard

#endif
