// Photos and sounds: by reference (a URL line), or inline from a media file as
// base64 folded at 75 characters per physical line.
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KwvCard.h"
#include "QEL_base64.h"
#include "card/line.h"

namespace {

constexpr std::size_t kHeaderCapacity = 400;
constexpr std::size_t kFoldWidth = 75;
constexpr char kFold[] = "\r\n    ";  // line break and the continuation indent
// The largest size whose encoded length still fits in an int.
constexpr off_t kMaxMediaSize = 1610612733;

// Never returns: the data cannot be held in memory.
[[noreturn]] void out_of_memory() {
  std::exit(2);
}

constexpr std::size_t kLine = sizeof kFold - 1 + kFoldWidth;  // one folded line
constexpr std::size_t kStackBlock = 200 * kLine;

// Writes `text` folded: kFoldWidth characters per physical line, kFold before
// every further line, CR LF at the end. Lines are gathered in `block` (of
// `block_size` bytes, at least kLine + 2) and written a block at a time.
void write_folded(std::FILE* stream, const char* text, std::size_t len, char* block,
                  std::size_t block_size) {
  std::size_t used = 0;
  for (std::size_t pos = 0; pos < len; pos += kFoldWidth) {
    if (used + kLine + 2 > block_size) {  // room for a line and the final CR LF
      kwv::write_bytes(stream, block, used);
      used = 0;
    }
    if (pos > 0) {
      std::memcpy(block + used, kFold, sizeof kFold - 1);
      used += sizeof kFold - 1;
    }
    const std::size_t n = len - pos < kFoldWidth ? len - pos : kFoldWidth;
    std::memcpy(block + used, text + pos, n);
    used += n;
  }
  block[used++] = '\r';
  block[used++] = '\n';
  kwv::write_bytes(stream, block, used);
}

// Memory for the media data and for its base64 text. The first touch of each
// 4 KiB page costs more than encoding it, so buffers from 1 MiB up are mapped
// from the kernel, aligned to 2 MiB and marked for transparent huge pages: a
// 16 MiB photo's two buffers then take some twenty page faults instead of
// 9,500. (A huge page may hold up to twice what is asked, which stays within
// the memory the data and its text need anyway.) Smaller buffers come from
// malloc. data() is null when the memory cannot be had.
class MediaBuffer {
 public:
  explicit MediaBuffer(std::size_t size) {
    if (size < kHugePage / 2) {
      data_ = static_cast<char*>(std::malloc(size > 0 ? size : 1));
      return;
    }
    // Map a huge page more than needed, then unmap the unaligned ends.
    const std::size_t length = round_up(size);
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return;
    char* const start = static_cast<char*>(raw);
    char* const aligned =
        reinterpret_cast<char*>(round_up(reinterpret_cast<std::uintptr_t>(start)));
    if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
    char* const end = start + length + kHugePage;
    if (aligned + length < end)
      munmap(aligned + length, static_cast<std::size_t>(end - aligned - length));
    madvise(aligned, length, MADV_HUGEPAGE);  // a hint: without huge pages all still works
    data_ = aligned;
    mapped_ = length;
  }
  ~MediaBuffer() {
    if (mapped_ != 0) {
      munmap(data_, mapped_);
    } else {
      std::free(data_);
    }
  }
  MediaBuffer(const MediaBuffer&) = delete;
  MediaBuffer& operator=(const MediaBuffer&) = delete;

  char* data() const { return data_; }
  // The bytes mapped, all usable (at least the size asked for); 0 for a
  // buffer from malloc.
  std::size_t mapped() const { return mapped_; }

 private:
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;
  template <typename T>
  static T round_up(T n) {
    return (n + (kHugePage - 1)) & ~static_cast<T>(kHugePage - 1);
  }

