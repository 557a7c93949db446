# Bad usage, a missing input and an unwritable output each fail with a message on stderr,
# and leave no output file behind when the input could not be read.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/plain.txt "hello")

function(expect_failure what pattern)
  execute_process(COMMAND ${SCRAMBLE} ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
  if(status EQUAL 0)
    message(FATAL_ERROR "${what}: scramble exited with 0")
  endif()
  if(NOT err MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: stderr was '${err}', expected to match '${pattern}'")
  endif()
endfunction()

expect_failure("no arguments" "usage: scramble enc\\|dec IN OUT")
expect_failure("unknown mode" "usage:" swap ${WORK_DIR}/plain.txt ${WORK_DIR}/out.bin)
expect_failure("missing output" "usage:" enc ${WORK_DIR}/plain.txt)
expect_failure("missing input" "cannot read '.*absent.txt'"
  enc ${WORK_DIR}/absent.txt ${WORK_DIR}/out.bin)
if(EXISTS ${WORK_DIR}/out.bin)
  message(FATAL_ERROR "an output file was written although the input could not be read")
endif()
expect_failure("unwritable output" "cannot write '.*no-such-dir/out.bin'"
  dec ${WORK_DIR}/plain.txt ${WORK_DIR}/no-such-dir/out.bin)
expect_failure("directory as input" "cannot read '.*': Is a directory" enc ${WORK_DIR} ${WORK_DIR}/out.bin)
