# What `cmake --install` puts in place, and the Debian package `cpack -G DEB`
# makes of it: the two programs, their manual pages, the desktop entry with
# its icon, the ROM file type and the metainfo, and quarnel-cli's bash
# completion.
include(GNUInstallDirs)

install(TARGETS quarnel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quarnel)
  install(TARGETS quarnel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(data ${PROJECT_SOURCE_DIR}/data)
  install(FILES ${data}/quarnel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${data}/quarnel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${data}/quarnel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${data}/quarnel-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quarnel.xml)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/data/quarnel-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quarnel-cli)

# The manual pages are made from each program's own --help and --version,
# so they never disagree with it. The programs run from their build folder
# under their installed names.
find_program(QUARNEL_HELP2MAN help2man)
if(QUARNEL_SANITIZE)
  # Sanitized programs may report at exit, which would end up in the pages.
elseif(QUARNEL_HELP2MAN)
  set(quarnel_manual_quarnel-cli "edit the DMI strings and the system UUID inside a BIOS ROM image")
  set(quarnel_manual_quarnel "window to edit the DMI strings and the system UUID inside a BIOS ROM image")
  set(pages)
  foreach(program quarnel-cli quarnel)
    if(NOT TARGET ${program})
      continue()
    endif()
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH}"
              ${QUARNEL_HELP2MAN} --no-info --no-discard-stderr "--name=${quarnel_manual_${program}}"
              --output=${page} ${program}
      DEPENDS ${program}
      COMMENT "Writing the manual page of ${program}"
      VERBATIM)
    list(APPEND pages ${page})
  endforeach()
  add_custom_target(manual_pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found: no manual pages (scripts/deps.sh installs it)")
endif()

set(CPACK_PACKAGE_NAME quarnel)
set(CPACK_PACKAGE_VENDOR "Quarnel")
set(CPACK_PACKAGE_CONTACT "Quarnel developers <quarnel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "change the DMI strings and the system UUID inside a BIOS ROM image")
set(CPACK_PACKAGE_DESCRIPTION
    "Quarnel changes the DMI (SMBIOS) identification strings and the system UUID\n"
    "stored inside a legacy AMI-format BIOS ROM image, without rebuilding the BIOS.\n"
    "It comes as a small window and as quarnel-cli for scripts.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# The version the caption and --version show.
set(CPACK_PACKAGE_VERSION ${QUARNEL_VERSION_TEXT})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The dependencies are those of the libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# `quarnel-cli sample` builds its image from seabios's BIOS code.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS seabios)
set(CPACK_STRIP_FILES ON)
include(CPack)