  char* data_ = nullptr;
  std::size_t mapped_ = 0;  // 0 when from malloc
};

// Writes the attachment header and the folded body of the file at `path`.
int attach(KwvCard& card, std::FILE* stream, const char* prefix, char* path, char* type) {
  if (stream == nullptr || path == nullptr || type == nullptr) return 0;
  // The prefix, the type, ':' and the terminator must fit the header buffer;
  // a longer type is refused before anything is opened or changed.
  const void* nul = std::memchr(type, '\0', kHeaderCapacity);
  if (nul == nullptr) return 0;
  const auto type_len = static_cast<std::size_t>(static_cast<const char*>(nul) - type);
  if (std::strlen(prefix) + type_len + 1 >= kHeaderCapacity) return 0;

  std::FILE* media = std::fopen(path, "rb");
  if (media == nullptr) return 0;
  struct stat st;
  if (fstat(fileno(media), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(media);  // a directory opens for reading here, but holds no media
    return 0;
  }
  for (std::size_t i = 0; i < type_len; ++i) {
    type[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(type[i])));
  }
  char buf[kHeaderCapacity];
  kwv::Line header(buf, sizeof buf);
  header.add(prefix).add(type, type_len).add(":");
  kwv::write_bytes(stream, header.data(), header.size());
  card.QEL_Base64Encode(media);
  std::fclose(media);
  return 1;
}

}  // namespace

void KwvCard::QEL_AddRefPhoto(char* url) {
  kwv::write_text_line<kwv::kUrlCapacity>(stream, charset, lang, "URL", nullptr, url,
                                          "PHOTO;VALUE=");
}

void KwvCard::QEL_AddRefSound(char* url) {
  kwv::write_text_line<kwv::kUrlCapacity>(stream, charset, lang, "URL", nullptr, url,
                                          "SOUND;VALUE=");
}

int KwvCard::QEL_AttachPhoto(char* path, char* type) {
  return attach(*this, stream, "PHOTO;ENCODING=BASE64;TYPE=", path, type);
}

int KwvCard::QEL_AttachSound(char* path, char* type) {
  return attach(*this, stream, "SOUND;ENCODING=BASE64;TYPE=", path, type);
}

void KwvCard::QEL_Base64Encode(std::FILE* media) {
  if (stream == nullptr || media == nullptr) return;
  // off_t is 64 bits on every target (the build sets _FILE_OFFSET_BITS=64), so
  // on 32-bit ARM too a file beyond 2 GiB opens and sizes, and is refused here.
  off_t size = -1;
  if (fseeko(media, 0, SEEK_END) == 0) size = ftello(media);
  std::rewind(media);
  if (size < 0 || size > kMaxMediaSize) out_of_memory();

  const auto n = static_cast<std::size_t>(size);
  const std::size_t encoded = 4 * ((n + 2) / 3);
  MediaBuffer data(n);
  if (data.data() == nullptr) out_of_memory();
  MediaBuffer buffer(encoded + 1);
  if (buffer.data() == nullptr) out_of_memory();
  const std::size_t got = std::fread(data.data(), 1, n, media);
  if (got < n) std::memset(data.data() + got, 0, n - got);

  buffer.data()[0] = '\0';
  char* text = buffer.data();
  const int result = QEL_base64_encode(data.data(), static_cast<int>(n), &text);
  // The encoder fills the buffer it is handed; should one hand back its own
  // text instead, that text stays the encoder's. Our encoder reports the
  // length it wrote, which spares a scan of the text.
  if (text == nullptr) text = buffer.data();
  const bool known = text == buffer.data() && result >= 0 &&
                     static_cast<std::size_t>(result) == encoded && text[encoded] == '\0';
  const std::size_t len = known ? encoded : std::strlen(text);
  // The data is no longer needed: a large data buffer, already in memory,
  // gathers the folded lines, so the body goes out in a few large writes.
  if (data.mapped() >= kStackBlock) {
    write_folded(stream, text, len, data.data(), data.mapped());
  } else {
    char block[kStackBlock];
    write_folded(stream, text, len, block, sizeof block);
  }
}
