# The help file kalvora.chm, compiled from this folder with chmcmd (Free
# Pascal's CHM compiler) and put beside kalvora.exe, where the program looks
# for it.
#
# The pages are the [FILES] section of the project: a file is added to the
# help file by listing it there, and the build follows that list.
set(KALVORA_HELP_CONTENT_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KALVORA_HELP_PROJECT ${KALVORA_HELP_CONTENT_DIR}/kalvora.hhp)
set(KALVORA_HELP_FILE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/kalvora.chm)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KALVORA_HELP_PROJECT})

file(STRINGS ${KALVORA_HELP_PROJECT} help_project_lines)
set(help_sources ${KALVORA_HELP_PROJECT}
  ${KALVORA_HELP_CONTENT_DIR}/kalvora.hhc
  ${KALVORA_HELP_CONTENT_DIR}/kalvora.hhk)
set(help_in_files FALSE)
foreach(line IN LISTS help_project_lines)
  string(STRIP "${line}" line)
  if(line MATCHES "^\\[.*\\]$")
    if(line STREQUAL "[FILES]")
      set(help_in_files TRUE)
    else()
      set(help_in_files FALSE)
    endif()
  elseif(help_in_files AND NOT line STREQUAL "")
    list(APPEND help_sources ${KALVORA_HELP_CONTENT_DIR}/${line})
  endif()
endforeach()

find_program(KALVORA_CHMCMD chmcmd)
if(KALVORA_CHMCMD)
  # chmcmd writes beside the project, so it compiles a copy in the build tree.
  set(help_work_dir ${CMAKE_CURRENT_BINARY_DIR}/helpfile)
  add_custom_command(
    OUTPUT ${KALVORA_HELP_FILE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${help_work_dir}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${help_work_dir} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    COMMAND ${CMAKE_COMMAND} -E copy ${help_sources} ${help_work_dir}
    COMMAND ${CMAKE_COMMAND} -E chdir ${help_work_dir} ${KALVORA_CHMCMD} --no-html-scan kalvora.hhp
    COMMAND ${CMAKE_COMMAND} -E copy ${help_work_dir}/kalvora.chm ${KALVORA_HELP_FILE}
    DEPENDS ${help_sources}
    COMMENT "Compiling the help file kalvora.chm"
    VERBATIM)
  add_custom_target(kalvora_helpfile ALL DEPENDS ${KALVORA_HELP_FILE})

  # The program is added after this folder: it gets the help file once the
  # whole project is read.
  function(kalvora_helpfile_beside_program)
    if(TARGET kalvora)
      add_dependencies(kalvora kalvora_helpfile)
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL kalvora_helpfile_beside_program)
else()
  message(WARNING "chmcmd not found (Debian package fp-utils): kalvora.chm is not built")
endif()
