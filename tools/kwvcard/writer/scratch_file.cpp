#include "writer/scratch_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>
#define KWVCARD_HAVE_MEMFD 1
#endif

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace kwvcard {

ScratchFile::ScratchFile(const char* name) {
#ifdef KWVCARD_HAVE_MEMFD
  fd_ = memfd_create(name, MFD_CLOEXEC);
  if (fd_ >= 0) {
    path_ = "/proc/self/fd/" + std::to_string(fd_);
    return;
  }
#endif
  const char* folder = std::getenv("TMPDIR");
  path_ =
      std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/" + name + ".XXXXXX";
  fd_ = mkstemp(path_.data());
  if (fd_ < 0) {
    throw std::runtime_error("cannot create a temporary file in " +
                             path_.substr(0, path_.rfind('/')) + ": " + std::strerror(errno));
  }
  temporary_ = true;
}

ScratchFile::~ScratchFile() {
  close(fd_);
  if (temporary_) unlink(path_.c_str());
}

bool ScratchFile::put(std::string_view data) {
  // The file holds what was put last: cut it only when this is shorter.
  const std::size_t size = data.size();
  bool done = size >= size_ || ftruncate(fd_, static_cast<off_t>(size)) == 0;
  for (std::size_t at = 0; done && at < size;) {
    const ssize_t n = pwrite(fd_, data.data() + at, size - at, static_cast<off_t>(at));
    done = n > 0 || (n < 0 && errno == EINTR);
    at += n > 0 ? static_cast<std::size_t>(n) : 0;
  }
  size_ = done ? size : SIZE_MAX;  // unknown after a failure: cut next time
  return done;
}

bool ScratchFile::get(std::string_view& content) {
  // Reads until a read leaves room in the buffer: one read takes most cards.
  constexpr std::size_t kBlock = 1 << 16;
  std::size_t size = 0;
  do {
    if (buffer_.size() < size + kBlock) buffer_.resize(size + kBlock);
    const ssize_t n =
        pread(fd_, buffer_.data() + size, buffer_.size() - size, static_cast<off_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    size += static_cast<std::size_t>(n);
    if (n == 0) break;
  } while (size == buffer_.size());
  content = std::string_view(buffer_.data(), size);
  size_ = SIZE_MAX;  // whoever wrote it last may have left any size
  return true;
}

}  // namespace kwvcard
