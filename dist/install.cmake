# What `cmake --install` puts where, and the Debian package `cpack -G DEB` makes of it
# (scripts/package.sh). The programs find their parts from their own folder
# (AMVAL_PROGRAM_TO_* in the top CMakeLists.txt), so the same layout works under /usr,
# /usr/local or any other root.

set(AMVAL_APP_ID example.amval.Amval)
target_compile_definitions(amval-shell PRIVATE AMVAL_APP_ID="${AMVAL_APP_ID}")
set(AMVAL_MAINTAINER "Amval maintainers <maintainers@users.noreply.c-seed-eba0f662.example>")

install(TARGETS amval-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS amval amval-platform LIBRARY DESTINATION ${AMVAL_INSTALL_PRIVATE_DIR})
install(FILES ${AMVAL_SHIPPED_FILES} DESTINATION ${AMVAL_INSTALL_SHIPPED_DIR})

# The desktop: its entry, the icon and the software centres' description.
install(FILES dist/amval.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    RENAME ${AMVAL_APP_ID}.desktop)
install(FILES dist/amval.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${AMVAL_APP_ID}.svg)
configure_file(dist/amval.metainfo.xml ${CMAKE_BINARY_DIR}/dist/${AMVAL_APP_ID}.metainfo.xml
    @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/dist/${AMVAL_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The package's documents as Debian keeps them: copyright, and the changelog
# compressed without a time stamp (so that two builds give the same file).
configure_file(dist/changelog.in ${CMAKE_BINARY_DIR}/dist/changelog @ONLY)
execute_process(COMMAND gzip -n -9 -c ${CMAKE_BINARY_DIR}/dist/changelog
    OUTPUT_FILE ${CMAKE_BINARY_DIR}/dist/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES dist/copyright ${CMAKE_BINARY_DIR}/dist/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/amval)
execute_process(COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/dist/amval-host.1
    OUTPUT_FILE ${CMAKE_BINARY_DIR}/dist/amval-host.1.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_BINARY_DIR}/dist/amval-host.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Compressed again when they change.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/dist/amval-host.1)

# `cpack` installs what amval-host brings (scripts/package.sh builds it first), not
# every test and benchmark of the build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME amval)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${AMVAL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fixed-asset vouchers of a Persian accounting suite")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${AMVAL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis is the summary above; CPack indents these lines and marks the empty
# one as Debian's paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Accountants enter and edit asset vouchers of thirteen kinds (purchase, sale,
retirement, transfer, improvement, count, ...), search and report on them,
carry them forward from another fiscal period and issue receive/pay orders.
Right-to-left Persian with Jalali dates, keyboard first; the data lives in
SQLite files of a data folder or in a PostgreSQL database.

The host program is amval-host.")
# The libraries the programs link, as dpkg-shlibdeps finds them; our own live in
# the private folder. Qt's plug-ins are loaded by name, so they are named here: the
# database drivers, the window system's, and the one that draws the SVG icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins, libqt6svg6")
# Qt's own dialogs in Persian, a Persian font; pg_dump for a server's backup.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-core | fonts-farsiweb")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "postgresql-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
