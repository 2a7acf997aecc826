#include "workbook/workbook.h"

#include <stdexcept>

#include "workbook/ods_rows.h"
#include "workbook/xls_rows.h"
#include "workbook/xlsx_rows.h"
#include "workbook/zip_entry.h"

namespace kwvcard {

std::function<std::unique_ptr<Rows>()> open_workbook(Container container, std::FILE* in,
                                                     const std::string& name,
                                                     const std::string& sheet) {
  std::fflush(in);
  if (container == Container::Ole2) {
    // freexl reads a path: the file's own, which stays open while it is read.
    const std::string path = "/proc/self/fd/" + std::to_string(fileno(in));
    std::shared_ptr<const XlsBook> book = std::make_shared<XlsBook>(path, name, sheet);
    return [book] { return std::make_unique<XlsRows>(book); };
  }
  auto archive = std::make_unique<Archive>(fileno(in), name);
  if (archive->head("mimetype", 64) == "application/vnd.oasis.opendocument.spreadsheet") {
    archive->set_kind("ods");
    check_ods(*archive, name);
    std::shared_ptr<const Archive> shared = std::move(archive);
    return [shared, name, sheet] { return std::make_unique<OdsRows>(shared, name, sheet); };
  }
  if (!archive->has("xl/workbook.xml") &&
      archive->head("[Content_Types].xml", 1 << 16).find("spreadsheetml") == std::string::npos) {
    throw std::runtime_error(archive->invalid(
        "the archive has neither xl/workbook.xml nor an OpenDocument spreadsheet's mimetype"));
  }
  archive->set_kind("xlsx");
  std::shared_ptr<const XlsxBook> book = read_xlsx(std::move(archive), name, sheet);
  return [book] { return std::make_unique<XlsxRows>(book); };
}

}  // namespace kwvcard
