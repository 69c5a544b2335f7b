# Installation into the usual places and the Debian package.
include(GNUInstallDirs)

# Installing (and CPack) takes what was built instead of building every target
# first: tools/package builds only the shipped targets, not the tests and
# benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

foreach(prog pelmarorder pelmar-build)
  if(TARGET ${prog})
    install(TARGETS ${prog} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The program finds its help file beside itself (build folder) or in
# <prefix>/share/pelmarorder (installed).
install(FILES ${CMAKE_BINARY_DIR}/bin/pelmarorder.chm DESTINATION ${CMAKE_INSTALL_DATADIR}/pelmarorder OPTIONAL)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pelmarorder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pelmarorder.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages and the Debian changelog go compressed, without time stamps,
# so two builds of the same sources give the same files.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(packaging_gz ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_gz})
foreach(src pelmarorder.1 pelmar-build.1 changelog.Debian)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/packaging/${src}
                  OUTPUT_FILE ${packaging_gz}/${src}.gz COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${src})
endforeach()
install(FILES ${packaging_gz}/pelmarorder.1.gz ${packaging_gz}/pelmar-build.1.gz
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
JPEG és TIFF képeket vesz fel a megrendelésbe, ellenőrzi őket (fájlméret,
formátum, képpontméret a nagyítási mérethez), a partner árlistájából
beárazza, kinyomtatja a megrendelést, és elkészíti a megrendelés mappáját,
amelyet CD-n vagy DVD-n visz a laborba. A félbemaradt megrendelést egy
összeomlás után visszaállítja, a megrendelés fájlba menthető.

Pelmar megrendelés is the program the Pelmar photo lab gives to its partner
shops: it adds JPEG and TIFF pictures to an order, checks them (file size,
format, pixel dimensions for the print size), prices them from the partner's
price list, prints the order and builds the order folder that goes to the
lab on a CD or DVD. An unfinished order is restored after a crash, and an
order can be saved to a file. pelmar-build builds a saved order without a
window.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
# The libraries come from dpkg-shlibdeps; these are what it cannot see: Qt's
# platform plugins and translations, the report fonts, the disc writer.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation, xorriso")
include(CPack)
