# Run with cmake -P: installs the support package from BUILD_DIR into a
# scratch prefix under WORK_DIR, builds the program in DEMO_DIR against that
# prefix only, runs it and checks the log it writes.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --component support --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${DEMO_DIR} -B ${WORK_DIR}/demo -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/demo)
run(${WORK_DIR}/demo/log_demo ${WORK_DIR}/demo.log)

# file(READ) drops the CR characters, so the CR LF line ends are checked by
# size: the file must be one byte longer per line than the text read back.
file(READ ${WORK_DIR}/demo.log log)
file(SIZE ${WORK_DIR}/demo.log size)
string(LENGTH "${log}" length)
string(REGEX MATCHALL "\n" line_ends "${log}")
list(LENGTH line_ends lines)
math(EXPR expected "${length} + ${lines}")
if(NOT size EQUAL expected)
  message(FATAL_ERROR "not every line of the log ends with CR LF:\n${log}")
endif()
set(time "[0-9][0-9]:[0-9][0-9]:[0-9][0-9] [0-9][0-9]/[A-Z][a-z][a-z]/[0-9][0-9][0-9][0-9]")
if(NOT log MATCHES "^Log file started at ${time}\n=+\n\n${time}:\nHello"
   OR NOT log MATCHES "\nLog file closed at ${time}\nLog file run time: 0 days 00:00:0[0-9]\n$")
  message(FATAL_ERROR "unexpected log:\n${log}")
endif()
