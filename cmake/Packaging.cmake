# Packaging: `cpack -G DEB` in a build folder makes kovrin_<version>_<arch>.deb, installing under /usr.
# The program's, the data's and the manual pages' install rules sit beside them (app/, data/, doc/); the two
# tools, kovrin-cli's completion and the Debian documents are installed from here.

include(GNUInstallDirs)
foreach(tool kovrin-cli kovrin-demo-service)
    if(TARGET ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
if(TARGET kovrin-cli)
    # Where bash-completion looks for a command's completion when it is first used.
    install(FILES ${PROJECT_SOURCE_DIR}/tools/kovrin-cli/completion.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kovrin-cli)
endif()

# The private modules (TLS, SQLite) go to the installation's private folder, where the programs look for them
# beside their bin/ (net/PrivateModule.h), so an installation under any prefix finds its own modules.
foreach(module kovrin-tls kovrin-sqlite)
    if(TARGET ${module})
        install(TARGETS ${module} LIBRARY DESTINATION ${KOVRIN_PRIVATE_LIBDIR})
    endif()
endforeach()

set(KOVRIN_PACKAGE_MAINTAINER "Kovrin developers <developers@kovrin.invalid>" CACHE STRING
    "Maintainer field of the .deb: a name and a mail address")

# The package's documents, in the folder named after the package: the licence in Debian's machine-readable
# form, and the Debian changelog, gzipped as Debian wants it. Its newest entry must be this version.
set(KOVRIN_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/packaging)
file(STRINGS ${KOVRIN_DEBIAN_DIR}/changelog KOVRIN_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT KOVRIN_CHANGELOG_TOP MATCHES "^kovrin \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog begins with \"${KOVRIN_CHANGELOG_TOP}\": add an entry for "
        "${PROJECT_VERSION} on top")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/Gzip.cmake)
set(KOVRIN_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/changelog.gz)
kovrin_gzip(${KOVRIN_DEBIAN_DIR}/changelog ${KOVRIN_CHANGELOG_GZ})
add_custom_target(kovrin_changelog ALL DEPENDS ${KOVRIN_CHANGELOG_GZ})
set(KOVRIN_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kovrin)
install(FILES ${KOVRIN_DEBIAN_DIR}/copyright ${KOVRIN_CHANGELOG_GZ} DESTINATION ${KOVRIN_PACKAGE_DOCDIR})

set(CPACK_PACKAGE_NAME kovrin)
set(CPACK_PACKAGE_VENDOR "Kovrin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KOVRIN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for an exchange-rate aggregator of electronic currencies")
# Debian shows the long description as it stands, so its lines stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Kovrin downloads the news, rates, currency names and exchangers feeds of an
exchange-rate aggregator and shows, for a chosen pair of currencies and an
optional amount, every exchanger that quotes the pair and can serve the amount,
in a sortable table. The package also holds kovrin-cli, the same engine without
a window, and kovrin-demo-service, a local feed service for demonstrations.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${KOVRIN_PACKAGE_PREFIX})
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
