# The installed library and what cmake --install puts beside it: the programs, the public
# headers under include/zorf/ in the folder layout of src/, the CMake package zorf::zorf (also
# usable from the build folder), zorf.pc.
include(CMakePackageConfigHelpers)
find_package(Threads REQUIRED)

# The library users link: static by default, shared with BUILD_SHARED_LIBS=ON, made of the
# modules' objects (compiled once, with hidden symbols). The project's compiler settings stay
# its own: users get the include folders and the thread library only.
get_property(zorf_modules GLOBAL PROPERTY ZORF_MODULES)
set(zorf_objects)
foreach(module IN LISTS zorf_modules)
  list(APPEND zorf_objects $<TARGET_OBJECTS:${module}>)
endforeach()
add_library(zorf ${zorf_objects})
add_library(zorf::zorf ALIAS zorf)
set_target_properties(zorf PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
                                      LINKER_LANGUAGE CXX)
target_link_libraries(zorf PUBLIC Threads::Threads)
target_link_options(zorf PRIVATE $<TARGET_PROPERTY:zorf_options,INTERFACE_LINK_OPTIONS>)

# The public headers. A user includes the entry headers below; they are installed with every
# header they include, followed from include to include, and no other header is. The headers
# of ZORF_PRIVATE_HEADERS are the library's inside (the propagation kernels and their weight
# layouts, the file formats' readers and writers behind LoadNetwork/SaveNetwork and Filer, the
# batch recall's parts): the configure fails if an entry header reaches one, and the install
# test compiles each installed header on its own.
set(ZORF_ENTRY_HEADERS
  KQmessage/TException.h KQmessage/FileToolsError.h KQmessage/NumberText.h KQmessage/TRefusal.h
  DataObject/Data.h
  Zorf/TZorf.h Zorf/TZorfOutputLayer.h Zorf/TConditionLayer.h Zorf/TNonFiniteInput.h
  Zorf/MakeZorf.h Zorf/RecallBatch.h Zorf/TZorfExplanation.h Zorf/TZorfRules.h
  FileHandler/NetworkFile/NetworkFile.h FileHandler/NetworkFile/NetworkFileWriter.h
  FileHandler/NetworkFile/NetworkSoundness.h FileHandler/DataSetFile/Filer.h
  FileHandler/TrainingLog/TrainingLog.h
  Recall/RecallZorf.h Make/MakeZorfProgram.h
  Train/Trainer.h Train/TrainZorf.h
  Plot/PlotZorf.h Plot/MembershipPlot.h Plot/RulePlot.h Plot/SurfacePlot.h Plot/TrainingPlot.h)
