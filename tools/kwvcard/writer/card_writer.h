// Writing a contact as one card through the library's C++ interface.
#ifndef KWVCARD_TOOL_CARD_WRITER_H
#define KWVCARD_TOOL_CARD_WRITER_H

#include <iconv.h>

#include <memory>
#include <string>

#include "KwvCard.hpp"
#include "contact.h"
#include "writer/scratch_file.h"

namespace kwvcard {

// How the cards are written: the command's options.
struct CardSettings {
  std::string charset = "UTF-8", lang = "en-US";
  bool quoted_printable = true;  // --encoding quoted-printable (the default) or 8bit
  int photo_size = 0;            // --photo-size: the longest side of a photo; 0 as they are
  bool no_photos = false;        // --no-photos
  std::string photo_folder;      // where the photo files a CSV export names are
};

class CardWriter {
 public:
  // The settings are the command's, already checked (see check()).
  explicit CardWriter(CardSettings settings);
  ~CardWriter();
  CardWriter(const CardWriter&) = delete;
  CardWriter& operator=(const CardWriter&) = delete;

  // Throws std::runtime_error, with the message for the user, when the cards
  // cannot be written with `settings`: a charset this system cannot convert
  // to, or one whose name is too long to carry quoted-printable.
  static void check(const CardSettings& settings);

  // Writes `contact` as a card at `path`, one property per value. A value the
  // card cannot hold whole is left out, written with '?' for the characters
  // the charset lacks, or written without quoted-printable when only its
  // encoded form is too long, and said so in contact.left_out; the rest of the
  // card is still written.
  void write(const std::string& path, Contact& contact);

  // The most bytes the card of `contact` can take, whatever the charset and
  // encoding: SIZE_MAX when it has a photo or sound file to read (from CSV),
  // whose size is not known before.
  std::size_t most_bytes(const Contact& contact) const;

  // How many photos --no-photos left out so far.
  std::size_t photos_left_out() const { return photos_left_out_; }

 private:
  bool add(kwv::Card& card, const Value& value);
  void media(kwv::Card& card, const Value& value, Contact& contact);
  bool attach(kwv::Card& card, const Value& value, const std::string& data,
              const std::string& type);
  void report_losses(const Value& value, Contact& contact);

  CardSettings settings_;
  std::string charset_name_;                      // as messages name it
  iconv_t lost_ = reinterpret_cast<iconv_t>(-1);  // tells which characters the charset lacks
  std::unique_ptr<ScratchFile> media_;            // what inline photos and sounds go through
  std::size_t photos_left_out_ = 0;
};

}  // namespace kwvcard

#endif
