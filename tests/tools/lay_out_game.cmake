# tools/lay-out-game.sh lays the smallest game's sources out as the build does (build/minimal:
# the same program, stored stages and scripts, plain files), and after a change to a script
# lays out the changed script on a second run.
#
#   cmake -DLAY_OUT=... -DSCRAMBLE=... -DBUILD_DIR=... -DSAMPLE=<samples/minimal> -DWORK_DIR=... -P lay_out_game.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/sources)
file(COPY ${SAMPLE}/bin ${SAMPLE}/resources DESTINATION ${WORK_DIR}/sources)

function(lay_out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ORVA_BUILD=${BUILD_DIR}
      ${LAY_OUT} ${WORK_DIR}/sources ${WORK_DIR}/game
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lay-out-game.sh exited with ${status}: ${err}")
  endif()
endfunction()

lay_out()
set(laid_out bin/Executable bin/config.ini resources/main.stg resources/scripts/Hello.lua
    resources/images/hello.png)
foreach(file ${laid_out})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
      ${WORK_DIR}/game/${file} ${BUILD_DIR}/minimal/${file} RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${file} is not what the build lays out in ${BUILD_DIR}/minimal")
  endif()
endforeach()
file(GLOB_RECURSE everything RELATIVE ${WORK_DIR}/game ${WORK_DIR}/game/*)
list(SORT everything)
list(SORT laid_out)
if(NOT everything STREQUAL laid_out)
  message(FATAL_ERROR "the game folder holds ${everything}, expected ${laid_out}")
endif()

file(APPEND ${WORK_DIR}/sources/resources/scripts/Hello.lua "-- changed\n")
lay_out()
execute_process(COMMAND ${SCRAMBLE} dec ${WORK_DIR}/game/resources/scripts/Hello.lua ${WORK_DIR}/back.lua
  RESULT_VARIABLE status)
file(READ ${WORK_DIR}/sources/resources/scripts/Hello.lua changed)
file(READ ${WORK_DIR}/back.lua back)
if(NOT status EQUAL 0 OR NOT back STREQUAL changed)
  message(FATAL_ERROR "the second lay-out did not store the changed script")
endif()
