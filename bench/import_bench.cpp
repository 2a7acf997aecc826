// kwvcard import against the library alone, on a 10,000-row Outlook export.
//
// The export is generated with Outlook's header row; the same 10,000 contacts
// are then written three ways, each timed over whole runs:
// - the library alone: a program that holds the values in memory and writes
//   each card with KwvCard into a file of its own (the baseline);
// - `kwvcard import --out-dir`: the tool, one file per contact;
// - `kwvcard import --out`: the tool, every card in one file;
// - `kwvcard import x.xlsx --out`: the same rows as an xlsx workbook (inline
//   strings, written here with libzip), against the CSV (the goal: at most 2).
// The three run in rounds, one after the other, so that all see the same
// machine. Printed for each: the fastest and the median wall-clock time and
// its ratio to the baseline's (the goal: at most 2), and the median CPU time
// (user and system, the tool's process included), which other work on the
// machine disturbs less; and the machine. The tool's single file is checked
// to be the baseline's cards, byte for byte, in order.
//
// Usage: import_bench [RUNS [FOLDER]]   (5 runs, in the temporary folder)
#include <sys/resource.h>
#include <sys/utsname.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "KwvCard.h"
#include "timed_ways.h"

namespace {

using kwvbench::median;
using kwvbench::read;
using kwvbench::Way;

namespace fs = std::filesystem;
constexpr int kContacts = 10000;

struct Contact {
  std::string first, last, company, department, title, work_phone, home_phone, mobile, email,
      street, city, state, code, country, note;
  int day, month, year;
};

Contact make_contact(int i) {
  const std::string n = std::to_string(i);
  return {"Given" + n,
          "Family" + n,
          "Company " + std::to_string(i % 97) + ", Ltd.",
          "Sales",
          "Account Manager",
          "+1 217 555 " + n,
          "+1 217 556 " + n,
          "+1 217 557 " + n,
          "person" + n + "@example.org",
          n + " Main Street",
          "Springfield",
          "IL",
          "62701",
          "United States",
          "Met at the trade fair in " + std::to_string(2000 + i % 25) + ".",
          1 + i % 28,
          1 + i % 12,
          1950 + i % 50};
}

std::string quoted(const std::string& s) {
  return '"' + s + '"';
}

using Sheet = std::vector<std::vector<std::string>>;

// The export's rows as text, the header row first.
Sheet export_rows(const std::vector<Contact>& contacts) {
  std::ifstream header_file(KWVCARD_OUTLOOK_HEADER, std::ios::binary);
  std::string header((std::istreambuf_iterator<char>(header_file)), {});
  header.erase(header.find_last_not_of("\r\n") + 1);
  std::vector<std::string> columns;
  for (std::size_t pos = 0; pos < header.size(); pos += columns.back().size() + 3)
    columns.push_back(header.substr(pos + 1, header.find('"', pos + 1) - pos - 1));
  Sheet sheet{columns};
  for (const Contact& c : contacts) {
    const std::pair<const char*, std::string> cells[] = {
        {"First Name", c.first},
        {"Last Name", c.last},
        {"Company", c.company},
        {"Department", c.department},
        {"Job Title", c.title},
        {"Business Phone", c.work_phone},
        {"Home Phone", c.home_phone},
        {"Mobile Phone", c.mobile},
        {"E-mail Address", c.email},
        {"Business Street", c.street},
        {"Business City", c.city},
        {"Business State", c.state},
        {"Business Postal Code", c.code},
        {"Business Country/Region", c.country},
        {"Birthday",
         std::to_string(c.month) + "/" + std::to_string(c.day) + "/" + std::to_string(c.year)},
        {"Notes", c.note},
    };
    std::vector<std::string> row;
    for (const std::string& column : columns) {
      auto cell = std::find_if(std::begin(cells), std::end(cells),
                               [&](const auto& p) { return column == p.first; });
      row.push_back(cell == std::end(cells) ? "" : cell->second);
    }
    sheet.push_back(std::move(row));
  }
  return sheet;
}

// The export as Outlook writes it: every field quoted.
void write_csv(const Sheet& sheet, const fs::path& path) {
  std::ofstream out(path, std::ios::binary);
  for (const auto& row : sheet) {
    std::string line;
    for (const std::string& cell : row) line += (line.empty() ? "" : ",") + quoted(cell);
    out << line << "\r\n";
  }
}

std::string xml_text(const std::string& s) {
  std::string out;
  for (char c : s) {
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  }
  return out;
}

// The name of column `c` (0: A, 26: AA).
std::string column_name(std::size_t c) {
  return (c >= 26 ? column_name(c / 26 - 1) : "") + static_cast<char>('A' + c % 26);
}

// The same rows as an xlsx workbook of one sheet, every cell an inline string.
void write_xlsx(const Sheet& sheet, const fs::path& path) {
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  const std::string rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::string data = xml +
                     "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                     "main\"><sheetData>";
  for (std::size_t r = 0; r < sheet.size(); ++r) {
    data += "<row r=\"" + std::to_string(r + 1) + "\">";
    for (std::size_t c = 0; c < sheet[r].size(); ++c) {
      if (sheet[r][c].empty()) continue;  // as Excel writes a row: only the cells with values
      data += "<c r=\"" + column_name(c) + std::to_string(r + 1) +
              "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" + xml_text(sheet[r][c]) +
              "</t></is></c>";
    }
    data += "</row>";
  }
  data += "</sheetData></worksheet>";
  const std::pair<const char*, std::string> parts[] = {
      {"[Content_Types].xml",
       xml + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" ContentType=\"application/"
             "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
             "ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" "
             "ContentType=\"application/"
             "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
      {"_rels/.rels", xml +
                          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                          "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                          rels + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", xml +
                              "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
                              "2006/main\" xmlns:r=\"" +
                              rels +
                              "\"><sheets><sheet name=\"Contacts\" sheetId=\"1\" "
                              "r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       xml +
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
           "relationships\"><Relationship Id=\"rId1\" Type=\"" +
           rels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml", data},
  };
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (zip == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  for (const auto& [name, text] : parts) {
    zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
    if (source == nullptr || zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8) < 0) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
  }
  if (zip_close(zip) != 0) {  // the parts are compressed and written here, still in scope
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// The same cards with the library alone, one file each, named as the tool
// names them.
void write_with_library(std::vector<Contact> contacts, const fs::path& dir) {
  char five[] = "5", one[] = "1", seven[] = "7", work[] = "WORK", home[] = "HOME", cell[] = "CELL",
       none[] = "";
  for (Contact& c : contacts) {
    std::string path = (dir / (c.first + " " + c.last + ".vcf")).string();
    KwvCard card(path.data());
    card.QEL_AddName(five, c.last.data(), c.first.data(), none, none, none);
    card.QEL_AddOrg(one, c.company.data());
    card.QEL_AddDepartment(c.department.data());
    card.QEL_AddTitle(c.title.data());
    card.QEL_AddTel(c.work_phone.data());  // WORK alone, as a card starts
    card.QEL_ResetTelType(work);
    card.QEL_SetTelType(home);
    card.QEL_AddTel(c.home_phone.data());
    card.QEL_ResetTelType(home);
    card.QEL_SetTelType(cell);
    card.QEL_AddTel(c.mobile.data());
    card.QEL_AddEmail(c.email.data());
    card.QEL_AddAddress(seven, none, none, c.street.data(), c.city.data(), c.state.data(),
                        c.code.data(), c.country.data());
    card.QEL_AddBday(c.day, c.month, c.year);
    card.QEL_AddComment(c.note.data());
    card.QEL_EndPacking();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path dir =
      (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) / "kwvcard-import-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::vector<Contact> contacts;
  for (int i = 0; i < kContacts; ++i) contacts.push_back(make_contact(i));
  const fs::path csv = dir / "outlook.csv", xlsx = dir / "outlook.xlsx";
  const Sheet sheet = export_rows(contacts);
  write_csv(sheet, csv);
  write_xlsx(sheet, xlsx);

  const std::string tool = std::string(KWVCARD_TOOL) + " import " + csv.string();
  auto run = [](const std::string& command) {
    if (std::system((command + " 2>/dev/null").c_str()) != 0) {
      std::fprintf(stderr, "failed: %s\n", command.c_str());
      std::exit(1);
    }
  };
  Way ways[] = {
      {"library alone, a file per card",
       [&](const fs::path& out) {
         fs::create_directory(out);
         write_with_library(contacts, out);
       },
       {},
       {}},
      {"kwvcard import --out-dir",
       [&](const fs::path& out) { run(tool + " --out-dir " + out.string()); },
       {},
       {}},
      {"kwvcard import --out (one file)",
       [&](const fs::path& out) { run(tool + " --out " + out.string()); },
       {},
       {}},
      {"kwvcard import x.xlsx --out",
       [&](const fs::path& out) {
         run(std::string(KWVCARD_TOOL) + " import " + xlsx.string() + " --out " + out.string());
       },
       {},
       {}},
  };
  constexpr int kWays = sizeof ways / sizeof ways[0];
  // Rounds of the ways one after the other, so that all see the same machine.
  auto out = [&](int round, int way) {
    return dir / (std::to_string(round) + "-" + std::to_string(way));
  };
  for (int round = 0; round < runs; ++round) {
    for (int way = 0; way < kWays; ++way) ways[way].time(out(round, way));
  }

  std::string expected;
  for (const Contact& c : contacts) expected += read(out(0, 0) / (c.first + " " + c.last + ".vcf"));
  const bool same = read(out(0, 2)) == expected && read(out(0, 3)) == expected;

  utsname machine{};
  uname(&machine);
  std::printf("machine: %s %s, %u hardware threads; %d contacts, %d runs each\n", machine.sysname,
              machine.machine, std::thread::hardware_concurrency(), kContacts, runs);
  std::printf("%-32s %8s %8s %6s %8s %6s\n", "", "fastest", "median", "ratio", "cpu", "ratio");
  for (const Way& way : ways) {
    std::printf("%-32s %5.0f ms %5.0f ms %6.2f %5.0f ms %6.2f\n", way.name, way.fastest(),
                median(way.ms), median(way.ms) / median(ways[0].ms), median(way.cpu),
                median(way.cpu) / median(ways[0].cpu));
  }
  std::printf(
      "xlsx against the same rows as CSV (--out): %.2f wall-clock, %.2f cpu (goal: at most 2)\n",
      median(ways[3].ms) / median(ways[2].ms), median(ways[3].cpu) / median(ways[2].cpu));
  std::printf("one file (CSV and xlsx) is the library's cards byte for byte: %s\n",
              same ? "yes" : "NO");
  fs::remove_all(dir);
  return same ? 0 : 1;
}
