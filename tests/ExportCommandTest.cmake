# q4t-programmer --export: a sheet written without a display, exit status 0,
# with one line on stderr for each legend that does not fit its insert;
# a table that cannot be read, an unknown file type, a wrong size or an
# option without what it needs: status 2, one line on stderr and no file;
# a target that is no regular file: status 1, the target as it was.
set(work ${WORK_DIR})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(WRITE ${work}/garbage.q4t "not a key table\n")
file(READ ${SOURCE_DIR}/DefTable.q4t table)
string(REPLACE "[3]\nVALUE=4\n" "[3]\nVALUE=4\nLABEL=Crème brûlée\n" table "${table}")
file(WRITE ${work}/labels.q4t "${table}")
string(REPLACE "[4]\nVALUE=5\n" "[4]\nVALUE=5\nLABEL=Fish & Chips <b>\n" fish "${table}")
file(WRITE "${work}/Fish & Chips <1>.q4t" "${fish}")
string(REPLACE "[5]\nVALUE=6\n" "[5]\nVALUE=6\nLABEL=Donaudampfschifffahrtsgesellschaft\n" table "${table}")
file(WRITE ${work}/long.q4t "${table}")
set(ENV{DISPLAY} "")
set(ENV{WAYLAND_DISPLAY} "")
# The window tests read every SVG they export as XML; here xmllint does where installed.
find_program(XMLLINT xmllint)

# The program's own lines on stderr (Qt may add warnings of its own).
function(own_lines err result)
  string(REGEX MATCHALL "q4t-programmer: [^\n]*" lines "${err}")
  set(${result} "${lines}" PARENT_SCOPE)
endfunction()

foreach(out layout.pdf layout.svg layout.png)
  foreach(sheet "" "--legends;--cap-mm;12.5;--gap-mm;4")
    execute_process(COMMAND ${PROGRAM} --export ${work}/${out} ${sheet} "${work}/Fish & Chips <1>.q4t"
      RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 60)
    if(NOT status EQUAL 0 OR NOT EXISTS ${work}/${out})
      message(FATAL_ERROR "--export ${out} ${sheet}: status ${status}\n${err}")
    endif()
    file(SIZE ${work}/${out} size)
    if(size LESS 1000)
      message(FATAL_ERROR "--export ${out} ${sheet}: ${size} bytes")
    endif()
    if(XMLLINT AND out MATCHES "svg$")
      execute_process(COMMAND ${XMLLINT} --noout ${work}/${out} RESULT_VARIABLE status ERROR_VARIABLE err)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR "--export ${out} ${sheet}: no XML\n${err}")
      endif()
    endif()
    file(REMOVE ${work}/${out})
  endforeach()
endforeach()

# Which sheet, at which sizes, as the SVG shows it: its page turned (the
# layout is landscape, the inserts portrait) and the sizes in the footer.
foreach(case
    "--export=${work}/s.svg|landscape|Printed"
    "--legends --export=${work}/s.svg|portrait|key 14 mm, gap 5 mm"
    "--export ${work}/s.svg --legends --cap-mm 5 --gap-mm 0|portrait|key 5 mm, gap 0 mm"
    "--export ${work}/s.svg --legends --cap-mm=60 --gap-mm=30 --as-keyboard --separate-text-sizes|portrait|key 60 mm, gap 30 mm")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 args)
  list(GET case 1 orientation)
  list(GET case 2 shown)
  separate_arguments(args UNIX_COMMAND "${args}")
  execute_process(COMMAND ${PROGRAM} ${args} ${work}/labels.q4t RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 60)
  if(NOT status EQUAL 0 OR NOT EXISTS ${work}/s.svg)
    message(FATAL_ERROR "${args}: status ${status}\n${err}")
  endif()
  file(READ ${work}/s.svg svg)
  string(REGEX MATCH "<svg width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\"" size "${svg}")
  set(seen portrait)
  if(CMAKE_MATCH_1 GREATER CMAKE_MATCH_2)
    set(seen landscape)
  endif()
  string(FIND "${svg}" "${shown}" at)
  if(NOT seen STREQUAL orientation OR at EQUAL -1)
    message(FATAL_ERROR "${args}: a ${seen} page ${size}, '${shown}' at ${at}")
  endif()
  file(REMOVE ${work}/s.svg)
