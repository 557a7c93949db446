# The reference check refuses a registered name without a meaning, a meaning for a name that
# is not registered, and a reference that is not what the engine registers, each named on
# stderr.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(READ ${MEANINGS} meanings)
file(READ ${REFERENCE} reference)

include(${CMAKE_CURRENT_LIST_DIR}/ToolFailure.cmake)

# Checks a meanings file and a reference of the given texts.
function(expect_refusal what pattern meanings_text reference_text)
  file(WRITE ${WORK_DIR}/meanings.txt "${meanings_text}")
  file(WRITE ${WORK_DIR}/scripting.md "${reference_text}")
  expect_failure("${what}" "${pattern}" ${TOOL} --check ${WORK_DIR}/meanings.txt ${WORK_DIR}/scripting.md)
endfunction()

string(REGEX REPLACE "\nCore\\.Engine\\.exit [^\n]*" "" unmeant "${meanings}")
expect_refusal("a name without a meaning" "no meaning for Core\\.Engine\\.exit" "${unmeant}" "${reference}")
expect_refusal("a meaning for no name" "a meaning for Core\\.Engine\\.quit, which is not registered"
  "${meanings}\nCore.Engine.quit  Ends the game.\n" "${reference}")
string(REPLACE "Ends the game after the current frame." "Ends the game." stale "${reference}")
expect_refusal("a stale reference" "is not what the engine registers \\(from line [0-9]+\\)" "${meanings}" "${stale}")
