// kwvcard import of a 10,000-card vCard 3.0 export, against the library alone
// and against ez-vcard.
//
// The export is generated as an iPhone writes one: each card with N, FN, ORG,
// TITLE, two or three TEL with TYPE=a,b, EMAIL, ADR, BDAY, a NOTE of two lines
// and an inline JPEG photo of 32 x 24 to 79 x 59 pixels, about 0.7 to 1.5 KB
// (ENCODING=b, folded at 75 octets). The same 10,000 contacts are then written
// six ways, each timed over whole runs:
// - the library alone: a program that holds the values in memory (the photos
//   in files beside it) and writes each card with KwvCard into a file of its
//   own (the baseline);
// - `kwvcard import --out-dir --encoding 8bit`: the tool, one file per contact;
// - `kwvcard import --out --encoding 8bit`: the tool, every card in one file;
// - `kwvcard import --out`: the same with the defaults (quoted-printable, the
//   notes' line breaks kept);
// - `kwvcard import --out --photo-size 96`: every photo decoded and written
//   again as a JPEG of at most 96 pixels;
// - ez-vcard: a Java program (bench/ezvcard/) that reads the export with
//   ez-vcard and writes every card as vCard 2.1 into one file, as a whole
//   process, the JVM's start included.
// The ways run in rounds, one after the other, so that all see the same
// machine; each figure is the median of its per-round ratios. The tool's
// 8-bit single file is checked to be the baseline's cards, byte for byte, in
// order; its quoted-printable file to hold every note with its line break;
// the resized one a JPEG photo in every card; ez-vcard's output every card.
//
// Usage: vcard_import_bench [RUNS [FOLDER]]   (5 runs, in the temporary folder)
//        vcard_import_bench --write FILE      (writes the export and exits)
#include <sys/resource.h>
#include <sys/utsname.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <vips/vips.h>

#include "KwvCard.h"
#include "timed_ways.h"

namespace {

using kwvbench::median;
using kwvbench::read;
using kwvbench::Way;

namespace fs = std::filesystem;
constexpr int kContacts = 10000;

struct Contact {
  std::string first, last, company, department, title, mobile, work_phone, fax, email, street, city,
      state, code, country, note;
  int day, month, year;
  std::string photo;  // JPEG bytes
};

// A small photo, a real JPEG (libvips encodes it): a colour gradient of its
// own for each contact with a little noise from a fixed generator.
std::string make_photo(int i) {
  const int width = 32 + i * 7 % 48, height = width * 3 / 4;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * 3));
  std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(i);
  for (int y = 0; y < height; ++y) {
    for (int c = 0; c < width; ++c) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      unsigned char* p = &pixels[static_cast<std::size_t>((y * width + c) * 3)];
      p[0] = static_cast<unsigned char>(c * 255 / width + (x & 15));
      p[1] = static_cast<unsigned char>(y * 255 / height + (x >> 4 & 15));
      p[2] = static_cast<unsigned char>(i * 37 + (x >> 8 & 15));
    }
  }
  VipsImage* image =
      vips_image_new_from_memory(pixels.data(), pixels.size(), width, height, 3, VIPS_FORMAT_UCHAR);
  void* jpeg = nullptr;
  std::size_t size = 0;
  if (image == nullptr || vips_jpegsave_buffer(image, &jpeg, &size, "Q", 80, nullptr) != 0) {
    std::fprintf(stderr, "libvips cannot write a JPEG: %s\n", vips_error_buffer());
    std::exit(1);
  }
  std::string photo(static_cast<const char*>(jpeg), size);
  g_free(jpeg);
  g_object_unref(image);
  return photo;
}

Contact make_contact(int i) {
  const std::string n = std::to_string(i);
  return {"Given" + n,
          "Family" + n,
          "Company " + std::to_string(i % 97) + ", Ltd.",
          "Sales",
          "Account Manager",
          "+1 217 557 " + n,
          "+1 217 555 " + n,
          i % 2 == 0 ? "+1 217 556 " + n : "",
          "person" + n + "@example.org",
          n + " Main Street",
          "Springfield",
          "IL",
          "62701",
          "United States",
          "Met at the trade fair in " + std::to_string(2000 + i % 25) + ".\nFollow up in spring.",
          1 + i % 28,
          1 + i % 12,
          1950 + i % 50,
          make_photo(i)};
}

std::string base64(const std::string& data) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    std::uint32_t v = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    if (i + 2 < data.size()) v |= static_cast<unsigned char>(data[i + 2]);
    out += alphabet[v >> 18 & 63];
    out += alphabet[v >> 12 & 63];
    out += i + 1 < data.size() ? alphabet[v >> 6 & 63] : '=';
    out += i + 2 < data.size() ? alphabet[v & 63] : '=';
  }
  return out;
}

// A 3.0 text value: ',' ';' '\' escaped, a line break as \n.
std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else {
      if (c == ',' || c == ';' || c == '\\') out += '\\';
      out += c;
    }
  }
  return out;
}

