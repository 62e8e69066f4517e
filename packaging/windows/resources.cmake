# What velkor.exe carries on Windows (included by gui/editor/CMakeLists.txt): a
# window-less start, the icon and version resource, and Qt's French
# translation with a qt.conf that tells Qt where it is (a static Qt has no
# folder of its own on the user's machine).
enable_language(RC)
set_target_properties(velkor PROPERTIES WIN32_EXECUTABLE ON)

find_program(VELKOR_CONVERT convert)
if(NOT VELKOR_CONVERT)
  message(FATAL_ERROR "ImageMagick's convert is needed for the icon (apt-get install imagemagick)")
endif()
set(VELKOR_ICO ${CMAKE_CURRENT_BINARY_DIR}/velkor.ico)
add_custom_command(OUTPUT ${VELKOR_ICO}
  COMMAND ${VELKOR_CONVERT} -density 400 -background none ${PROJECT_SOURCE_DIR}/packaging/velkor.svg
          -define icon:auto-resize=256,48,32,16 ${VELKOR_ICO}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/velkor.svg VERBATIM)
configure_file(${CMAKE_CURRENT_LIST_DIR}/velkor.rc.in ${CMAKE_CURRENT_BINARY_DIR}/velkor.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/velkor.rc PROPERTIES OBJECT_DEPENDS ${VELKOR_ICO})
target_sources(velkor PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/velkor.rc)

find_file(VELKOR_QTBASE_FR qtbase_fr.qm
  PATHS ${QT_HOST_PATH}/share/qt6/translations /usr/share/qt6/translations
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT VELKOR_QTBASE_FR)
  message(FATAL_ERROR "qtbase_fr.qm not found (apt-get install qt6-translations-l10n)")
endif()
set_source_files_properties(${VELKOR_QTBASE_FR} PROPERTIES QT_RESOURCE_ALIAS translations/qtbase_fr.qm)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/qt.conf PROPERTIES QT_RESOURCE_ALIAS qt/etc/qt.conf)
# On the library, so the tests that build the editor's windows get them too.
qt_add_resources(velkor_editor velkor_windows PREFIX /
  FILES ${VELKOR_QTBASE_FR} ${CMAKE_CURRENT_LIST_DIR}/qt.conf)
