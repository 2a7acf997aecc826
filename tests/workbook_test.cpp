// kwvcard import on workbooks from Excel, openpyxl and LibreOffice (made by
// workbook/make_workbooks.py): the cards they become, the workbooks it
// refuses, and the cell values as text.
#include "test_support.h"
#include "workbook/cells.h"

namespace {

using kwvcard::is_date_format;
using kwvcard::number_text;
using kwvcard::serial_date;

const std::string kData = KWVCARD_IMPORT_DATA "/../workbook";

class WorkbookTest : public kwvtest::ToolTest {};

// Each producer's workbook against the cards its rows are, as golden files:
// numbers in phone columns as their digits, text with its leading zero, dates
// (1900 and 1904 systems, built-in and custom formats, ods date values) as
// YYYY-MM-DD, shared and inline strings, repeated ods rows and cells.
TEST_F(WorkbookTest, WorkbooksOfEachProducer) {
  const struct {
    const char *name, *ext;
  } cases[] = {{"excel", ".xlsx"},       {"inline", ".xlsx"},     {"openpyxl", ".xlsx"},
               {"libreoffice", ".xlsx"}, {"libreoffice", ".ods"}, {"libreoffice", ".xls"},
               {"odd", ".ods"}};
  for (const auto& c : cases) expect_golden(kData, c.name, c.ext);
  expect_golden(kData, "excel", ".xlsx", "--sheet Other", "other");
}

// Exit 2, one line naming the place, nothing written.
TEST_F(WorkbookTest, BadWorkbooksStopTheImport) {
  const std::string zip = "in.xlsx: not a valid xlsx or ods workbook (";
  const struct {
    std::string file, args, message;
  } cases[] = {
      {"no-workbook.xlsx", "",
       zip + "the archive has neither xl/workbook.xml nor an OpenDocument spreadsheet's mimetype)"},
      {"truncated.xlsx", "", zip + "not a ZIP archive: Not a zip archive)"},
      {"random.xlsx", "", zip + "not a ZIP archive: Not a zip archive)"},
      {"broken-sheet.xlsx", "",
       "in.xlsx: not a valid xlsx workbook (xl/worksheets/sheet1.xml line 1: no element found)"},
      {"encrypted.xlsx", "", "in.xlsx: password-protected: save it without a password"},
      {"excel.xlsx", "--sheet Nope",
       "in.xlsx: no sheet named \"Nope\" (its sheets: \"Contacts\", \"Other\")"},
      {"libreoffice.ods", "--sheet Nope",
       "in.xlsx: no sheet named \"Nope\" (its sheets: \"google\")"},
      {"libreoffice.xls", "--sheet Nope",
       "in.xlsx: no sheet named \"Nope\" (its sheets: \"google\")"},
      {"google.csv", "--sheet Nope",
       "import: --sheet names a sheet of a workbook (xlsx, ods, xls); in.xlsx is not one (see "
       "kwvcard --help)"},
  };
  for (const auto& c : cases) {
    std::string bytes = kwvtest::read_file(kData + "/" + c.file);
    file("in.xlsx", bytes);
    const Run r = run("import in.xlsx --out out.vcf " + c.args);
    EXPECT_EQ(r.status, 2) << c.file;
    EXPECT_EQ(r.messages, "kwvcard: " + c.message + "\n") << c.file;
    EXPECT_FALSE(std::filesystem::exists(path("out.vcf"))) << c.file;
  }
}

TEST(WorkbookCells, SerialNumbersAreDates) {
  const struct {
    double serial;
    bool date1904;
    const char* date;  // null: not a date
  } cases[] = {
      {1, false, "1900-01-01"},  {59, false, "1900-02-28"},       {60, false, "1900-02-29"},
      {61, false, "1900-03-01"}, {29287.75, false, "1980-03-07"}, {2958465, false, "9999-12-31"},
      {0, true, "1904-01-01"},   {27825, true, "1980-03-07"},     {0.5, false, nullptr},
      {-1, true, nullptr},       {2958466, false, nullptr},
  };
  for (const auto& c : cases) {
    const auto date = serial_date(c.serial, c.date1904);
    EXPECT_EQ(date.value_or("none"), c.date ? c.date : "none") << c.serial;
  }
}

TEST(WorkbookCells, NumbersAsTheirDigits) {
  const struct {
    const char *stored, *text;
  } cases[] = {{"13800138000", "13800138000"},
               {"1.3800138E10", "13800138000"},
               {"13800138000.0", "13800138000"},
               {"0.1", "0.1"},
               {"3.50", "3.5"},
               {"-0", "0"},
               {"1E-3", "0.001"},
               {"12abc", "12abc"},
               {"", ""}};
  for (const auto& c : cases)
    EXPECT_EQ(number_text(std::string_view(c.stored)), c.text) << c.stored;
}

TEST(WorkbookCells, DateFormats) {
  const struct {
    int id;
    const char* code;
    bool date;
  } cases[] = {{14, "", true},         {22, "", true},
               {47, "", true},         {0, "", false},
               {49, "", false},        {164, "yyyy-mm-dd", true},
               {164, "0.00", false},   {164, "\"d\"0", false},
               {164, "[Red]0", false}, {164, "[$-F800]dddd", true},
               {164, "0;[h]", false},  {164, "\\d0", false}};
  for (const auto& c : cases) EXPECT_EQ(is_date_format(c.id, c.code), c.date) << c.code;
}

}  // namespace
