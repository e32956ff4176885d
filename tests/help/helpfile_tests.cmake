# The help file kalvora.chm: its popup texts and pages against the program's
# element table and page table, and the compiled file in the system's help
# library (a GUI test: it opens help windows).
kalvora_add_test(NAME test_help_file GUI
  SOURCES test_help_file.cpp
  LIBS kalvora_core)
# Read by the test as files: under Wine the source tree is on drive Z:.
set(help_test_source_dir ${CMAKE_SOURCE_DIR})
if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
  set(help_test_source_dir "Z:${CMAKE_SOURCE_DIR}")
endif()
target_compile_definitions(test_help_file PRIVATE
  KALVORA_HELP_SOURCE_DIR="${help_test_source_dir}/help/content"
  KALVORA_MAIN_PAGES_SOURCE="${help_test_source_dir}/ui/fMainFormPages.cpp")
if(TARGET kalvora_helpfile)
  add_dependencies(test_help_file kalvora_helpfile)
else()
  target_compile_definitions(test_help_file PRIVATE KALVORA_HELP_FILE_BUILT=0)
endif()
