// kwvcard: turns contact exports (vCard files of any version, CSV and
// tab-separated sheets, xlsx, ods and xls workbooks, LDIF) into vCard 2.1 files.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "columns/formats.h"
#include "columns/row_mapping.h"
#include "columns/user_map.h"
#include "csv/csv_records.h"
#include "input/input.h"
#include "ldif/ldif_mapping.h"
#include "ldif/ldif_reader.h"
#include "read_ahead.h"
#include "rows.h"
#include "vcard/vcard_mapping.h"
#include "vcard/vcard_reader.h"
#include "workbook/workbook.h"
#include "writer/card_writer.h"
#include "writer/output.h"

namespace {

using namespace kwvcard;

struct Options {
  std::string input, out, out_dir, from_encoding, sheet, map;
  std::string charset = "UTF-8", lang = "en-US", encoding = "quoted-printable";
  int photo_size = 0;
  bool no_photos = false;
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

  // What the input holds that no card takes, said once for the whole input:
  // each a message and how many values it stands for, counted as left out.
  void unused(const std::string& input,
              const std::vector<std::pair<std::string, std::size_t>>& unused) {
    for (const auto& [what, values] : unused) {
      std::cerr << clear() << "kwvcard: " << input << ": " << what << "\n";
      left_out_ += values;
    }
  }

  // A column of `input` that no vocabulary knows, with the `values` it held.
  void unknown_column(const std::string& input, std::string_view header, std::size_t values) {
    unused(input, {{"column \"" + std::string(header) + "\" (" + plural(values, "value") +
                        "): not used; --map can name it",
                    values}});
  }

  void written(std::size_t done) {
    if (progress_ && (done % 100 == 0 || done == total_))
      std::cerr << "\rkwvcard: " << done << " of " << total_ << " contacts" << std::flush;
  }

  // `skipped`: the producer-specific properties of a vCard input; null for CSV.
  // `photos`: the photos --no-photos left out; null without it.
  int summary(std::size_t written, const std::size_t* skipped, const std::size_t* photos) {
    std::cerr << clear() << plural(written, "contact") << " written, " << plural(left_out_, "value")
              << " left out";
    if (skipped != nullptr) {
      std::cerr << ", " << *skipped << " producer-specific propert" << (*skipped == 1 ? "y" : "ies")
                << " skipped";
    }
    if (photos != nullptr)
      std::cerr << ", " << plural(*photos, "photo") << " left out (--no-photos)";
    std::cerr << "\n";
    return left_out_ == 0 ? 0 : 1;
  }

 private:
  const char* clear() const { return progress_ ? "\r\033[K" : ""; }

  std::size_t total_, left_out_ = 0;
  bool progress_;
};

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The input as a stream that can be read twice: a regular file as it is;
// standard input, a pipe or a device copied into a temporary file first.
File open_input(const std::string& path, const std::string& name) {
  std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  if (in == nullptr) throw std::runtime_error("cannot read " + name + ": " + std::strerror(errno));
  struct stat status {};
  if (in != stdin && fstat(fileno(in), &status) == 0 && S_ISREG(status.st_mode))
    return File(in, std::fclose);
  File source(in, in == stdin ? +[](std::FILE*) { return 0; } : std::fclose);
  File spool(std::tmpfile(), std::fclose);
  if (!spool)
    throw std::runtime_error(std::string("cannot copy ") + name + ": " + std::strerror(errno));
  char block[1 << 16];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) {
    if (std::fwrite(block, 1, n, spool.get()) != n)
      throw std::runtime_error("cannot copy " + name + ": " + std::strerror(errno));
  }
  if (std::ferror(in))
    throw std::runtime_error("cannot read " + name + ": " + std::strerror(errno));
  std::rewind(spool.get());
  return spool;
}

CardSettings settings(const Options& o, std::string photo_folder) {
  CardSettings s;
  s.charset = o.charset;
  s.lang = o.lang;
  s.quoted_printable = o.encoding == "quoted-printable";
  s.photo_size = o.photo_size;
  s.no_photos = o.no_photos;
  s.photo_folder = std::move(photo_folder);
  return s;
}

// Writes each contact `next` gives (`total` of them) as a card, and the
// summary. Each card of a vCard input writes one; a CSV row or an LDIF record
// without values writes none. `ended` (when set) reports what only the whole
// input tells (Messages::unused), before the summary.
template <typename Next>
int write_cards(const Options& o, const std::string& name, std::size_t total, bool vcard, Next next,
                const std::function<void(Messages&)>& ended = nullptr) {
  const std::string folder =
      o.input == "-" ? "." : std::filesystem::path(o.input).parent_path().string();
  CardWriter writer(settings(o, folder));
  Output output(o.out, o.out_dir);
  Messages messages(total);
  std::size_t written = 0, skipped = 0;
  {
    ReadAhead<Next> contacts(std::move(next));  // joined before `ended` looks at what it counted
    Contact contact;
    while (contacts.next(contact)) {
      skipped += contact.skipped;
      if (vcard || !contact.values.empty()) {  // a CSV row may be empty: no card for it
        writer.write(output.next_card(contact.name, writer.most_bytes(contact)), contact);
        output.keep_card();
        messages.written(++written);
      }
      messages.left_out(name, contact);
    }
  }
  output.finish();
  if (ended) ended(messages);
  const std::size_t photos = writer.photos_left_out();
  return messages.summary(written, vcard ? &skipped : nullptr, o.no_photos ? &photos : nullptr);
}

