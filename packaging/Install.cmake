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

# The help file must sit beside the program, which looks for it there.
install(FILES ${CMAKE_BINARY_DIR}/bin/pelmarorder.chm DESTINATION ${CMAKE_INSTALL_BINDIR} OPTIONAL)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pelmarorder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pelmarorder.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelmarorder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pelmar")
set(CPACK_PACKAGE_CONTACT "Pelmar <info@pelmar.hu>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pelmar digitális fotórendelés - order client for partner shops")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The Debian packages the program needs at run time, by name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6core6, libqt6gui6, libqt6widgets6, libqt6network6, libqt6printsupport6, libqt6svg6, qt6-qpa-plugins, qt6-translations-l10n, libjpeg62-turbo, libexif12, libsqlite3-0, libchm1, libuemf0, fonts-liberation, xorriso")
include(CPack)
