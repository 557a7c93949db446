# Bad usage, a missing input and an unwritable output each fail with a message on stderr,
# and leave no output file behind when the input could not be read.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/plain.txt "hello")

include(${CMAKE_CURRENT_LIST_DIR}/ToolFailure.cmake)

expect_failure("no arguments" "usage: scramble enc\\|dec IN OUT" ${SCRAMBLE})
expect_failure("unknown mode" "usage:" ${SCRAMBLE} swap ${WORK_DIR}/plain.txt ${WORK_DIR}/out.bin)
expect_failure("missing output" "usage:" ${SCRAMBLE} enc ${WORK_DIR}/plain.txt)
expect_failure("missing input" "cannot read '.*absent.txt'"
  ${SCRAMBLE} enc ${WORK_DIR}/absent.txt ${WORK_DIR}/out.bin)
if(EXISTS ${WORK_DIR}/out.bin)
  message(FATAL_ERROR "an output file was written although the input could not be read")
endif()
expect_failure("unwritable output" "cannot write '.*no-such-dir/out.bin'"
  ${SCRAMBLE} dec ${WORK_DIR}/plain.txt ${WORK_DIR}/no-such-dir/out.bin)
expect_failure("directory as input" "cannot read '.*': Is a directory"
  ${SCRAMBLE} enc ${WORK_DIR} ${WORK_DIR}/out.bin)
