// Where the cards go: all in one file, or one file each in a folder. Cards are
// written to temporary files first, so that nothing half-written is left
// behind when the import stops.
#ifndef KWVCARD_TOOL_OUTPUT_H
#define KWVCARD_TOOL_OUTPUT_H

#include <cstdio>
#include <set>
#include <string>

namespace kwvcard {

class Output {
 public:
  // Exactly one of `file` and `folder` is non-empty. The folder is created
  // when missing. Throws std::runtime_error when the output cannot be created.
  Output(const std::string& file, const std::string& folder);
  // Removes every temporary file, and the output file's content unless
  // finish() was called.
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // An empty file in the destination folder to write the next card to.
  const std::string& next_card();
  // The card written to next_card() is complete: appended to the output file,
  // or moved into the folder as "<name>.vcf" (unsafe characters replaced,
  // duplicates numbered "<name>-2.vcf", ...).
  void keep_card(const std::string& name);
  // Puts the output file in place.
  void finish();

 private:
  std::string unique_name(const std::string& name);

  std::string file_, folder_;
  std::string temp_file_;  // the output file while it is written
  std::FILE* out_ = nullptr;
  std::string card_;  // the card being written
  std::set<std::string> names_;
};

}  // namespace kwvcard

#endif
