# The Debian package: `make package` (see the Makefile) or cpack in a build
# folder. Its dependencies are the shared libraries dpkg-shlibdeps finds in
# the programs and plug-ins, plus what is only loaded at run time: Qt's X11
# and SVG plug-ins, the icon theme and Qt's Chinese texts.

# A deliverable that is built but never installed would be missing from the package.
get_property(velmo_installed GLOBAL PROPERTY VELMO_INSTALLED_TARGETS)
foreach(deliverable lisotrex lisotrex-convert vqcore vqbridge vqfaxsp vqwabsp vqmapisp
                    vqconv wab32 mapi32 velmo-reg pdxadmin velmo-mapi)
  if(TARGET ${deliverable} AND NOT deliverable IN_LIST velmo_installed)
    message(WARNING "${deliverable} is built but not installed: add velmo_install_deliverable(${deliverable}) "
                    "or velmo_install_program(${deliverable}) beside it")
  endif()
endforeach()

set(VELMO_PACKAGE_MAINTAINER "Velmo Packaging <packaging@velmo.example.org>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")

set(VELMO_SHARE "${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}")
foreach(script postinst postrm)
  configure_file("${PROJECT_SOURCE_DIR}/resources/package/${script}.in"
                 "${CMAKE_BINARY_DIR}/package/${script}" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
endforeach()

# What Debian wants in every package's documentation folder.
set(velmo_doc "${CMAKE_INSTALL_DATADIR}/doc/lisotrex")
add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/package/changelog.gz"
  COMMAND gzip -9n -c "${PROJECT_SOURCE_DIR}/resources/package/changelog" > "${CMAKE_BINARY_DIR}/package/changelog.gz"
  DEPENDS "${PROJECT_SOURCE_DIR}/resources/package/changelog" VERBATIM)
add_custom_target(package_changelog ALL DEPENDS "${CMAKE_BINARY_DIR}/package/changelog.gz")
install(FILES "${PROJECT_SOURCE_DIR}/resources/package/copyright" "${CMAKE_BINARY_DIR}/package/changelog.gz"
        DESTINATION "${velmo_doc}")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "lisotrex")
set(CPACK_PACKAGE_VERSION "${VELMO_VERSION}")
set(CPACK_PACKAGE_VENDOR "Velmo")
set(CPACK_PACKAGE_CONTACT "${VELMO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fax and e-mail address book utility")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lisotrex gathers fax and e-mail destinations from Microsoft Exchange and
Lotus Notes directory exports, its own .abu books and address books reached
through the PDX provider layer, lets the user edit them in a list and writes
them out as a fax address book (.abk) for the fax driver.

The package holds the program lisotrex, its headless companion
lisotrex-convert, the PDX core with its bridge, provider plug-ins and
component stand-ins, and the tools velmo-reg and pdxadmin.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, breeze-icon-theme, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_BINARY_DIR}/package/postinst;${CMAKE_BINARY_DIR}/package/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
