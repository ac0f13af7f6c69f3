# The programs as two Linux packages from one build (`cpack`, run by scripts/build-package):
#   pm514rx-cli  component cli: the command-line tool with the virtual radio (no Qt), its manual page and
#                completion, the udev rules for programming cables
#   pm514rx      component desktop: the desktop program, its desktop integration, manual page and user guide;
#                depends on pm514rx-cli
# The manual pages and the bash completion are made from the programs' own --help.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(PM_PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging)
set(PM_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
# Each package's documents under its own name.
set(PM_DOC_cli ${CMAKE_INSTALL_DATADIR}/doc/pm514rx-cli)
set(PM_DOC_desktop ${CMAKE_INSTALL_DATADIR}/doc/pm514rx)

find_package(Python3 COMPONENTS Interpreter)
if(PM_SANITIZE OR PM_FUZZ)
  # Those builds are for finding faults, never packaged.
elseif(Python3_Interpreter_FOUND)
  set(_pm_docs_args --cli $<TARGET_FILE:pm514rx-cli>)
  set(_pm_docs_depends pm514rx-cli)
  set(_pm_man_pages ${PM_PACKAGING_OUT}/pm514rx-cli.1.gz)
  if(TARGET pm514rx)
    list(APPEND _pm_docs_args --gui $<TARGET_FILE:pm514rx>)
    list(APPEND _pm_docs_depends pm514rx)
    list(APPEND _pm_man_pages ${PM_PACKAGING_OUT}/pm514rx.1.gz)
  endif()
  file(GLOB _pm_docs_sources CONFIGURE_DEPENDS ${PM_PACKAGING_SOURCE}/man/*.in ${PM_PACKAGING_SOURCE}/*.in)
  # Rerun whenever a program is rebuilt: a new option is in its page and completion at once.
  add_custom_command(
    OUTPUT ${_pm_man_pages} ${PM_PACKAGING_OUT}/pm514rx-cli ${PM_PACKAGING_OUT}/changelog.gz
    COMMAND Python3::Interpreter ${PM_PACKAGING_SOURCE}/make_docs.py ${_pm_docs_args}
            --source ${PM_PACKAGING_SOURCE} --out ${PM_PACKAGING_OUT} --version ${PROJECT_VERSION}
    DEPENDS ${_pm_docs_depends} ${PM_PACKAGING_SOURCE}/make_docs.py ${PM_PACKAGING_SOURCE}/debian/changelog
            ${_pm_docs_sources}
    COMMENT "Manual pages and bash completion from the programs' --help"
    VERBATIM)
  add_custom_target(pm_docs ALL DEPENDS ${_pm_man_pages} ${PM_PACKAGING_OUT}/pm514rx-cli)

  install(FILES ${PM_PACKAGING_OUT}/pm514rx-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
  if(TARGET pm514rx)
    install(FILES ${PM_PACKAGING_OUT}/pm514rx.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT desktop)
  endif()
  install(FILES ${PM_PACKAGING_OUT}/pm514rx-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          COMPONENT cli)
  foreach(_pm_component cli desktop)
    install(FILES ${PM_PACKAGING_OUT}/changelog.gz DESTINATION ${PM_DOC_${_pm_component}} COMPONENT ${_pm_component})
  endforeach()
else()
  message(WARNING "python3 not found: no manual pages, bash completion or changelog")
endif()

foreach(_pm_component cli desktop)
  install(FILES ${PM_PACKAGING_SOURCE}/debian/copyright DESTINATION ${PM_DOC_${_pm_component}} COMPONENT ${_pm_component})
endforeach()
# udev: serial access for the user at the seat, ModemManager kept off, the FTDI latency timer at 1 ms.
install(FILES ${PM_PACKAGING_SOURCE}/udev/60-pm514rx.rules DESTINATION lib/udev/rules.d COMPONENT cli)
install(FILES ${PROJECT_SOURCE_DIR}/res/io.github.pm514rx.pm514rx.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)
# The user guide is the program's data (an administrator may drop /usr/share/doc); the doc folder links to it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/ DESTINATION ${CMAKE_INSTALL_DATADIR}/pm514rx/guide
        COMPONENT desktop)
file(MAKE_DIRECTORY ${PM_PACKAGING_OUT})
file(CREATE_LINK ../../pm514rx/guide ${PM_PACKAGING_OUT}/guide SYMBOLIC)
install(FILES ${PM_PACKAGING_OUT}/guide DESTINATION ${PM_DOC_desktop} COMPONENT desktop)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pm514rx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The PM-514RX developers <pm514rx@example.org>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(TARGET pm514rx)
  list(APPEND CPACK_COMPONENTS_ALL desktop)
endif()
set(CPACK_DEBIAN_CLI_PACKAGE_NAME pm514rx-cli)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME pm514rx)
# Lines as they go into the control file: the summary first, then lines under 80 columns.
string(CONCAT CPACK_DEBIAN_CLI_DESCRIPTION
       "programming software for the PM-514RX radio - command line\n"
       "Reads the memory of the PM-514RX VHF handheld radio over a serial cable,\n"
       "edits its 80 channels and radio-wide settings from a terminal, saves and\n"
       "opens channel files (*.sin), exchanges channel lists as CSV and writes the\n"
       "memory back. A virtual radio comes with it, so everything can be tried\n"
       "without hardware. Needs no graphical libraries.\n"
       "\n"
       "Its udev rules let the logged-in user open the USB serial adapters of\n"
       "programming cables, keep ModemManager away from them and give FTDI\n"
       "adapters a latency timer of 1 ms.")
string(CONCAT CPACK_DEBIAN_DESKTOP_DESCRIPTION
       "programming software for the PM-514RX radio - desktop program\n"
       "Reads the radio's memory over a serial cable, edits its 80 channels and\n"
       "radio-wide settings, saves and opens channel files (*.sin), prints a settings\n"
       "report and writes the memory back, with a user guide.\n"
       "\n"
       "The command-line tool and the virtual radio are in pm514rx-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://pm514rx.github.io/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The icons are SVG, drawn by a plugin that nothing links to.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "pm514rx-cli (= ${PROJECT_VERSION}), libqt6svg6")
# The printed report is laid out for Liberation Serif's widths.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_THREADS 0)
include(CPack)
