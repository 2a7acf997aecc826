// kwvcard: turns Outlook and Google Contacts CSV exports into vCard 2.1 files.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>

#include "card_writer.h"
#include "csv_records.h"
#include "formats.h"
#include "input.h"
#include "output.h"
#include "row_mapping.h"

namespace {

using namespace kwvcard;

struct Options {
  std::string input, out, out_dir, from_encoding;
  std::string charset = "UTF-8", lang = "en-US";
};

constexpr std::size_t kSettingBytes = 39;  // the library keeps at most 39 bytes of each
constexpr std::size_t kProgressFrom = 1000;

std::string plural(std::size_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// What goes to standard error: values left out, progress on a terminal.
class Messages {
 public:
  explicit Messages(std::size_t contacts)
      : total_(contacts), progress_(contacts > kProgressFrom && isatty(STDERR_FILENO)) {}

  void left_out(const std::string& input, const Contact& contact) {
    for (const LeftOut& l : contact.left_out) {
      std::cerr << clear() << "kwvcard: " << input << ":" << l.line << ": " << l.where << ": "
                << l.why << "\n";
    }
    left_out_ += contact.left_out.size();
  }

  void written(std::size_t done) {
    if (progress_ && (done % 100 == 0 || done == total_))
      std::cerr << "\rkwvcard: " << done << " of " << total_ << " contacts" << std::flush;
  }

  int summary(std::size_t written) {
    std::cerr << clear() << plural(written, "contact") << " written, " << plural(left_out_, "value")
              << " left out\n";
    return left_out_ == 0 ? 0 : 1;
  }

 private:
  const char* clear() const { return progress_ ? "\r\033[K" : ""; }

  std::size_t total_, left_out_ = 0;
  bool progress_;
};

int import(const Options& o) {
  if (o.out.empty() == o.out_dir.empty())
    throw CLI::ValidationError("import: give exactly one of --out FILE.vcf and --out-dir DIR");
  for (const std::string* setting : {&o.charset, &o.lang}) {
    if (setting->size() > kSettingBytes || setting->empty())
      throw CLI::ValidationError("import: --charset and --lang take 1 to 39 bytes");
  }
  const std::string name = input_name(o.input);
  const std::string text = read_input(o.input, o.from_encoding);
  CsvRecords records(text, name);
  Record record;
  if (!records.next(record)) throw std::runtime_error(name + ": empty, no header row");
  std::vector<std::string> header;
  for (std::size_t i = 0; i < record.size(); ++i) header.emplace_back(record.cell(i));
  const std::optional<Format> format = recognise(header);
  if (!format) {
    throw std::runtime_error(name + ":" + std::to_string(record.line) +
                             ": the header row is neither an Outlook nor a Google Contacts export");
  }
  std::size_t rows = 0;  // the whole export is read once first: a malformed one writes nothing
  for (CsvRecords check(text, name); check.next(record);) ++rows;
  const std::string folder =
      o.input == "-" ? "." : std::filesystem::path(o.input).parent_path().string();
  CardWriter writer(o.charset, o.lang, folder);
  Output output(o.out, o.out_dir);
  Messages messages(rows - 1);
  std::size_t written = 0;
  while (records.next(record)) {
    Contact contact = to_contact(*format, record);
    if (!contact.values.empty()) {  // else an empty row, or nothing it holds fits a card
      writer.write(output.next_card(contact.name), contact);
      output.keep_card();
      messages.written(++written);
    }
    messages.left_out(name, contact);
  }
  output.finish();
  return messages.summary(written);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Turns Outlook and Google Contacts CSV exports into vCard 2.1 files.", "kwvcard");
  app.set_version_flag("--version", "kwvcard " KWVCARD_VERSION);
  app.footer(
      "Usage: kwvcard import INPUT.csv (--out FILE.vcf | --out-dir DIR) [--charset NAME]\n"
      "                      [--lang TAG] [--from-encoding NAME]\n"
      "Exit status: 0 every contact written whole, 1 some value left out, 2 stopped (usage, input "
      "or output).");
  app.require_subcommand(1);
  Options o;
  CLI::App* import_command =
      app.add_subcommand("import", "Write the contacts of a CSV export as cards");
  import_command->add_option("INPUT", o.input, "The CSV export (UTF-8; - for standard input)")
      ->required();
  import_command->add_option("--out", o.out, "Write every card into this one .vcf file");
  import_command->add_option("--out-dir", o.out_dir, "Write one .vcf file per contact here");
  import_command->add_option("--charset", o.charset, "The cards' charset; GB2312 converts")
      ->capture_default_str();
  import_command->add_option("--lang", o.lang, "The cards' language")->capture_default_str();
  import_command->add_option("--from-encoding", o.from_encoding,
                             "The input's encoding, when not UTF-8 (e.g. WINDOWS-1252)");
  try {
    app.parse(argc, argv);
    return import(o);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    std::cerr << "kwvcard: " << e.what() << " (see kwvcard --help)\n";
  } catch (const std::exception& e) {
    std::cerr << "kwvcard: " << e.what() << "\n";
  }
  return 2;
}