set(ZORF_PRIVATE_HEADERS
  NeuralNets/Kernels/*.h NeuralNets/TGridConnections.h
  FileHandler/NetworkFile/ConnectionLayerFile.h FileHandler/NetworkFile/SaveZorf.h
  FileHandler/NetworkFile/TIterateObjSaveWeights.h FileHandler/NetworkFile/TIterateObjCount.h
  FileHandler/DataSetFile/ReadAheadRows.h
  Zorf/TZorfBatch.h Zorf/TRecallEngine.h Recall/RecallRowByRow.h)

set(zorf_src ${PROJECT_SOURCE_DIR}/src)
set(ZORF_PUBLIC_HEADERS)
set(pending ${ZORF_ENTRY_HEADERS})
while(pending)
  list(POP_FRONT pending header)
  if(header IN_LIST ZORF_PUBLIC_HEADERS)
    continue()
  endif()
  if(NOT EXISTS ${zorf_src}/${header})
    message(FATAL_ERROR "Public header ${header} is not below src/")
  endif()
  list(APPEND ZORF_PUBLIC_HEADERS ${header})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zorf_src}/${header})
  file(STRINGS ${zorf_src}/${header} includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    list(APPEND pending ${included})
  endforeach()
endwhile()
file(GLOB_RECURSE zorf_private RELATIVE ${zorf_src} CONFIGURE_DEPENDS ${zorf_src}/*.h)
set(zorf_private_headers)
foreach(header IN LISTS zorf_private)
  foreach(pattern IN LISTS ZORF_PRIVATE_HEADERS)
    string(REPLACE "*" "[^/]*" regex "^${pattern}$")
    if(header MATCHES "${regex}")
      list(APPEND zorf_private_headers ${header})
      if(header IN_LIST ZORF_PUBLIC_HEADERS)
        message(FATAL_ERROR "A public header includes the private header ${header}")
      endif()
    endif()
  endforeach()
endforeach()
foreach(header IN LISTS ZORF_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES src/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zorf/${folder})
endforeach()
install(FILES ${ZORF_GENERATED_INCLUDE_DIR}/zorf/Version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zorf)
# For the install check: what may and what must not be installed.
list(JOIN ZORF_PUBLIC_HEADERS "\n" lines)
file(WRITE ${PROJECT_BINARY_DIR}/zorf-public-headers.txt "${lines}\nVersion.h\n")
# The programs, one a line, for the install check: a new program is one line in src/.
list(JOIN ZORF_PROGRAMS "\n" lines)
file(WRITE ${PROJECT_BINARY_DIR}/zorf-programs.txt "${lines}\n")
list(JOIN zorf_private_headers "\n" lines)
file(WRITE ${PROJECT_BINARY_DIR}/zorf-private-headers.txt "${lines}\n")

# From the build folder, <zorf/Zorf/TZorf.h> reaches src/ through links of a folder of their
# own (the project's sources never see it, so the modules' layering holds).
set(zorf_tree_include ${PROJECT_BINARY_DIR}/include-tree)
file(REMOVE_RECURSE ${zorf_tree_include})
file(MAKE_DIRECTORY ${zorf_tree_include}/zorf)
foreach(module IN LISTS zorf_modules)
  string(REGEX REPLACE "/.*" "" top ${module})
  if(NOT EXISTS ${zorf_tree_include}/zorf/${top})
    file(CREATE_LINK ${zorf_src}/${top} ${zorf_tree_include}/zorf/${top} SYMBOLIC)
  endif()
endforeach()
file(CREATE_LINK ${ZORF_GENERATED_INCLUDE_DIR}/zorf/Version.h ${zorf_tree_include}/zorf/Version.h
     SYMBOLIC)
target_include_directories(zorf PUBLIC
  $<BUILD_INTERFACE:${zorf_tree_include}>
  $<BUILD_INTERFACE:${zorf_src}>
  # <zorf/Zorf/TZorf.h> for users; the headers include each other as "Zorf/TZorf.h".
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/zorf>)

set(ZORF_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zorf)
install(TARGETS zorf EXPORT zorfTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS ${ZORF_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT zorfTargets NAMESPACE zorf:: DESTINATION ${ZORF_CMAKE_DIR})
export(EXPORT zorfTargets NAMESPACE zorf:: FILE ${PROJECT_BINARY_DIR}/zorfTargets.cmake)
configure_file(cmake/zorfConfig.cmake.in ${PROJECT_BINARY_DIR}/zorfConfig.cmake @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zorfConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zorfConfig.cmake ${PROJECT_BINARY_DIR}/zorfConfigVersion.cmake
        DESTINATION ${ZORF_CMAKE_DIR})

# zorf.pc finds its prefix from where it lies, so the package may be installed anywhere.
set(zorf_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH ZORF_PC_TO_PREFIX /${zorf_pc_dir} /)
string(REGEX REPLACE "/$" "" ZORF_PC_TO_PREFIX "${ZORF_PC_TO_PREFIX}")
configure_file(cmake/zorf.pc.in ${PROJECT_BINARY_DIR}/zorf.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zorf.pc DESTINATION ${zorf_pc_dir})
