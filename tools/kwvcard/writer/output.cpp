#include "writer/output.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace kwvcard {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
  throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
}

// The file being written, removed if the process ends before it is complete:
// by the destructor, or at exit (the library ends the process with status 2
// when a photo cannot be held in memory).
std::string& unfinished() {
  static std::string path;
  return path;
}

void remove_unfinished() {
  if (!unfinished().empty()) std::remove(unfinished().c_str());
  unfinished().clear();
}

// At exit with a file unfinished, the library has ended the process.
void ended_early() {
  if (unfinished().empty()) return;
  std::fputs("kwvcard: stopped while writing a card: a photo too large to hold in memory\n",
             stderr);
  remove_unfinished();
}

// `name` made safe as a file name: no path separators, reserved or control
// characters, no leading dot, at most 100 bytes (whole UTF-8 characters).
std::string safe(const std::string& name) {
  std::string out;
  for (char c : name) {
    const bool unsafe = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
                        std::strchr("/\\:*?\"<>|", c) != nullptr;
    out += unsafe ? '_' : c;
  }
  out.erase(0, out.find_first_not_of(". "));
  if (out.size() > 100) {
    std::size_t end = 100;
    while ((static_cast<unsigned char>(out[end]) & 0xC0) == 0x80) --end;
    out.resize(end);
  }
  out.erase(out.find_last_not_of(". ") + 1);
  return out.empty() ? "contact" : out;
}

}  // namespace

Output::Output(const std::string& file, const std::string& folder) : file_(file), folder_(folder) {
  static const bool registered = std::atexit(ended_early) == 0;
  (void)registered;
  memory_ = memfd_create("kwvcard-card", MFD_CLOEXEC);
  if (!folder_.empty()) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (!std::filesystem::is_directory(folder_))
      throw std::runtime_error("cannot create the folder " + folder_);
    if (memory_ < 0) fail("write into", folder_);
    return;
  }
  std::string temp = file_ + ".XXXXXX";
  const int fd = memory_ < 0 ? -1 : mkstemp(temp.data());
  if (fd < 0) fail("write", file_);
  const mode_t mask = umask(0);  // the permissions a new file gets
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  out_ = fdopen(fd, "wb");
  if (out_ == nullptr) {
    std::remove(temp.c_str());
    fail("write", file_);
  }
  std::setvbuf(out_, nullptr, _IOFBF, 1 << 20);
  unfinished() = temp;
}

Output::~Output() {
  if (out_ != nullptr) std::fclose(out_);
  if (memory_ >= 0) close(memory_);
  remove_unfinished();
}

std::string Output::next_card(const std::string& name) {
  if (!folder_.empty()) {
    const std::string base = safe(name);
    std::string unique = base;
    for (int n = 2; !names_.insert(unique).second; ++n) unique = base + "-" + std::to_string(n);
    unfinished() = folder_ + "/" + unique + ".vcf";
  }
  return "/proc/self/fd/" + std::to_string(memory_);
}

void Output::keep_card() {
  // Reads until a read leaves room in the buffer: one read takes most cards.
  constexpr std::size_t kBlock = 1 << 16;
  std::size_t size = 0;
  do {
    if (buffer_.size() < size + kBlock) buffer_.resize(size + kBlock);
    const ssize_t n =
        pread(memory_, buffer_.data() + size, buffer_.size() - size, static_cast<off_t>(size));
    if (n < 0) fail("write", file_);
    size += static_cast<std::size_t>(n);
  } while (size == buffer_.size());
  static const char kTrailer[] = "END:VCARD\r\n";
  const std::size_t trailer = sizeof kTrailer - 1;
  if (size < trailer || std::memcmp(buffer_.data() + size - trailer, kTrailer, trailer) != 0) {
    throw std::runtime_error("cannot write " + (folder_.empty() ? file_ : unfinished()) +
                             ": the card could not be held in memory");
  }
  if (folder_.empty()) {
    if (size == 0 || std::fwrite(buffer_.data(), 1, size, out_) != size) fail("write", file_);
    return;
  }
  const std::string& path = unfinished();
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    unfinished().clear();  // not created: nothing to remove
    errno = error;
    fail("write", path);
  }
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd, buffer_.data() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      close(fd);
      errno = error;
      fail("write", path);
    }
    done += static_cast<std::size_t>(n);
  }
  if (close(fd) != 0 || size == 0) fail("write", path);
  unfinished().clear();
}

void Output::finish() {
  if (out_ == nullptr) return;
  const bool closed = std::fclose(out_) == 0;
  out_ = nullptr;
  if (!closed || std::rename(unfinished().c_str(), file_.c_str()) != 0) fail("write", file_);
  unfinished().clear();
}

}  // namespace kwvcard
