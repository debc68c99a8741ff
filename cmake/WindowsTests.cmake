# The core tests built for Windows, run under Wine through the cross-compiling
# emulator. GoogleTest is built for the target from Debian's sources.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

function(q4t_windows_test name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE ${Q4T_CORE_WARNINGS})
  target_link_libraries(${name} PRIVATE q4t_cli gtest gtest_main gmock)
  add_test(NAME windows_${name} COMMAND ${name})
  set_tests_properties(windows_${name} PROPERTIES LABELS windows TIMEOUT 300
    ENVIRONMENT "Q4T_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

q4t_windows_test(core_tests
  tests/KeyTableTest.cpp
  tests/KeyLabelsTest.cpp
  tests/TableDiffTest.cpp
  tests/KeyboardTextTest.cpp
  tests/TcoReportTest.cpp
  tests/PlatformCodecTest.cpp
  tests/TestTables.cpp
)
q4t_windows_test(windows_tests
  tests/windows/WinSerialPortTest.cpp
  tests/windows/WinFilesTest.cpp
)