// A content line folded as producers fold: 75 octets a physical line, each
// further one starting with a space.
void put_line(std::ofstream& out, const std::string& line) {
  std::size_t pos = std::min<std::size_t>(75, line.size());
  out << line.substr(0, pos) << "\r\n";
  for (; pos < line.size(); pos += 74) out << ' ' << line.substr(pos, 74) << "\r\n";
}

// The export, in the order an iPhone lists a card's properties.
void write_export(const std::vector<Contact>& contacts, const fs::path& path) {
  std::ofstream out(path, std::ios::binary);
  char date[16];
  for (const Contact& c : contacts) {
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", c.year, c.month, c.day);
    const std::string lines[] = {
        "BEGIN:VCARD",
        "VERSION:3.0",
        "PRODID:-//Apple Inc.//iPhone OS 17.5//EN",
        "N:" + c.last + ";" + c.first + ";;;",
        "FN:" + c.first + " " + c.last,
        "ORG:" + escaped(c.company) + ";" + c.department,
        "TITLE:" + c.title,
        "TEL;TYPE=CELL,VOICE;TYPE=pref:" + c.mobile,
        "TEL;TYPE=WORK,VOICE:" + c.work_phone,
        c.fax.empty() ? "" : "TEL;TYPE=HOME,FAX:" + c.fax,
        "EMAIL;TYPE=INTERNET,WORK:" + c.email,
        "ADR;TYPE=WORK:;;" + c.street + ";" + c.city + ";" + c.state + ";" + c.code + ";" +
            c.country,
        std::string("BDAY:") + date,
        "NOTE:" + escaped(c.note),
        "PHOTO;ENCODING=b;TYPE=JPEG:" + base64(c.photo),
        "END:VCARD",
    };
    for (const std::string& line : lines) {
      if (!line.empty()) put_line(out, line);
    }
  }
}

std::string card_name(const Contact& c) {
  return c.first + " " + c.last + ".vcf";
}

// The same cards with the library alone, one file each, named as the tool
// names them; the photos are files in `photos`, one per contact. The library
// takes writable text but changes none of these.
void write_with_library(std::vector<Contact>& contacts, const fs::path& photos,
                        const fs::path& dir) {
  char five[] = "5", two[] = "2", seven[] = "7", work[] = "WORK", home[] = "HOME", cell[] = "CELL",
       voice[] = "VOICE", pref[] = "PREF", fax[] = "FAX", none[] = "";
  for (std::size_t i = 0; i < contacts.size(); ++i) {
    Contact& c = contacts[i];
    std::string path = (dir / card_name(c)).string();
    std::string photo = (photos / (std::to_string(i) + ".jpg")).string();
    std::string note = c.note;
    std::replace(note.begin(), note.end(), '\n', ' ');  // a line break becomes a space
    char jpeg[] = "JPEG";
    KwvCard card(path.data());
    card.QEL_AddName(five, c.last.data(), c.first.data(), none, none, none);
    card.QEL_AddOrg(two, c.company.data(), c.department.data());
    card.QEL_AddTitle(c.title.data());
    card.QEL_ResetTelType(work);
    card.QEL_SetTelType(pref);
    card.QEL_SetTelType(voice);
    card.QEL_SetTelType(cell);
    card.QEL_AddTel(c.mobile.data());
    card.QEL_SetDefaultTelType();
    card.QEL_SetTelType(voice);
    card.QEL_AddTel(c.work_phone.data());
    if (!c.fax.empty()) {
      card.QEL_ResetTelType(work);
      card.QEL_ResetTelType(voice);
      card.QEL_SetTelType(home);
      card.QEL_SetTelType(fax);
      card.QEL_AddTel(c.fax.data());
    }
    card.QEL_AddEmail(c.email.data());
    card.QEL_AddAddress(seven, none, none, c.street.data(), c.city.data(), c.state.data(),
                        c.code.data(), c.country.data());  // WORK alone, as a card starts
    card.QEL_AddBday(c.day, c.month, c.year);
    card.QEL_AddComment(note.data());
    card.QEL_AttachPhoto(photo.data(), jpeg);
    card.QEL_EndPacking();
  }
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
    ++n;
  return n;
}