// One card for each card of the vCard file `in`, in its order.
int import_vcard(const Options& o, const std::string& name, std::FILE* in) {
  std::size_t cards = 0;  // the whole input is read once first: a malformed one writes nothing
  Card card;
  for (VcardReader check(in, name, o.from_encoding, false); check.next(card);) ++cards;
  std::rewind(in);
  VcardReader reader(in, name, o.from_encoding);
  return write_cards(o, name, cards, true, [&](Contact& contact) {
    if (!reader.next(card)) return false;
    contact = to_contact(card);
    return true;
  });
}

// One card for each record of the LDIF file `in` that has a value, in its
// order; its attributes that no card takes said once each.
int import_ldif(const Options& o, const std::string& name, std::FILE* in) {
  const std::string text = read_input(in, name, o.from_encoding);
  std::size_t records = 0;  // the whole input is read once first: a malformed one writes nothing
  UnusedAttributes unused;
  LdifRecord record;
  for (LdifReader check(text, name); check.next(record); ++records) unused.add(record);
  LdifReader reader(text, name);
  return write_cards(
      o, name, records, false,
      [&](Contact& contact) {
        if (!reader.next(record)) return false;
        contact = to_contact(record);
        return true;
      },
      [&](Messages& messages) { messages.unused(name, unused.messages()); });
}

// How many of the first rows may come before the header row (a title such
// as a company list's name, empty rows).
constexpr int kHeaderSearch = 10;

// The map file's columns (--map), none without it.
std::vector<Override> user_map(const Options& o) {
  if (o.map.empty()) return {};
  std::ifstream in(o.map, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + o.map + ": " + std::strerror(errno));
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return read_map(text, o.map);
}

// The contacts of a sheet whose rows `open` gives (each call from the first
// row again). The header row is the first of the top rows in which a column is
// recognised; the rows above it are skipped. The values of columns no
// vocabulary knows are counted and reported at the end.
int import_rows(const Options& o, const std::string& name,
                const std::function<std::unique_ptr<Rows>()>& open) {
  const std::vector<Override> overrides = user_map(o);
  std::unique_ptr<Rows> rows = open();
  Record record;
  std::optional<Record> first_text;
  std::optional<Format> format;
  std::vector<std::string> header;
  int skipped_rows = 0;  // above the header row, and the header row itself
  for (int i = 0; i < kHeaderSearch && !format && rows->next(record); ++i) {
    ++skipped_rows;
    header.clear();
    for (std::size_t c = 0; c < record.size(); ++c) header.emplace_back(record.cell(c));
    format = recognise(header, overrides);
    if (!format && !first_text && record.has_text()) first_text = record;
  }
  if (!format) {
    if (!first_text) throw std::runtime_error(name + ": empty, no header row");
    std::string columns;
    for (std::size_t c = 0; c < first_text->size(); ++c)
      columns += (c == 0 ? "\"" : ", \"") + std::string(first_text->cell(c)) + "\"";
    throw std::runtime_error(name + ":" + std::to_string(first_text->line) +
                             ": no column of this header row is known (" + columns +
                             "); --map FILE can name them");
  }
  std::vector<std::size_t> unknown;  // the columns no vocabulary knows
  for (std::size_t c = 0; c < format->columns.size(); ++c) {
    if (!format->columns[c].known) unknown.push_back(c);
  }
  std::vector<std::size_t> values(unknown.size());
  std::size_t count = 0;  // the whole sheet is read once first: a malformed one writes nothing
  for (std::unique_ptr<Rows> check = open(); check->next(record);) ++count;
  return write_cards(
      o, name, count - static_cast<std::size_t>(skipped_rows), false,
      [&](Contact& contact) {
        if (!rows->next(record)) return false;
        for (std::size_t u = 0; u < unknown.size(); ++u) {
          if (unknown[u] < record.size() && !record.cell(unknown[u]).empty()) ++values[u];
        }
        contact = to_contact(*format, record);
        return true;
      },
      [&](Messages& messages) {
        for (std::size_t u = 0; u < unknown.size(); ++u) {
          if (values[u] > 0) messages.unknown_column(name, header[unknown[u]], values[u]);
        }
      });
}

