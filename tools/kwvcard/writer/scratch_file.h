// A file the library can open by its path while its bytes stay in memory: the
// library writes each card into a file it creates from a path, and reads each
// photo and sound from a file, so the tool hands it these.
//
// On Linux a ScratchFile is an anonymous in-memory file (memfd_create) named
// by /proc/self/fd/N: nothing on disk, nothing to remove. Where there is none
// (other systems, WebAssembly) it is a temporary file under $TMPDIR (or /tmp),
// removed by the destructor.
#ifndef KWVCARD_TOOL_SCRATCH_FILE_H
#define KWVCARD_TOOL_SCRATCH_FILE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kwvcard {

class ScratchFile {
 public:
  // `name` tells what the file is for (it names the memfd or the temporary
  // file). Throws std::runtime_error when no such file can be made.
  explicit ScratchFile(const char* name);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // The path that opens the file.
  const std::string& path() const { return path_; }
  // Makes `data` the whole content. False when it cannot be written.
  bool put(std::string_view data);
  // The whole content, read into a buffer of the file's own, valid until the
  // next call. False on a failed read.
  bool get(std::string_view& content);

 private:
  int fd_ = -1;
  bool temporary_ = false;  // a named file to remove
  std::string path_;
  std::size_t size_ = 0;  // what put() last left there; SIZE_MAX when unknown
  std::vector<char> buffer_;
};

}  // namespace kwvcard

#endif
