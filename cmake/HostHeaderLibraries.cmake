# A cross build finds no packages of the build machine, but CLI11 and
# nlohmann-json are headers only: their folders are offered through a folder
# of links of their own, not through /usr/include, whose C library headers
# would hide the target's.
set(quarnel_host_headers ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${quarnel_host_headers})
foreach(pair "CLI11::CLI11=CLI" "nlohmann_json::nlohmann_json=nlohmann")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 target)
  list(GET pair 1 folder)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: scripts/deps.sh installs it")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${quarnel_host_headers}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${quarnel_host_headers})
endforeach()
