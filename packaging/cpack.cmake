# The packages: the Debian one (`make package`), the Windows installer and ZIP (`make windows`).
set(CPACK_PACKAGE_NAME velkor)
set(CPACK_PACKAGE_VENDOR "VELKOR")
set(CPACK_PACKAGE_CONTACT "VELKOR <velkor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and programmer for the VELKOR I/O board")
set(CPACK_PACKAGE_DESCRIPTION "VELKOR edits the programs of a small I/O board (7 logic and 4 analog
inputs, 7 logic and 4 analog outputs), simulates them, saves them to
program files and sends them to the board over RS-232.")
if(WIN32)
  if(VELKOR_GUI)
    include(${CMAKE_CURRENT_LIST_DIR}/windows/installer.cmake)
  endif()
  return()
endif()

# The Debian package: `make package`, then `apt-get install ./velkor_*.deb`.
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windowing plug-ins are loaded at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
include(CPack)
