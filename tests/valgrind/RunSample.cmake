# Runs the built sample game under memcheck, from a copy in WORK_DIR (a 160 by 120 window,
# a fresh home), in demo mode, and fails unless memcheck finds no error, the game exits with
# status 0, and it reached its end screen (which writes the play-data report). memcheck's
# whole report is kept in WORK_DIR/memcheck.txt.
#
#   cmake -DVALGRIND=... -DSAMPLE_TREE=<build tree> -DSUPPRESSIONS=... -DWORK_DIR=... -P RunSample.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/bin ${WORK_DIR}/home/Documents)
file(COPY ${SAMPLE_TREE}/resources DESTINATION ${WORK_DIR})
file(COPY ${SAMPLE_TREE}/bin/Executable ${SAMPLE_TREE}/bin/component.config DESTINATION ${WORK_DIR}/bin)
file(READ ${SAMPLE_TREE}/bin/config.ini config)
string(REGEX REPLACE "<resolution[^>]*>" "<resolution x=\"160\" y=\"120\"/>" config "${config}")
file(WRITE ${WORK_DIR}/bin/config.ini "${config}")

# Children forked by the game (the Documents folder is asked of xdg-user-dir) are not the
# game: their own leaks are not reported.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_DOCUMENTS_DIR --unset=DEMO_EXIT_AFTER
    HOME=${WORK_DIR}/home XDG_CONFIG_HOME=${WORK_DIR}/home/.config DEMO_AUTOPLAY=1
    SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true
    ${VALGRIND} --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite
      --child-silent-after-fork=yes --fair-sched=yes --suppressions=${SUPPRESSIONS}
      ./Executable
  WORKING_DIRECTORY ${WORK_DIR}/bin
  RESULT_VARIABLE status
  OUTPUT_QUIET
  ERROR_VARIABLE report)
file(WRITE ${WORK_DIR}/memcheck.txt "${report}")

string(FIND "${report}" "ERROR SUMMARY: 0 errors" clean)
if(clean EQUAL -1 OR NOT status EQUAL 0)
  message(FATAL_ERROR "memcheck: exit status ${status}\n${report}")
endif()
if(NOT EXISTS ${WORK_DIR}/bin/report.oad)
  message(FATAL_ERROR "the game never reached its end screen: no report.oad\n${report}")
endif()
message(STATUS "memcheck: no errors; the game reached its end")
