# Writes <dir>/zorf/Version.h for the version "major.minor.patch" given. The product's build
# passes its project version; the fuzz build, a project of its own, reads it from there.
function(zorf_write_version_header dir version)
  string(REPLACE "." ";" parts "${version}")
  list(GET parts 0 ZORF_VERSION_MAJOR)
  list(GET parts 1 ZORF_VERSION_MINOR)
  list(GET parts 2 ZORF_VERSION_PATCH)
  set(ZORF_VERSION "${version}")
  configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Version.h.in" "${dir}/zorf/Version.h" @ONLY)
endfunction()

# The version that the top CMakeLists.txt gives its project.
function(zorf_read_project_version root out)
  file(STRINGS "${root}/CMakeLists.txt" line REGEX "^project\\(RecallZorf VERSION ")
  string(REGEX MATCH "VERSION ([0-9]+\\.[0-9]+\\.[0-9]+)" found "${line}")
  if(NOT found)
    message(FATAL_ERROR "No project version in ${root}/CMakeLists.txt")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
