# The warning flags of every build of the project: the product, its tests and benchmarks
# (through zorf_options) and the clang fuzz build (fuzz/CMakeLists.txt).
set(ZORF_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
# g++ 12 reports false -Wrestrict positives inside libstdc++'s string concatenation at -O3.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND ZORF_WARNING_FLAGS -Wno-restrict)
endif()
