# Installation into the usual places and the Debian package.
include(GNUInstallDirs)

# Installing (and CPack) takes what was built instead of building every target
# first: tools/package builds only the shipped targets, not the tests and
# benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

foreach(prog pelmarorder pelmar-build pelmar-send)
  if(TARGET ${prog})
    install(TARGETS ${prog} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The helper that decodes phone pictures is the program's alone: it goes
# where ConvertQueue::defaultHelper looks, <prefix>/libexec/pelmarorder.
if(TARGET pelmar-convert)
  install(TARGETS pelmar-convert RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/pelmarorder)
endif()

# The program finds its help file beside itself (build folder) or in
# <prefix>/share/pelmarorder (installed).
install(FILES ${CMAKE_BINARY_DIR}/bin/pelmarorder.chm DESTINATION ${CMAKE_INSTALL_DATADIR}/pelmarorder OPTIONAL)

# The media types the program opens, for the desktop entry ("open with") and
# the software centres' listing; a new picture format is one more entry here.
# The phone kinds are converted to JPEG before they join an order.
set(PELMAR_MIME_TYPES image/jpeg image/tiff image/heic image/heif image/avif image/webp image/png)
set(PELMAR_DESKTOP_MIME_TYPES "${PELMAR_MIME_TYPES};")
set(PELMAR_METAINFO_MEDIATYPES "")
foreach(type ${PELMAR_MIME_TYPES})
  string(APPEND PELMAR_METAINFO_MEDIATYPES "    <mediatype>${type}</mediatype>\n")
endforeach()
string(REGEX REPLACE "\n$" "" PELMAR_METAINFO_MEDIATYPES "${PELMAR_METAINFO_MEDIATYPES}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/pelmarorder.desktop.in ${CMAKE_BINARY_DIR}/packaging/pelmarorder.desktop
               @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/hu.pelmar.pelmarorder.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/hu.pelmar.pelmarorder.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/pelmarorder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/hu.pelmar.pelmarorder.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pelmarorder.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages and the Debian changelog go compressed, without time stamps,
# so two builds of the same sources give the same files.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(packaging_gz ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_gz})
foreach(src pelmarorder.1 pelmar-build.1 pelmar-send.1 changelog.Debian)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/packaging/${src}
                  OUTPUT_FILE ${packaging_gz}/${src}.gz COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${src})
endforeach()
install(FILES ${packaging_gz}/pelmarorder.1.gz ${packaging_gz}/pelmar-build.1.gz ${packaging_gz}/pelmar-send.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_gz}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelmarorder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "Pelmar")
set(CPACK_PACKAGE_CONTACT "Pelmar <info@pelmar.hu>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pelmar photo lab order client for partner shops")
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A Pelmar megrendelés a Pelmar fotólabor programja partnerüzletei számára:
JPEG és TIFF képeket vesz fel a megrendelésbe (a telefonok HEIC, AVIF,
WebP és PNG képeit színhűen JPEG-be alakítja), ellenőrzi őket
(fájlméret, formátum, képpontméret a nagyítási mérethez), a partner
árlistájából beárazza, kinyomtatja a megrendelést, és elkészíti a
megrendelés mappáját, amelyet CD-n vagy DVD-n visz a laborba, vagy
SFTP-n küld el. A félbemaradt megrendelést egy összeomlás után
visszaállítja, a megrendelés fájlba menthető.

Pelmar megrendelés is the program the Pelmar photo lab gives to its partner
shops: it adds JPEG and TIFF pictures to an order (phone pictures in HEIC,
AVIF, WebP and PNG converted to JPEG with their colours kept), checks them
(file size, format, pixel dimensions for the print size), prices them from
the partner's price list, prints the order and builds the order folder that
goes to the lab on a CD or DVD or over SFTP. An unfinished order is restored
after a crash, and an order can be saved to a file. pelmar-build builds a
saved order and pelmar-send sends order folders without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
# The libraries come from dpkg-shlibdeps; these are what it cannot see, the
# plugins Qt loads by name and the files and programs used at run time:
#  libqt6svg6            the SVG icon engine and image format: every icon,
#                        the logo and the lines' status marks are SVG
#  qt6-wayland           the Wayland platform, so a Wayland session does not
#                        fall back to XWayland (the X11 one, the image formats
#                        and the input methods are in libqt6gui6, the printing
#                        one in libqt6printsupport6: both linked)
#  qt6-translations-l10n Qt's own dialogs in Hungarian
#  fonts-liberation      the printouts' fonts
#  xorriso               the disc writer
# (the lab password's keyring, QtKeychain, and libcurl with its SSH support
# are linked, so dpkg-shlibdeps finds them)
# tests/scripts/test_package.sh runs the program with only the plugins these
# bring.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-wayland, qt6-translations-l10n, fonts-liberation, xorriso")
include(CPack)
