# q4t show and the command line's refusals: exit status 0 and the table for a
# key table, 2 with one line on stderr for anything else, never blocking.
set(work ${WORK_DIR})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/folder)
file(WRITE ${work}/garbage.q4t "not a key table\n")
file(WRITE ${work}/wide.q4t "[17]\nVALUE=-2147483648\n[3]\nVALUE=12345\nCOUNTER=7\n")
# key 4 hidden under key 3: its label is not listed
file(WRITE ${work}/labels.q4t
  "[3]\nVALUE=4\nRIGHT=4\nSIZE=2\nLABEL=Crème brûlée\n[4]\nVALUE=4\nSIZE=0\nLABEL=Hidden\n[70]\nVALUE=12\nLABEL=Kaffee\n")
file(WRITE ${work}/cut.q4t "[0]\nVALUE=1\n[1]\nVALUE=2\nRIGH")
file(WRITE ${work}/empty.q4t "")
execute_process(COMMAND mkfifo ${work}/fifo.q4t)
# tables the keyboard cannot hold: a download is refused before the port is taken
file(READ ${SOURCE_DIR}/DefTable.q4t table)
string(REPLACE "[3]\nVALUE=4\n" "[3]\nVALUE=300\n" value300 "${table}")
file(WRITE ${work}/value300.q4t "${value300}")
string(REGEX REPLACE "(\\[17\\]\n[^[]*SIZE=)1" "\\117" size17 "${table}")
file(WRITE ${work}/size17.q4t "${size17}")

function(expect_show file pattern)
  execute_process(COMMAND ${Q4T} show ${file} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT out MATCHES "${pattern}" OR NOT err STREQUAL "")
    message(FATAL_ERROR "show ${file}: status ${status}\n${out}\n${err}")
  endif()
endfunction()
expect_show(${SOURCE_DIR}/DefTable.q4t "\\|  92 \\|")
# every value drawn in full: cells as wide as the widest value
expect_show(${work}/wide.q4t "\\|      12345\\*\\|[^\n]*\\|-2147483648 \\|")
# labels listed under the table when there are any, never otherwise
expect_show(${work}/labels.q4t "\nkey  value  label\n  3      4  Crème brûlée\n 70     12  Kaffee\n$")
execute_process(COMMAND ${Q4T} show ${SOURCE_DIR}/DefTable.q4t OUTPUT_VARIABLE out)
if(out MATCHES "label")
  message(FATAL_ERROR "show DefTable.q4t lists labels:\n${out}")
endif()

set(port "--port;${work}/no-port")
foreach(args "show;/no/such/file.q4t" "show" "show;a;b" "show;${SOURCE_DIR}/DefTable.q4t;extra" "frobnicate"
        "show;${work}/folder" "show;/dev/null" "show;${work}/garbage.q4t" "show;${work}/fifo.q4t"
        "download;${port};${work}/fifo.q4t" "download;${port};${work}/folder"
        "upload;${port};${work}/fifo.q4t" "upload;${port};--base;/no/such/base.q4t;${work}/out.q4t"
        "upload;${port};--base;${SOURCE_DIR}/DefTable.q4t;${work}/fifo.q4t"
        "upload;${port};--base;${SOURCE_DIR}/DefTable.q4t;${work}/folder"
        "upload;${port};--base;${SOURCE_DIR}/DefTable.q4t;${work}/garbage.q4t" "show;${work}/cut.q4t"
        "download;${port};${work}/value300.q4t" "download;${port};${work}/size17.q4t"
        "connect;${port};--timeout;0" "connect;${port};--timeout;1.9" "connect;${port};--timeout;1x"
        "connect;${port};--timeout;99999999999")
  execute_process(COMMAND ${Q4T} ${args} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
    TIMEOUT 10)
  string(REGEX MATCHALL "\n" newlines "${err}")
  list(LENGTH newlines lines)
  if(NOT status EQUAL 2 OR NOT out STREQUAL "" OR NOT lines EQUAL 1 OR err MATCHES "ERROR: ")
    message(FATAL_ERROR "q4t ${args}: status ${status}, stderr '${err}'")
  endif()
endforeach()

# a file that is no key table is left as it was; an empty one may take the table
file(READ ${work}/garbage.q4t note)
if(NOT note STREQUAL "not a key table\n")
  message(FATAL_ERROR "upload wrote over a file that is no key table: ${note}")
endif()
execute_process(COMMAND ${Q4T} upload --port ${work}/no-port --timeout 2 ${work}/empty.q4t
  RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 10)
if(NOT status EQUAL 1 OR NOT err MATCHES "no-port: No such file")
  message(FATAL_ERROR "upload into an empty file: status ${status}, stderr '${err}'")
endif()

# a device name is looked for in /dev, a relative path in the current directory
foreach(name_device "ttyNoSuch;/dev/ttyNoSuch" "./no-port;${work}/no-port")
  list(GET name_device 0 name)
  list(GET name_device 1 device)
  execute_process(COMMAND ${Q4T} connect --port ${name} --timeout 2 WORKING_DIRECTORY ${work}
    RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 10)
  if(NOT status EQUAL 1 OR NOT err MATCHES "${device}: No such file")
    message(FATAL_ERROR "connect --port ${name}: status ${status}, stderr '${err}'")
  endif()
endforeach()

foreach(file_key "value300;key 3: VALUE=300 " "size17;key 17: SIZE=17 ")
  list(GET file_key 0 file)
  list(GET file_key 1 key)
  execute_process(COMMAND ${Q4T} download --port ${work}/no-port ${work}/${file}.q4t ERROR_VARIABLE err TIMEOUT 10)
  if(NOT err MATCHES "${key}")
    message(FATAL_ERROR "download ${file}: the refusal does not name '${key}': ${err}")
  endif()
endforeach()
