// Where the cards go: all in one file, or one file each in a folder. Each card
// is written into memory first, where closing it cannot fail, then copied to
// its place with checked writes. Nothing half-written is left behind when the
// import stops early, even when the library ends the process.
#ifndef KWVCARD_TOOL_OUTPUT_H
#define KWVCARD_TOOL_OUTPUT_H

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "writer/card_pipe.h"
#include "writer/scratch_file.h"

namespace kwvcard {

class Output {
 public:
  // Exactly one of `file` and `folder` is non-empty. The folder is created
  // when missing; the file is written under a temporary name until finish().
  // Throws std::runtime_error when the output cannot be created.
  Output(const std::string& file, const std::string& folder);
  // Removes the temporary file, or the card being written.
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Where to write the card of the contact called `name`, which holds at most
  // `most_bytes`: a pipe when it surely fits, a file in memory otherwise.
  // In a folder the card's file will be "<name>.vcf" (unsafe characters
  // replaced, duplicates numbered "<name>-2.vcf", ...).
  std::string next_card(const std::string& name, std::size_t most_bytes);
  // The card is complete: copies it into the single file or its own file.
  // Throws std::runtime_error naming the file and the reason when it cannot
  // be written whole; a card file left incomplete is removed.
  void keep_card();
  // Puts the single file in place.
  void finish();

 private:
  std::string file_, folder_;
  std::FILE* out_ = nullptr;  // the single file, under a temporary name
  std::vector<char> out_buffer_;
  CardPipe pipe_;       // what a card that fits goes through
  ScratchFile card_;    // and any other card
  bool piped_ = false;  // the card being written is in the pipe
  std::set<std::string> names_;
};

}  // namespace kwvcard

#endif
