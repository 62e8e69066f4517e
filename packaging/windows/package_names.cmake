# Each Windows package under its own name (read by cpack, once per generator).
if(CPACK_GENERATOR STREQUAL "NSIS64")
  set(CPACK_PACKAGE_FILE_NAME "velkor-setup-${CPACK_PACKAGE_VERSION}")
else()
  set(CPACK_PACKAGE_FILE_NAME "velkor-${CPACK_PACKAGE_VERSION}-win64")
endif()
