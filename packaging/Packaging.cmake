# What an installed tree holds besides the programs and the bundle, and the Debian package made
# of it (cpack -G DEB, dependencies found by dpkg-shlibdeps).
set(packaging ${CMAKE_SOURCE_DIR}/packaging)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${ACCOUNTING_INSTALL_DATADIR}/examples)
install(FILES ${packaging}/printdialog.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The agent starts with the desktop session: an XDG autostart entry (in /etc/xdg/autostart for
# a /usr install, as Debian keeps them, else under the prefix; file(INSTALL) adds DESTDIR) and
# a systemd user unit.
install(FILES ${packaging}/accounting-agent.service
  DESTINATION lib/systemd/user)
install(CODE "
  if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"/usr\")
    set(autostart /etc/xdg/autostart)
  else()
    set(autostart \${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart)
  endif()
  file(INSTALL ${packaging}/accounting-agent.desktop
    DESTINATION \"\${autostart}\")
")

# The manual page and the package's changelog go in compressed, as Debian keeps them.
find_program(GZIP gzip REQUIRED)
set(man_page ${CMAKE_BINARY_DIR}/packaging/printdialog.1.gz)
set(agent_man_page ${CMAKE_BINARY_DIR}/packaging/accounting-agent.1.gz)
set(guard_man_page ${CMAKE_BINARY_DIR}/packaging/accounting-guard.8.gz)
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
configure_file(${packaging}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${man_page} ${agent_man_page} ${guard_man_page} ${changelog}
  COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/docs/printdialog.1 > ${man_page}
  COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/docs/accounting-agent.1 > ${agent_man_page}
  COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/docs/accounting-guard.8 > ${guard_man_page}
  COMMAND ${GZIP} -9nc ${CMAKE_BINARY_DIR}/packaging/changelog > ${changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/printdialog.1 ${CMAKE_SOURCE_DIR}/docs/accounting-agent.1
          ${CMAKE_SOURCE_DIR}/docs/accounting-guard.8 ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(packaging_files ALL DEPENDS ${man_page} ${agent_man_page} ${guard_man_page}
  ${changelog})
install(FILES ${man_page} ${agent_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${guard_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
install(FILES ${packaging}/copyright ${changelog}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/printdialog)

set(CPACK_PACKAGE_NAME printdialog)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Accounting pane developers <accounting-pane@quorv.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print dialog with job-accounting codes for Quorv printers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "The Accounting pane attaches a user ID and an account ID to print jobs for\nprinters whose PPD names the manufacturer Quorv; printdialog prints them to\nCUPS queues, in a window or from scenario files, accounting-agent gives\nthe codes to jobs of any application that a Quorv queue holds for them, and\nthe quorv-accounting CUPS backend (set up with accounting-guard) keeps any\njob without its codes from the printer.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging}/conffiles)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
