# What `cmake --install` puts where, for packagers and scripts/package.
# The program looks for libubrix and Manual.pdf in its own folder, so the programs, the
# library and the manual share one folder; on Linux the commands in bin/ are links to it
# (the program resolves its folder through /proc/self/exe, so the link is followed).
include(GNUInstallDirs)

if(WIN32)
  set(kovrin_default_program_dir ".")
else()
  set(kovrin_default_program_dir "lib/kovrin")
endif()
set(KOVRIN_INSTALL_PROGRAM_DIR "${kovrin_default_program_dir}" CACHE STRING
    "Folder under the prefix that holds the programs, the bridge library and Manual.pdf")
set(program_dir "${KOVRIN_INSTALL_PROGRAM_DIR}")

set(kovrin_programs "")
foreach(program kovrin kovrin-cli ats-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${program_dir})
    list(APPEND kovrin_programs ${program})
  endif()
endforeach()

if(TARGET ubrix)
  # The import library of a DLL is of no use: the program binds the exports by name.
  # A library is read, not run: no execute bits, as Debian wants.
  install(TARGETS ubrix
    LIBRARY DESTINATION ${program_dir} NAMELINK_SKIP
      PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    RUNTIME DESTINATION ${program_dir}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} EXCLUDE_FROM_ALL)
endif()

if(TARGET manual)
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Manual.pdf DESTINATION ${program_dir})
endif()

if(WIN32)
  return()
endif()

# Commands on the PATH: relative links into the program folder, so a staged tree (or a
# package unpacked into any root) stays whole.
file(RELATIVE_PATH link_to_program_dir "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${program_dir}")
foreach(program IN LISTS kovrin_programs)
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
    message(STATUS \"Installing: \${link} -> ${link_to_program_dir}/${program}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"${link_to_program_dir}/${program}\" \"\${link}\" SYMBOLIC)")
endforeach()

# Desktop integration and the adapters' udev rules.
set(linux_dir ${PROJECT_SOURCE_DIR}/packaging/linux)
install(FILES ${linux_dir}/org.kovrin.Kovrin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${linux_dir}/org.kovrin.Kovrin.metainfo.xml.in ${CMAKE_BINARY_DIR}/org.kovrin.Kovrin.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/org.kovrin.Kovrin.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# .kvnf files: their type (by name, and by the first line) and its icon.
install(FILES ${linux_dir}/kovrin.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icons/app-icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
        RENAME application-x-kovrin-configuration.svg)
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icons/app-icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME kovrin.svg)
set(KOVRIN_INSTALL_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING "Folder under the prefix for udev rules")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/70-kovrin-adapters.rules DESTINATION ${KOVRIN_INSTALL_UDEV_RULES_DIR})

# Man pages, rendered from docs/man/*.md and compressed as Debian wants them. Without
# pandoc there are none (scripts/package installs it).
find_program(KOVRIN_PANDOC pandoc)
find_program(KOVRIN_GZIP gzip)
if(KOVRIN_PANDOC AND KOVRIN_GZIP)
  set(man_pages "")
  foreach(page kovrin kovrin-cli ats-sim)
    set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.md)
    set(rendered ${CMAKE_BINARY_DIR}/man/${page}.1)
    add_custom_command(
      OUTPUT ${rendered}.gz
      COMMAND ${KOVRIN_PANDOC} --standalone --from markdown-smart --to man
              --metadata "footer=kovrin ${PROJECT_VERSION}" --metadata "date=${KOVRIN_RELEASE_DATE}"
              ${source} --output ${rendered}
      COMMAND ${KOVRIN_GZIP} -9 --no-name --force ${rendered}
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/CMakeLists.txt
      COMMENT "Rendering man page ${page}(1)"
      VERBATIM)
    list(APPEND man_pages ${rendered}.gz)
  endforeach()
  add_custom_target(manpages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
