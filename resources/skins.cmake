# Copies the skins beside the programs (kalvora.exe loads default.skn from its
# own folder; dark.skn is the second skin "Switch skin" can choose). Included from skin/CMakeLists.txt.
set(KALVORA_SKIN_FILES ${CMAKE_SOURCE_DIR}/resources/default.skn ${CMAKE_SOURCE_DIR}/resources/dark.skn)
set(KALVORA_SKIN_OUTPUTS)
foreach(file ${KALVORA_SKIN_FILES})
  get_filename_component(name ${file} NAME)
  set(out ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${out}
    DEPENDS ${file}
    COMMENT "Copying ${name} beside the programs")
  list(APPEND KALVORA_SKIN_OUTPUTS ${out})
endforeach()
add_custom_target(kalvora_skins ALL DEPENDS ${KALVORA_SKIN_OUTPUTS})
add_dependencies(kalvora_skin kalvora_skins)
