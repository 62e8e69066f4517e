# nlohmann/json (the names files, the command line's JSON) and CLI11 (the
# command-line programs): header-only Debian packages. The cross build takes
# the same headers, through a folder holding only them (the host's
# /usr/include must stay out of a MinGW build).
add_library(velkor_json_headers INTERFACE)
add_library(velkor_cli_headers INTERFACE)
target_link_libraries(velkor_cli_headers INTERFACE velkor_json_headers)
if(CMAKE_CROSSCOMPILING)
  set(host_headers ${CMAKE_BINARY_DIR}/host-headers)
  file(MAKE_DIRECTORY ${host_headers})
  file(CREATE_LINK /usr/include/CLI ${host_headers}/CLI SYMBOLIC)
  file(CREATE_LINK /usr/include/nlohmann ${host_headers}/nlohmann SYMBOLIC)
  target_include_directories(velkor_json_headers SYSTEM INTERFACE ${host_headers})
else()
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json 3.10 CONFIG REQUIRED)
  target_link_libraries(velkor_json_headers INTERFACE nlohmann_json::nlohmann_json)
  target_link_libraries(velkor_cli_headers INTERFACE CLI11::CLI11)
endif()
