# Packaging: `cpack -G DEB` in a build folder makes kovrin_<version>_<arch>.deb, installing under /usr.
# The program's and the data's install rules sit beside them (app/, data/); the two tools are installed from here.

include(GNUInstallDirs)
foreach(tool kovrin-cli kovrin-demo-service)
    if(TARGET ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

set(CPACK_PACKAGE_NAME kovrin)
set(CPACK_PACKAGE_VENDOR "Kovrin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kovrin developers <kovrin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for an exchange-rate aggregator of electronic currencies")
# Debian shows the long description as it stands, so its lines stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Kovrin downloads the news, rates, currency names and exchangers feeds of an
exchange-rate aggregator and shows, for a chosen pair of currencies and an
optional amount, every exchanger that quotes the pair and can serve the amount,
in a sortable table. The package also holds kovrin-cli, the same engine without
a window, and kovrin-demo-service, a local feed service for demonstrations.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from the binaries themselves (dpkg-shlibdeps), so they follow whatever Qt 6 and
# PCRE2 the building system has. Debian ships Qt's window-system plugins (xcb, offscreen) inside libqt6gui6,
# which that already names; links open through xdg-open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Russian texts for its standard buttons and menus; the window loads them at start.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_GENERATOR DEB)

include(CPack)
