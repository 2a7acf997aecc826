// Writing a contact as one card through the library's C++ interface.
#ifndef KWVCARD_TOOL_CARD_WRITER_H
#define KWVCARD_TOOL_CARD_WRITER_H

#include <iconv.h>

#include <string>

#include "KwvCard.hpp"
#include "contact.h"

namespace kwvcard {

class CardWriter {
 public:
  // Cards carry `charset` and `lang` (1 to 39 bytes each); photo files named
  // by a CSV export are found relative to `photo_folder`.
  CardWriter(std::string charset, std::string lang, std::string photo_folder);
  ~CardWriter();
  CardWriter(const CardWriter&) = delete;
  CardWriter& operator=(const CardWriter&) = delete;

  // Writes `contact` as a card at `path`, one property per value. A value the
  // card cannot hold whole is left out (or, under GB2312, written with '?' for
  // the characters GB2312 lacks) and said so in contact.left_out; the rest of
  // the card is still written.
  void write(const std::string& path, Contact& contact);

 private:
  bool add(kwv::Card& card, const Value& value);
  void media(kwv::Card& card, const Value& value, Contact& contact);
  void report_gb2312_losses(const Value& value, Contact& contact);

  std::string charset_, lang_, photo_folder_;
  iconv_t gb2312_ = reinterpret_cast<iconv_t>(-1);  // open when the charset converts
  int media_ = -1;              // an in-memory file that inline photos and sounds go through
  std::size_t media_size_ = 0;  // its size
};

}  // namespace kwvcard

#endif
