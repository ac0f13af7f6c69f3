# The programs as a Linux package: manual pages and bash completion made from the programs' own --help,
# the AppStream data, the documents Debian wants, and `cpack` (make package) building the .deb.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(PM_PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging)
set(PM_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)

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

  install(FILES ${_pm_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PM_PACKAGING_OUT}/pm514rx-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  install(FILES ${PM_PACKAGING_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  message(WARNING "python3 not found: no manual pages, bash completion or changelog")
endif()

install(FILES ${PM_PACKAGING_SOURCE}/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/res/io.github.pm514rx.pm514rx.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The user guide, whenever docs/guide exists at install time.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/guide OPTIONAL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pm514rx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The PM-514RX developers <pm514rx@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programming software for the PM-514RX VHF handheld radio")
# Lines as they go into the control file: lintian wants them under 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Reads the radio's memory over a serial cable, edits its 80 channels and\n"
       "radio-wide settings, saves and opens channel files (*.sin), prints a settings\n"
       "report and writes the memory back.\n"
       "\n"
       "pm514rx is the desktop program. pm514rx-cli does the same from a terminal,\n"
       "exchanges channel lists as CSV and serves a virtual radio, so everything can\n"
       "be tried without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://pm514rx.github.io/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The icons are SVG, drawn by a plugin that nothing links to.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)
# The printed report is laid out for Liberation Serif's widths.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_THREADS 0)
include(CPack)
