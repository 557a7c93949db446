# expect_failure(<what> <pattern> <command> [<argument>...]): the command exits with a status
# other than 0 and says on stderr what the pattern matches.
function(expect_failure what pattern)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
  if(status EQUAL 0)
    message(FATAL_ERROR "${what}: ${ARGV2} exited with 0")
  endif()
  if(NOT err MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: stderr was '${err}', expected to match '${pattern}'")
  endif()
endfunction()