void run(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

std::vector<Contact> make_contacts() {
  std::vector<Contact> contacts;
  for (int i = 0; i < kContacts; ++i) contacts.push_back(make_contact(i));
  return contacts;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
    if (VIPS_INIT(argv[0]) != 0) return 1;
    write_export(make_contacts(), argv[2]);
    return 0;
  }
  if (VIPS_INIT(argv[0]) != 0) return 1;
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path dir =
      (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) / "kwvcard-vcard-import-bench";
  fs::remove_all(dir);
  fs::create_directories(dir / "photos");
  std::vector<Contact> contacts = make_contacts();
  const fs::path vcf = dir / "iphone.vcf";
  write_export(contacts, vcf);
  for (std::size_t i = 0; i < contacts.size(); ++i)
    std::ofstream(dir / "photos" / (std::to_string(i) + ".jpg"), std::ios::binary)
        << contacts[i].photo;

  const std::string tool = std::string(KWVCARD_TOOL) + " import " + vcf.string();
  std::vector<Way> ways = {
      {"library alone, a file per card",
       [&](const fs::path& out) {
         fs::create_directory(out);
         write_with_library(contacts, dir / "photos", out);
       }},
      {"kwvcard --out-dir, 8bit",
       [&](const fs::path& out) { run(tool + " --encoding 8bit --out-dir " + out.string()); }},
      {"kwvcard --out, 8bit",
       [&](const fs::path& out) { run(tool + " --encoding 8bit --out " + out.string()); }},
      {"kwvcard --out (quoted-printable)",
       [&](const fs::path& out) { run(tool + " --out " + out.string()); }},
      {"kwvcard --out --photo-size 96",
       [&](const fs::path& out) { run(tool + " --photo-size 96 --out " + out.string()); }},
  };
  constexpr std::size_t kQp = 3, kResized = 4, kPeer = 5;
#ifdef KWVCARD_EZVCARD_CLASSPATH
  ways.push_back({"ez-vcard (Java), one file", [&](const fs::path& out) {
                    run(std::string(KWVCARD_JAVA) +
                        " -cp " KWVCARD_EZVCARD_CLASSPATH " EzVcardConvert " + vcf.string() + " " +
                        out.string());
                  }});
#endif
  auto out = [&](int round, std::size_t way) {
    return dir / (std::to_string(round) + "-" + std::to_string(way));
  };
  for (int round = 0; round < runs; ++round) {
    for (std::size_t way = 0; way < ways.size(); ++way) ways[way].time(out(round, way));
    // Round 0 is kept for the checks; later rounds go once the next has run.
    for (std::size_t way = 0; round >= 2 && way < ways.size(); ++way)
      fs::remove_all(out(round - 1, way));
  }

  std::string expected;
  for (const Contact& c : contacts) expected += read(out(0, 0) / card_name(c));
  const std::size_t all = kContacts;
  const bool same = read(out(0, 2)) == expected &&
                    count(read(out(0, kQp)), "=0D=0AFollow up in spring.") == all &&
                    count(read(out(0, kResized)), "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/") == all;
  const bool peer_whole = ways.size() <= kPeer || count(read(out(0, kPeer)), "BEGIN:VCARD") == all;

  utsname machine{};
  uname(&machine);
  std::printf("machine: %s %s, %u hardware threads; %d cards (%.1f MB of vCard 3.0); rounds: %d\n",
              machine.sysname, machine.machine, std::thread::hardware_concurrency(), kContacts,
              static_cast<double>(fs::file_size(vcf)) / 1e6, runs);
  std::printf("%-32s %9s %9s\n", "", "median", "cpu");
  for (const Way& way : ways)
    std::printf("%-32s %6.0f ms %6.0f ms\n", way.name, median(way.ms), median(way.cpu));
  std::printf(
      "\n| figure | kwvcard | baseline | ratio | goal | met |\n|---|---|---|---|---|---|\n");
  // Figures count only when the tool wrote the right cards.
  auto row = [&](const char* figure, const Way& ours, const Way& base, double goal) {
    const double r = ours.ratio(base);
    std::printf("| %s | %.0f ms | %.0f ms | %.2f | ≤ %.2f | %s |\n", figure, median(ours.ms),
                median(base.ms), r, goal,
                !same       ? "unchecked"
                : r <= goal ? "yes"
                            : "no");
  };
  row("vCard import of 10,000 cards (--out-dir, 8bit) vs the library alone", ways[1], ways[0], 2);
  row("vCard import of 10,000 cards (--out, 8bit) vs the library alone", ways[2], ways[0], 2);
  row("the default, quoted-printable, vs --encoding 8bit", ways[kQp], ways[2], 1.2);
  row("--photo-size 96 vs the photos as they are", ways[kResized], ways[kQp], 3);
  if (ways.size() > kPeer) {
    row("vCard import of 10,000 cards (--out, the defaults) vs ez-vcard, whole processes",
        ways[kQp], ways[kPeer], 1.0 / 6);
  }
  std::printf(
      "\nthe 8-bit file is the library's cards byte for byte, the quoted-printable one "
      "keeps every line break, the resized one has a JPEG in every card: %s\n",
      same ? "yes" : "NO");
  if (ways.size() > kPeer)
    std::printf("ez-vcard wrote every card: %s\n", peer_whole ? "yes" : "NO");
  else
    std::printf("ez-vcard: not built (needs a JDK, libez-vcard-java and libvinnie-java)\n");
  fs::remove_all(dir);
  return same && peer_whole ? 0 : 1;
}