// CSV or tab-separated text, in any encoding.
int import_csv(const Options& o, const std::string& name, std::FILE* in) {
  std::string detected;
  const std::string text = read_input(in, name, o.from_encoding, &detected);
  if (!detected.empty()) {
    std::cerr << "kwvcard: " << name << ": read as " << detected
              << " (detected; --from-encoding chooses)\n";
  }
  const char delimiter = find_delimiter(text);
  return import_rows(o, name, [&] { return std::make_unique<CsvRecords>(text, name, delimiter); });
}

int import(const Options& o) {
  if (o.out.empty() == o.out_dir.empty())
    throw CLI::ValidationError("import: give exactly one of --out FILE.vcf and --out-dir DIR");
  for (const std::string* setting : {&o.charset, &o.lang}) {
    if (setting->size() > kSettingBytes || setting->empty())
      throw CLI::ValidationError("import: --charset and --lang take 1 to 39 bytes");
    // A space, a control character, ';' or ':' would break every line it marks.
    if (setting->find_first_of(" ;:") != std::string::npos ||
        std::any_of(setting->begin(), setting->end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
      throw CLI::ValidationError("import: --charset and --lang take no spaces, ';' or ':'");
  }
  CardWriter::check(settings(o, ""));
  const std::string name = input_name(o.input);
  File in = open_input(o.input, name);
  // A workbook is known by its container: a ZIP archive (xlsx, ods) or an
  // OLE2 file (xls, or an xlsx saved with a password).
  const Container container = container_of(in.get());
  if (container != Container::None)
    return import_rows(o, name, open_workbook(container, in.get(), name, o.sheet));
  if (!o.sheet.empty())
    throw CLI::ValidationError("import: --sheet names a sheet of a workbook (xlsx, ods, xls); " +
                               name + " is not one");
  const bool vcard = is_vcard(in.get());
  std::rewind(in.get());
  if (vcard) return import_vcard(o, name, in.get());
  const bool ldif = is_ldif(in.get());
  std::rewind(in.get());
  return ldif ? import_ldif(o, name, in.get()) : import_csv(o, name, in.get());
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app(
      "Turns contact exports (vCard files, CSV sheets, xlsx/ods/xls workbooks, LDIF) into vCard "
      "2.1 files.",
      "kwvcard");
  app.set_version_flag("--version", "kwvcard " KWVCARD_VERSION);
  app.footer(
      "Usage: kwvcard import INPUT (--out FILE.vcf | --out-dir DIR) [--charset NAME]\n"
      "                      [--lang TAG] [--encoding quoted-printable|8bit]\n"
      "                      [--photo-size PX | --no-photos] [--from-encoding NAME]\n"
      "                      [--sheet NAME] [--map FILE]\n"
      "Exit status: 0 every contact written whole, 1 some value left out, 2 stopped (usage, input "
      "or output).");
  app.require_subcommand(1);
  Options o;
  CLI::App* import_command =
      app.add_subcommand("import", "Write the contacts of an export as cards");
  import_command
      ->add_option("INPUT", o.input,
                   "The vCard file, CSV sheet, workbook or LDIF file (- for standard input)")
      ->required();
  import_command->add_option("--out", o.out, "Write every card into this one .vcf file");
  import_command->add_option("--out-dir", o.out_dir, "Write one .vcf file per contact here");
  import_command
      ->add_option("--charset", o.charset,
                   "The cards' charset, every value converted to it (GB2312, SHIFT_JIS, BIG5, "
                   "ISO-8859-1, WINDOWS-1251, ...; ASCII)")
      ->capture_default_str();
  import_command
      ->add_option("--encoding", o.encoding,
                   "quoted-printable: values that are not printable ASCII encoded, line breaks "
                   "kept (as Android writes 2.1 cards); 8bit: as they are, line breaks as spaces")
      ->check(CLI::IsMember({"quoted-printable", "8bit"}))
      ->capture_default_str();
  CLI::Option* photo_size = import_command->add_option(
      "--photo-size", o.photo_size,
      "Every inline photo as a JPEG whose longer side is at most PX pixels (16 to 1024)");
  photo_size->check(CLI::Range(16, 1024));
  import_command->add_flag("--no-photos", o.no_photos, "Leave inline photos out")
      ->excludes(photo_size);
  import_command->add_option("--lang", o.lang, "The cards' language")->capture_default_str();
  import_command->add_option("--sheet", o.sheet,
                             "The sheet of a workbook (xlsx, ods, xls) to read; the first "
                             "without it");
  import_command
      ->add_option("--map", o.map,
                   "A sheet's columns named by a file of HEADER = FIELD lines, over the built-in "
                   "vocabularies (see kwvcard(1))")
      ->check(CLI::ExistingFile);
  import_command->add_option("--from-encoding", o.from_encoding,
                             "The input's encoding, when not UTF-8 (e.g. WINDOWS-1252); in a "
                             "vCard file, of values without a CHARSET");
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
