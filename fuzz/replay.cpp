// A main() for builds without libFuzzer: runs the fuzz target once on each
// file named (a directory stands for the files in it), ignoring "-flag" options.
#include <vector>

#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    std::vector<fs::path> files{argv[i]};
    if (fs::is_directory(argv[i])) files.assign(fs::directory_iterator(argv[i]), {});
    for (const fs::path& f : files) {
      const std::string s = kwvfuzz::read_file(f);
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
      ++count;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  return 0;
}
