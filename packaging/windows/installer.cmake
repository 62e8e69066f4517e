# The Windows installer (NSIS, Debian's `nsis`) and the ZIP, from the same
# installation: `cmake --build build-win --target package` leaves
# velkor-setup-<version>.exe and velkor-<version>-win64.zip.
set(CPACK_GENERATOR NSIS64 ZIP)
# A 64-bit installer, like the programs it installs (and one that wine64 runs).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_names.cmake)
set(CPACK_PACKAGE_INSTALL_DIRECTORY VELKOR)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY VELKOR)
set(CPACK_NSIS_PACKAGE_NAME VELKOR)
set(CPACK_NSIS_DISPLAY_NAME "VELKOR ${PROJECT_VERSION}")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_PACKAGE_EXECUTABLES velkor VELKOR)
set(CPACK_NSIS_MENU_LINKS doc/guide.html "Guide de VELKOR" doc/velkor.txt "Manuel de velkor"
  doc/velkor-cli.txt "Manuel de velkor-cli")
set(CPACK_NSIS_INSTALLED_ICON_NAME velkor.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/gui/editor/velkor.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/gui/editor/velkor.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_STRIP_FILES ON)
# "Ouvrir avec" offers VELKOR for program files and hands it the file.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!include \"${CMAKE_CURRENT_LIST_DIR}/open_with.nsh\"")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!include \"${CMAKE_CURRENT_LIST_DIR}/open_with_remove.nsh\"")
# The values reach cpack as written (quotes included).
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
