#include "writer/card_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kwvcard {

CardPipe::CardPipe() {
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  read_ = ends[0];
  write_ = ends[1];
  path_ = "/proc/self/fd/" + std::to_string(write_);
  // 1 MiB is what an unprivileged process may ask for by default; the kernel
  // may give less. Half of it is room enough whatever the writes' sizes: the
  // pipe keeps whole pages, one per write at worst.
  fcntl(write_, F_SETPIPE_SZ, 1 << 20);
  const int capacity = fcntl(write_, F_GETPIPE_SZ);
  const int opened = open(path_.c_str(), O_WRONLY | O_CLOEXEC);  // /proc may be missing
  if (capacity <= 0 || opened < 0 || fcntl(read_, F_SETFL, O_NONBLOCK) != 0) {
    if (opened >= 0) close(opened);
    return;
  }
  close(opened);
  room_ = static_cast<std::size_t>(capacity) / 2;
  buffer_.resize(static_cast<std::size_t>(capacity));
#endif
}

CardPipe::~CardPipe() {
  if (read_ >= 0) close(read_);
  if (write_ >= 0) close(write_);
}

bool CardPipe::get(std::string_view& content) {
  // Nothing writes while this reads: a read that leaves room in the buffer
  // has emptied the pipe, so one read takes a card.
  std::size_t size = 0;
  for (;;) {
    if (size == buffer_.size()) buffer_.resize(buffer_.size() * 2 + 4096);
    const ssize_t n = read(read_, buffer_.data() + size, buffer_.size() - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    if (n <= 0) break;
    size += static_cast<std::size_t>(n);
    if (size < buffer_.size()) break;
  }
  content = std::string_view(buffer_.data(), size);
  return true;
}

}  // namespace kwvcard
