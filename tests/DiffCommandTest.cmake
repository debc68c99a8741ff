# q4t diff and q4t history: what they print and their exit status; the JSON
# is read back by Python's reader.
set(work ${WORK_DIR})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/folder)
file(WRITE ${work}/garbage.q4t "not a key table\n")
execute_process(COMMAND mkfifo ${work}/fifo.q4t)
file(READ ${SOURCE_DIR}/DefTable.q4t table)
set(a ${SOURCE_DIR}/DefTable.q4t)

# b: key 3 another value, key 12 merged with 13, counter 7 on key 20, labels
string(REPLACE "[3]\nVALUE=4\n" "[3]\nVALUE=40\nLABEL=Crème \"brûlée\"\n" b "${table}")
string(REGEX REPLACE "(\\[12\\]\n[^[]*SIZE=)1" "\\12" b "${b}")
string(REGEX REPLACE "(\\[13\\]\nVALUE=)14([^[]*SIZE=)1" "\\113\\20" b "${b}")
string(REGEX REPLACE "(\\[20\\]\n[^[]*COUNTER=)144" "\\17" b "${b}")
file(WRITE ${work}/b.q4t "${b}")
# a label in Latin-1: the file is no UTF-8, so the reader takes all of it as
# Latin-1 (the UTF-8 bytes of the other label become two characters each)
string(ASCII 233 latin1)
string(REPLACE "[12]\nVALUE=13\n" "[12]\nVALUE=13\nLABEL=Caf${latin1}\n" latin1_label "${b}")
file(WRITE ${work}/latin1.q4t "${latin1_label}")
# a counter only
string(REGEX REPLACE "(\\[20\\]\n[^[]*COUNTER=)144" "\\17" counter "${table}")
file(WRITE ${work}/counter.q4t "${counter}")
# labels only: the keyboard would hold the same
string(REPLACE "[5]\nVALUE=6\n" "[5]\nVALUE=6\nLABEL=Tax\n" labelled "${table}")
file(WRITE ${work}/labelled.q4t "${labelled}")

function(run_q4t expected_status)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${work}/data ${Q4T} ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 10)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "q4t ${ARGN}: status ${status}, not ${expected_status}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(expect_text what text expected)
  if(NOT text STREQUAL expected)
    message(FATAL_ERROR "${what}:\n'${text}'\nexpected\n'${expected}'")
  endif()
endfunction()

run_q4t(0 diff ${a} ${a})
expect_text("diff of a table with itself" "${out}" "Nothing changes on the keyboard\n")
run_q4t(0 diff ${a} ${work}/labelled.q4t)
expect_text("diff of labels only" "${out}" "Nothing changes on the keyboard; 1 label changes

Labels (kept in the files, never sent to the keyboard):
key  old label  new label
  5             Tax
")
run_q4t(1 diff ${a} ${work}/b.q4t)
expect_text("diff" "${out}" "1 key, 1 double key and 1 counter change; 1 label changes

key  old  new  shape                   label
  3    4   40                          Crème \"brûlée\"
 12   13   13  single -> double right

counter  old key  new key  change
      7        -       20  added

Labels (kept in the files, never sent to the keyboard):
key  old label  new label
  3             Crème \"brûlée\"
")

run_q4t(1 diff ${a} ${work}/counter.q4t)
expect_text("diff of a counter" "${out}" "1 counter changes

counter  old key  new key  change
      7        -       20  added
")

# back again: the split gives key 13 a value of its own
run_q4t(1 diff ${work}/b.q4t ${a})
if(NOT out MATCHES "^2 keys, 1 double key and 1 counter change; 1 label changes\n.*\n 12   13   13  double right -> single *\n 13   13   14  covered -> single\n.*      7       20        -  removed\n")
  message(FATAL_ERROR "diff back:\n${out}")
endif()

# JSON: one object that a JSON reader takes, the same answers as the text
foreach(pair "${a};${work}/latin1.q4t;1;false" "${work}/b.q4t;${work}/b.q4t;0;true")
  list(GET pair 0 first)
  list(GET pair 1 second)
  list(GET pair 2 status)
  list(GET pair 3 same)
  run_q4t(${status} diff --json ${first} ${second})
  file(WRITE ${work}/diff.json "${out}")
  execute_process(COMMAND python3 -c "import json, sys
d = json.load(open(sys.argv[1], encoding='utf-8'))
print(d['same_on_keyboard'], len(d['keys']), len(d['counters']), len(d['labels']), '|'.join(k['label'] for k in d['keys']))"
    ${work}/diff.json RESULT_VARIABLE read OUTPUT_VARIABLE fields)
  execute_process(COMMAND python3 -m json.tool ${work}/diff.json RESULT_VARIABLE tool OUTPUT_QUIET)
  if(NOT read EQUAL 0 OR NOT tool EQUAL 0)
    message(FATAL_ERROR "diff --json is no JSON:\n${out}")
  endif()
  if(same STREQUAL "false")
    expect_text("diff --json" "${fields}" "False 2 1 2 CrÃ¨me \"brÃ»lÃ©e\"|Café\n")
  else()
    expect_text("diff --json of the same" "${fields}" "True 0 0 0 \n")
  endif()
endforeach()

# refusals: 2, nothing on stdout, one line on stderr naming the file
foreach(args "diff" "diff;${a}" "diff;${a};${a};${a}" "diff;${a};/no/such/file.q4t" "diff;${work}/garbage.q4t;${a}"
        "diff;${a};${work}/folder" "diff;${work}/fifo.q4t;${a}" "history;a;b")
  run_q4t(2 ${args})
  string(REGEX MATCHALL "\n" newlines "${err}")
  list(LENGTH newlines lines)
  if(NOT out STREQUAL "" OR NOT lines EQUAL 1)
    message(FATAL_ERROR "q4t ${args}: stdout '${out}', stderr '${err}'")
  endif()
endforeach()
run_q4t(2 diff ${a} ${work}/garbage.q4t)
expect_text("diff of no table" "${err}" "q4t: ${work}/garbage.q4t: no key table sections\n")

# history: the kept tables of each keyboard, oldest first, foreign files passed over
run_q4t(0 history)
expect_text("history of nothing" "${out}" "No keyboard tables kept in ${work}/data/q4t-programmer/keyboards yet\n")
set(kept ${work}/data/q4t-programmer/keyboards/Q4T%2F7)
file(MAKE_DIRECTORY ${kept})
file(COPY_FILE ${a} ${kept}/2024-05-01_101500-before.q4t)
file(WRITE ${kept}/2024-05-01_101520-written.q4t "; source file: /home/u/shop.q4t\n${b}")
file(WRITE ${kept}/2024-05-02_090000-before.q4t "broken\n")
file(WRITE ${kept}/notes.txt "mine\n")
foreach(serial "" "Q4T/7" "Q4T%2F7")
  run_q4t(0 history ${serial})
  expect_text("history ${serial}" "${out}" "Keyboard Q4T/7  (${kept})
  date                 kind     changed keys  source file
  2024-05-01 10:15:00  before              -
  2024-05-01 10:15:20  written             2  /home/u/shop.q4t
  2024-05-02 09:00:00  before              -  unreadable: no key table sections
")
endforeach()
run_q4t(1 history Q4T/8)
