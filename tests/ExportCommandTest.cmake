# q4t-programmer --export: a sheet written without a display, exit status 0;
# a table that cannot be read, an unknown file type or a wrong size: status 2,
# one line on stderr and no file.
set(work ${WORK_DIR})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(WRITE ${work}/garbage.q4t "not a key table\n")
file(READ ${SOURCE_DIR}/DefTable.q4t table)
string(REPLACE "[3]\nVALUE=4\n" "[3]\nVALUE=4\nLABEL=Crème brûlée\n" table "${table}")
file(WRITE ${work}/labels.q4t "${table}")
set(ENV{DISPLAY} "")
set(ENV{WAYLAND_DISPLAY} "")

foreach(out layout.pdf layout.svg layout.png)
  foreach(sheet "" "--legends;--cap-mm;12.5;--gap-mm;4")
    execute_process(COMMAND ${PROGRAM} --export ${work}/${out} ${sheet} ${work}/labels.q4t
      RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 60)
    if(NOT status EQUAL 0 OR NOT EXISTS ${work}/${out})
      message(FATAL_ERROR "--export ${out} ${sheet}: status ${status}\n${err}")
    endif()
    file(SIZE ${work}/${out} size)
    if(size LESS 1000)
      message(FATAL_ERROR "--export ${out} ${sheet}: ${size} bytes")
    endif()
    file(REMOVE ${work}/${out})
  endforeach()
endforeach()

foreach(args "--export;${work}/out.pdf;/no/such/table.q4t" "--export;${work}/out.pdf;${work}/garbage.q4t"
        "--export;${work}/out.pdf;${work}" "--export;${work}/out.doc;${work}/labels.q4t"
        "--export;${work}/out;${work}/labels.q4t" "--export;${work}/out.pdf"
        "--export;${work}/out.pdf;--legends;--cap-mm;0;${work}/labels.q4t"
        "--export;${work}/out.pdf;--gap-mm;x;${work}/labels.q4t" "--legends;${work}/labels.q4t"
        "--export;${work}/out.pdf;${work}/labels.q4t;${work}/labels.q4t")
  execute_process(COMMAND ${PROGRAM} ${args} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
    TIMEOUT 30)
  string(REGEX MATCHALL "\n" newlines "${err}")
  list(LENGTH newlines lines)
  file(GLOB written ${work}/out*)
  if(NOT status EQUAL 2 OR NOT lines EQUAL 1 OR NOT out STREQUAL "" OR written)
    message(FATAL_ERROR "q4t-programmer ${args}: status ${status}, stderr '${err}', files '${written}'")
  endif()
endforeach()
