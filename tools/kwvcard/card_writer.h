// Writing a contact as one card through the library.
#ifndef KWVCARD_TOOL_CARD_WRITER_H
#define KWVCARD_TOOL_CARD_WRITER_H

#include <string>

#include "KwvCard.h"
#include "contact.h"

namespace kwvcard {

class CardWriter {
 public:
  // Cards carry `charset` and `lang` (at most 39 bytes each); photo files are
  // found relative to `photo_folder`.
  CardWriter(std::string charset, std::string lang, std::string photo_folder);

  // Writes `contact` as a card at `path` (an existing file, truncated), one
  // property per value. A value the card cannot hold is left out and added to
  // contact.left_out; the rest of the card is still written.
  void write(const std::string& path, Contact& contact);

 private:
  void settings(KwvCard& card);
  void photo(KwvCard& card, Value& value, Contact& contact);

  std::string charset_, lang_, photo_folder_;
  KwvCard probe_;  // on /dev/null: tells whether a line fits, before writing it
};

}  // namespace kwvcard

#endif
