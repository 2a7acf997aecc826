// A pipe that the library writes a card into, by its path /proc/self/fd/N,
// and the tool reads back: cheaper than a file for the small cards most
// contacts make (no truncation, no page freed and taken again for each card).
//
// The library writes and closes the card before the tool reads a byte, so a
// card must fit in the pipe whole; Output sends a card here only when its
// largest possible size (CardWriter::most_bytes) is within room(), and any
// other card through a ScratchFile.
#ifndef KWVCARD_TOOL_CARD_PIPE_H
#define KWVCARD_TOOL_CARD_PIPE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kwvcard {

class CardPipe {
 public:
  // A pipe of up to 1 MiB; none (room() is 0) where the system has no pipes
  // to open by path.
  CardPipe();
  ~CardPipe();
  CardPipe(const CardPipe&) = delete;
  CardPipe& operator=(const CardPipe&) = delete;

  // The most bytes a card may have to be written here.
  std::size_t room() const { return room_; }
  // The path that opens the pipe for writing.
  const std::string& path() const { return path_; }
  // Everything written since the last call, read into a buffer of the pipe's
  // own, valid until the next call. False on a failed read.
  bool get(std::string_view& content);

 private:
  int read_ = -1, write_ = -1;
  std::size_t room_ = 0;
  std::string path_;
  std::vector<char> buffer_;
};

}  // namespace kwvcard

#endif
