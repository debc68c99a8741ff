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

# q4t.exe from the unpacked package against the Linux build's virtual keyboard.
set(Q4T_LINUX_BUILD "" CACHE PATH "A Linux build folder with q4t and the virtual keyboard, for the end-to-end test")
if(Q4T_LINUX_BUILD)
  add_test(NAME windows_end_to_end COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows_end_to_end.sh
    ${CMAKE_BINARY_DIR}/unpacked/q4t-${PROJECT_VERSION}-windows-x64/q4t.exe ${Q4T_LINUX_BUILD}/q4t
    ${Q4T_LINUX_BUILD}/sim/q4t-keyboard-sim ${PROJECT_SOURCE_DIR} ${Q4T_WINE})
  set_tests_properties(windows_end_to_end PROPERTIES LABELS windows TIMEOUT 600
    ENVIRONMENT "WINEPREFIX=${Q4T_WINEPREFIX}")
endif()
