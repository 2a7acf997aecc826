# kwvcard for the web page (included by tools/kwvcard/CMakeLists.txt under
# Emscripten): the tool's own sources, main() included, with what the browser
# lacks supplied from web/glue/, one file each:
# - iconv.cpp: Emscripten's iconv converts only between Unicode forms; text in
#   other encodings is read with the browser's TextDecoder, and the GB2312
#   table is the library's own;
# - encoding.cpp: a text export's encoding guessed without uchardet;
# - photo_browser.cpp: photos shrunk by the browser's image code;
# - workbook.cpp: workbooks recognised, and refused (no libzip, expat or
#   freexl here): the page asks for CSV.
# libcsv is compiled from its copy in web/third_party/libcsv/, CLI11 from
# Debian's headers. web/CMakeLists.txt links the result into the page.
enable_language(C)
set(KWVCARD_LIBCSV_SOURCE ${PROJECT_SOURCE_DIR}/web/third_party/libcsv)
# CLI11 is header-only; its headers are copied so that no /usr/include folder
# comes before Emscripten's own C library.
find_path(KWVCARD_CLI11_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT KWVCARD_CLI11_DIR)
  message(FATAL_ERROR "kwvcard needs CLI11's headers (apt-get install libcli11-dev)")
endif()
file(COPY ${KWVCARD_CLI11_DIR}/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11)

set(glue ${PROJECT_SOURCE_DIR}/web/glue)
add_executable(kwvcard ${KWVCARD_TOOL_SOURCES} ${KWVCARD_LIBCSV_SOURCE}/libcsv.c
  ${glue}/iconv.cpp ${glue}/encoding.cpp ${glue}/photo_browser.cpp ${glue}/workbook.cpp ${glue}/process.cpp)
set_source_files_properties(${KWVCARD_LIBCSV_SOURCE}/libcsv.c PROPERTIES COMPILE_OPTIONS -w)
target_include_directories(kwvcard PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_include_directories(kwvcard SYSTEM PRIVATE ${KWVCARD_LIBCSV_SOURCE} ${CMAKE_BINARY_DIR}/cli11)
target_link_libraries(kwvcard PRIVATE KwvCard)
target_compile_definitions(kwvcard PRIVATE KWVCARD_VERSION="${PROJECT_VERSION}"
  KWVCARD_NO_UCHARDET KWVCARD_PHOTO_BROWSER)

add_subdirectory(${PROJECT_SOURCE_DIR}/web ${CMAKE_BINARY_DIR}/page)
