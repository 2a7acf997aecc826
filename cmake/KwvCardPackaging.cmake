# Debian packages, one per install component:
#   libkwvcard0     the shared libraries: libKwvCard.so.0 and, unless
#                   KWVCARD_PLATFORM_STANDINS is off, the stand-ins
#                   libqelstr.so.0 and libbase64.so.0 it needs
#   libkwvcard-dev  headers, link names, the CMake package and kwvcard.pc
#   kwvcard         the import tool, where it is built (not in the cross builds)
# Build them after a build with `cpack -G DEB` in the build folder (or `cpack
# --preset deb`, `deb-arm64`, `deb-armhf`). The packages install under /usr.
set(CPACK_PACKAGE_NAME kwvcard)
set(CPACK_PACKAGE_VENDOR "KwvCard")
set(CPACK_PACKAGE_CONTACT "KwvCard developers <kwvcard@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "writes contacts as vCard 2.1 files")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkwvcard0)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
  "KwvCard writes one contact at a time as a vCard 2.1 file, with charset and
language parameters, GB2312 conversion and inline photos and sounds.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkwvcard-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
  "Headers, pkg-config file and CMake package (find_package(KwvCard)) for
building programs with libKwvCard.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libkwvcard0 (= ${PROJECT_VERSION})")

# A shlibs file in the runtime package, so packages built against it depend on
# libkwvcard0 (>= the version they were built with).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

if(KWVCARD_BUILD_TOOL)
  list(APPEND CPACK_COMPONENTS_ALL Tool)
  set(CPACK_DEBIAN_TOOL_PACKAGE_NAME kwvcard)
  set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_TOOL_DESCRIPTION
    "kwvcard import turns Outlook and Google Contacts CSV exports and vCard
files (2.1, 3.0, 4.0: iPhone, Android, Google, Outlook, Thunderbird, CardDAV)
into vCard 2.1 files in the charset and form old devices read
(quoted-printable; UTF-8, GB2312, Shift_JIS, ...), photos shrunk on request.")
  # Its own library comes from libkwvcard0, which dpkg-shlibdeps cannot see
  # while the packages are being built; libcsv3 is Debian's, and so are the
  # workbook readers' libzip4, libexpat1 and libfreexl1.
  set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS
    "libkwvcard0 (= ${PROJECT_VERSION}), libcsv3, libvips42 (>= 8.14), libjpeg62-turbo, libpng16-16, libexif12, libzip4 (>= 1.7), libexpat1 (>= 2.5), libfreexl1 (>= 1.0.6), libc6 (>= 2.34), libstdc++6 (>= 12)")
endif()

if(CMAKE_CROSSCOMPILING)
  # dpkg-shlibdeps knows only the build machine's libraries: name the target's
  # architecture and the C and C++ runtimes every Debian 12 system has.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^arm")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
  endif()
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 11)")
else()
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
