# Sources are collected per folder so that adding a file never needs an edit here.
function(quenlark_sources out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      "${PROJECT_SOURCE_DIR}/${dir}/*.cpp" "${PROJECT_SOURCE_DIR}/${dir}/*.h")
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# AUTOMOC under Ninja reruns only when a file it has already scanned changes, so a new header
# or source alone would leave its class without meta-object code. When a target's file list
# changes (the globs above re-run at build time), its AUTOMOC stamp is removed so it runs again.
function(quenlark_autogen_follows target)
  get_target_property(files ${target} SOURCES)
  list(SORT files)
  string(JOIN "\n" content ${files})
  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}_autogen_sources.txt")
  set(previous "")
  if(EXISTS "${list_file}")
    file(READ "${list_file}" previous)
  endif()
  if(NOT previous STREQUAL content)
    file(WRITE "${list_file}" "${content}")
    file(REMOVE "${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp")
  endif()
endfunction()
