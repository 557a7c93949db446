# orva_scramble_resources(<target>
#   SOURCE_DIR <dir>            readable sources, kept in the repository
#   DESTINATION <dir>           the resource folder in the build tree
#   [SCRAMBLED <relative>...]   stored scrambled, as the engine reads them (states, scripts,
#                               shader sources): tools/scramble enc IN OUT
#   [PLAIN <relative>...])      copied as they are (set files, images, sounds)
#
# Makes <target>, built with ALL, whose outputs are DESTINATION/<relative> for every listed
# file, remade when its source or the scrambler changes. Only readable sources are committed.
function(orva_scramble_resources target)
  cmake_parse_arguments(ARG "" "SOURCE_DIR;DESTINATION" "SCRAMBLED;PLAIN" ${ARGN})
  if(NOT ARG_SOURCE_DIR OR NOT ARG_DESTINATION)
    message(FATAL_ERROR "orva_scramble_resources(${target}): SOURCE_DIR and DESTINATION are required")
  endif()
  set(outputs)
  foreach(kind SCRAMBLED PLAIN)
    foreach(relative ${ARG_${kind}})
      set(input ${ARG_SOURCE_DIR}/${relative})
      set(output ${ARG_DESTINATION}/${relative})
      get_filename_component(output_dir ${output} DIRECTORY)
      if(kind STREQUAL "SCRAMBLED")
        set(store $<TARGET_FILE:scramble> enc ${input} ${output})
        set(tool scramble)
      else()
        set(store ${CMAKE_COMMAND} -E copy ${input} ${output})
        set(tool)
      endif()
      add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
        COMMAND ${store}
        DEPENDS ${input} ${tool}
        COMMENT "Storing ${relative}"
        VERBATIM)
      list(APPEND outputs ${output})
    endforeach()
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()
