# Where `cmake --install` puts things: every deliverable, plug-in, component and
# data file in one folder, <prefix>/lib/lisotrex/, because the system finds its
# parts beside its own module; the programs linked into <prefix>/bin/; the
# desktop entry, the .abu MIME package, icons and manual pages under
# <prefix>/share/ where the freedesktop and man conventions look for them.
# Test modules, fake libraries, test programs and benchmarks are never installed.
include(GNUInstallDirs)
set(VELMO_INSTALL_DIR "lib/lisotrex")

# velmo_install_deliverable(<target>...): a program, library, plug-in or
# component into lib/lisotrex/.
function(velmo_install_deliverable)
  foreach(target IN LISTS ARGN)
    install(TARGETS ${target}
            RUNTIME DESTINATION "${VELMO_INSTALL_DIR}"
            LIBRARY DESTINATION "${VELMO_INSTALL_DIR}")
    set_property(GLOBAL APPEND PROPERTY VELMO_INSTALLED_TARGETS ${target})
  endforeach()
endfunction()

# velmo_install_program(<target>...): as above, and linked into bin/ under its
# file name. The link is relative, so the tree works wherever it is unpacked.
function(velmo_install_program)
  foreach(target IN LISTS ARGN)
    velmo_install_deliverable(${target})
    file(RELATIVE_PATH to_lib "/p/${CMAKE_INSTALL_BINDIR}" "/p/${VELMO_INSTALL_DIR}")
    install(CODE "
      set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(MAKE_DIRECTORY \"\${bin}\")
      message(STATUS \"Installing: \${bin}/$<TARGET_FILE_NAME:${target}>\")
      file(CREATE_LINK \"${to_lib}/$<TARGET_FILE_NAME:${target}>\" \"\${bin}/$<TARGET_FILE_NAME:${target}>\" SYMBOLIC)")
    set_property(GLOBAL APPEND PROPERTY VELMO_INSTALLED_PROGRAMS ${target})
  endforeach()
endfunction()

# velmo_man_page(<name> <section>): resources/man/<name>.<section>, compressed
# as Debian wants it, into share/man/man<section>/.
function(velmo_man_page name section)
  set(page "${PROJECT_SOURCE_DIR}/resources/man/${name}.${section}")
  set(out "${CMAKE_BINARY_DIR}/man/${name}.${section}.gz")
  add_custom_command(OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/man"
    COMMAND gzip -9n -c "${page}" > "${out}"
    DEPENDS "${page}" VERBATIM)
  add_custom_target(man_${name} ALL DEPENDS "${out}")
  install(FILES "${out}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man${section}")
endfunction()

# The data files the parts read beside themselves. String tables are built
# into their deliverables.
install(FILES "${PROJECT_SOURCE_DIR}/resources/Lisotrex.inf" "${PROJECT_SOURCE_DIR}/resources/VQSVC.inf"
        DESTINATION "${VELMO_INSTALL_DIR}")
file(GLOB velmo_help_files CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/*/help/*.html")
install(FILES ${velmo_help_files} DESTINATION "${VELMO_INSTALL_DIR}/help")

# Desktop integration.
set(res "${PROJECT_SOURCE_DIR}/resources/lisotrex")
install(FILES "${res}/lisotrex.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${res}/lisotrex-document.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages")
install(FILES "${res}/icons/lisotrex.svg" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${res}/icons/application-x-lisotrex-document.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes")

# Manual pages of the commands.
file(GLOB velmo_man_pages CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/man/*.1")
foreach(page IN LISTS velmo_man_pages)
  get_filename_component(name "${page}" NAME_WLE)
  velmo_man_page(${name} 1)
endforeach()
