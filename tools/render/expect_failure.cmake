# Runs a command that must fail: non-zero exit and an error text matching EXPECT.
# cmake "-DCOMMAND=prog|arg|arg" "-DEXPECT=regex" -P expect_failure.cmake
string(REPLACE "|" ";" _command "${COMMAND}")
execute_process(COMMAND ${_command} RESULT_VARIABLE _result OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
if(_result EQUAL 0)
  message(FATAL_ERROR "the command succeeded but should have failed:\n${_out}${_err}")
endif()
if(NOT _err MATCHES "${EXPECT}")
  message(FATAL_ERROR "exit ${_result}, but the error text does not match \"${EXPECT}\":\n${_err}")
endif()
message(STATUS "failed as expected (exit ${_result}): ${_err}")
