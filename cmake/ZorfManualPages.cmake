# Manual pages, written by help2man from each program's --help and --version, installed under
# share/man/man1.
find_program(ZORF_HELP2MAN help2man)
if(ZORF_HELP2MAN)
  set(zorf_pages)
  foreach(program ${ZORF_PROGRAMS})
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    get_target_property(summary ${program} ZORF_SUMMARY)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${ZORF_HELP2MAN} --no-info --no-discard-stderr --name=${summary} --output=${page}
              $<TARGET_FILE:${program}>
      DEPENDS ${program}
      VERBATIM)
    list(APPEND zorf_pages ${page})
  endforeach()
  add_custom_target(zorf_manual_pages ALL DEPENDS ${zorf_pages})
  install(FILES ${zorf_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: no manual pages (apt-get install help2man)")
endif()