endforeach()

# A legend that does not fit its insert at any size: named, and the file written.
foreach(case "labels.q4t|0" "long.q4t|1")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 input)
  list(GET case 1 expected)
  execute_process(COMMAND ${PROGRAM} --export ${work}/s.pdf --legends ${work}/${input}
    RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 60)
  own_lines("${err}" lines)
  list(LENGTH lines count)
  if(NOT status EQUAL 0 OR NOT count EQUAL expected OR NOT EXISTS ${work}/s.pdf
     OR (count EQUAL 1 AND NOT lines MATCHES "key 5: Donaudampfschifffahrtsgesellschaft$"))
    message(FATAL_ERROR "--legends ${input}: status ${status}, lines '${lines}'")
  endif()
  file(REMOVE ${work}/s.pdf)
endforeach()

foreach(args "--export;${work}/out.pdf;/no/such/table.q4t" "--export;${work}/out.pdf;${work}/garbage.q4t"
        "--export;${work}/out.pdf;${work}" "--export;${work}/out.doc;${work}/labels.q4t"
        "--export;${work}/out;${work}/labels.q4t" "--export;${work}/out.pdf"
        "--export;${work}/out.pdf;--legends;--cap-mm;0;${work}/labels.q4t"
        "--export;${work}/out.pdf;--gap-mm;x;${work}/labels.q4t" "--legends;${work}/labels.q4t"
        "--export;${work}/out.pdf;${work}/labels.q4t;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;${work}/labels.q4t;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;--cap-mm;nan;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;--gap-mm;nan;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;--cap-mm;inf;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;--gap-mm;-inf;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;--cap-mm;4.9;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;--cap-mm;60.5;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;--gap-mm;-0.5;${work}/labels.q4t"
        "--export;${work}/out.pdf;--legends;--gap-mm;30.5;${work}/labels.q4t"
        "--export;${work}/out.pdf;--cap-mm;14;${work}/labels.q4t"
        "--export;${work}/out.pdf;--gap-mm;5;${work}/labels.q4t"
        "--export;${work}/out.pdf;--as-keyboard;${work}/labels.q4t"
        "--export;${work}/out.pdf;--separate-text-sizes;${work}/labels.q4t")
  execute_process(COMMAND ${PROGRAM} ${args} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
    TIMEOUT 30)
  string(REGEX MATCHALL "\n" newlines "${err}")
  list(LENGTH newlines lines)
  file(GLOB written ${work}/out*)
  if(NOT status EQUAL 2 OR NOT lines EQUAL 1 OR NOT out STREQUAL "" OR written)
    message(FATAL_ERROR "q4t-programmer ${args}: status ${status}, stderr '${err}', files '${written}'")
  endif()
endforeach()

# A FIFO, directly or through a symbolic link, stays one.
execute_process(COMMAND mkfifo ${work}/fifo.pdf)
file(CREATE_LINK ${work}/fifo.pdf ${work}/link.svg SYMBOLIC)
foreach(target fifo.pdf link.svg)
  execute_process(COMMAND ${PROGRAM} --export ${work}/${target} ${work}/labels.q4t
    RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 30)
  own_lines("${err}" lines)
  execute_process(COMMAND stat -L -c %F ${work}/${target} OUTPUT_VARIABLE type OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 1 OR NOT lines STREQUAL "q4t-programmer: ${work}/${target}: not a regular file"
     OR NOT type STREQUAL "fifo")
    message(FATAL_ERROR "--export ${target}: status ${status}, lines '${lines}', now a ${type}")
  endif()
endforeach()

# The window opens one table: a second one is refused, not ignored.
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND ${PROGRAM} ${work}/labels.q4t ${work}/long.q4t
  RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 30)
own_lines("${err}" lines)
if(NOT status EQUAL 1 OR NOT lines STREQUAL "q4t-programmer: one key table file at most")
  message(FATAL_ERROR "two tables: status ${status}, stderr '${err}'")
endif()
