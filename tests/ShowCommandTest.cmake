# q4t show: exit status 0 and the table for a file, 2 with one line on stderr otherwise.
execute_process(COMMAND ${Q4T} show ${SOURCE_DIR}/DefTable.q4t
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "\\|  92 \\|" OR NOT err STREQUAL "")
  message(FATAL_ERROR "show DefTable.q4t: status ${status}\n${out}\n${err}")
endif()
foreach(args "show;/no/such/file.q4t" "show" "show;a;b" "frobnicate")
  execute_process(COMMAND ${Q4T} ${args} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX MATCHALL "\n" newlines "${err}")
  list(LENGTH newlines lines)
  if(NOT status EQUAL 2 OR NOT out STREQUAL "" OR NOT lines EQUAL 1)
    message(FATAL_ERROR "q4t ${args}: status ${status}, stderr '${err}'")
  endif()
endforeach()
