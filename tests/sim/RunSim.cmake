# Runs dinotuner-sim once and checks its exit status and output, for the cases a scenario
# cannot express (bad command lines, a missing plugin, errors that must fail the run).
#   -DSIM=<executable> -DARGS=<arguments separated by |> -DEXPECT_EXIT=<status>
#   [-DINPUT=<text for standard input, \n for line ends>] [-DEXPECT_OUTPUT=<regex>]
#   [-DREJECT_OUTPUT=<regex>] [-DEXPECT_ERROR_LINES=<number of lines starting "error: ">]
#   [-DLAST_LINE=<the last line of standard output>]
#   [-DSCRATCH=<directory for the input file>]

string(REPLACE "|" ";" arguments "${ARGS}")
set(input_file "")
if(DEFINED INPUT)
  string(REPLACE "\\n" "\n" input_text "${INPUT}")
  file(MAKE_DIRECTORY "${SCRATCH}")
  set(input_file "${SCRATCH}/input.txt")
  file(WRITE "${input_file}" "${input_text}")
else()
  set(input_file "/dev/null")
endif()

execute_process(COMMAND "${SIM}" ${arguments}
  INPUT_FILE "${input_file}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  TIMEOUT 60)
set(everything "${output}${errors}")
message(STATUS "exit status: ${status}\n--- standard output ---\n${output}--- standard error ---\n${errors}")

if(NOT "${status}" STREQUAL "${EXPECT_EXIT}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT_EXIT}")
endif()
if(DEFINED EXPECT_OUTPUT AND NOT everything MATCHES "${EXPECT_OUTPUT}")
  message(FATAL_ERROR "output does not match: ${EXPECT_OUTPUT}")
endif()
if(DEFINED REJECT_OUTPUT AND everything MATCHES "${REJECT_OUTPUT}")
  message(FATAL_ERROR "output must not match: ${REJECT_OUTPUT}")
endif()
if(DEFINED EXPECT_ERROR_LINES)
  string(REGEX MATCHALL "(^|\n)error: " error_lines "${everything}")
  list(LENGTH error_lines error_count)
  if(NOT error_count EQUAL EXPECT_ERROR_LINES)
    message(FATAL_ERROR "${error_count} error lines, expected ${EXPECT_ERROR_LINES}")
  endif()
endif()
if(DEFINED LAST_LINE)
  string(REGEX REPLACE "\n$" "" trimmed "${output}")
  string(REGEX REPLACE "^.*\n" "" last "${trimmed}")
  if(NOT last STREQUAL LAST_LINE)
    message(FATAL_ERROR "last line '${last}', expected '${LAST_LINE}'")
  endif()
endif()
