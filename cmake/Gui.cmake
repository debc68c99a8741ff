# The desktop program q4t-programmer and its window tests.
find_package(Qt6 REQUIRED COMPONENTS Widgets Help Test LinguistTools PrintSupport Svg)
find_package(X11 REQUIRED)

set(CMAKE_AUTOMOC ON)

file(GLOB Q4T_GUI_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/docview/*.cpp
  ${PROJECT_SOURCE_DIR}/editor/*.cpp
  ${PROJECT_SOURCE_DIR}/ui/*.cpp
  ${PROJECT_SOURCE_DIR}/tco/*.cpp
  ${PROJECT_SOURCE_DIR}/print/*.cpp
  ${PROJECT_SOURCE_DIR}/app/*.cpp)
list(REMOVE_ITEM Q4T_GUI_SOURCES ${PROJECT_SOURCE_DIR}/app/main.cpp)

add_library(q4t_gui STATIC ${Q4T_GUI_SOURCES})
target_compile_options(q4t_gui PRIVATE ${Q4T_CORE_WARNINGS})
target_link_libraries(q4t_gui PUBLIC q4t_core Qt6::Widgets Qt6::Help Qt6::PrintSupport Qt6::Svg X11::X11)
file(GLOB Q4T_GUI_RESOURCES CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
  ${PROJECT_SOURCE_DIR}/app/resources/*)
if(Q4T_GUI_RESOURCES)
  qt_add_resources(q4t_gui q4t_resources PREFIX / BASE ${PROJECT_SOURCE_DIR}/app
    FILES ${Q4T_GUI_RESOURCES})
endif()

# Translations of the user interface (translations/Q4TProgrammer_<language>.ts),
# compiled into the translations folder beside the programs, where they are
# found as the installed ones are.
set(Q4T_TRANSLATIONS_DIR ${CMAKE_BINARY_DIR}/translations)
file(GLOB Q4T_TS_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/translations/*.ts)
set_source_files_properties(${Q4T_TS_FILES} PROPERTIES OUTPUT_LOCATION ${Q4T_TRANSLATIONS_DIR})
qt_add_lrelease(q4t_gui TS_FILES ${Q4T_TS_FILES} QM_FILES_OUTPUT_VARIABLE Q4T_QM_FILES)

add_executable(q4t-programmer app/main.cpp)
target_compile_options(q4t-programmer PRIVATE ${Q4T_CORE_WARNINGS})
target_link_libraries(q4t-programmer PRIVATE q4t_gui)

# Window tests: one QtTest program per tests/gui/*Test.cpp, run offscreen.
file(GLOB Q4T_GUI_TEST_SUPPORT CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/gui/support/*.cpp)
set(Q4T_DIALOG_WATCHDOG ${PROJECT_SOURCE_DIR}/tests/gui/support/DialogWatchdog.cpp)
list(REMOVE_ITEM Q4T_GUI_TEST_SUPPORT ${Q4T_DIALOG_WATCHDOG})
add_library(q4t_gui_test_support STATIC ${Q4T_GUI_TEST_SUPPORT} ${PROJECT_SOURCE_DIR}/tests/gui/support/GuiTestSupport.h)
target_link_libraries(q4t_gui_test_support PUBLIC q4t_gui q4t_sim Qt6::Test)
target_include_directories(q4t_gui_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests/gui)
# Linked whole into every window test (nothing calls it: it installs itself).
add_library(q4t_dialog_watchdog OBJECT ${Q4T_DIALOG_WATCHDOG})
target_compile_options(q4t_dialog_watchdog PRIVATE ${Q4T_CORE_WARNINGS})
target_link_libraries(q4t_dialog_watchdog PUBLIC q4t_gui_test_support)
file(GLOB Q4T_GUI_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/gui/*Test.cpp)
foreach(source ${Q4T_GUI_TESTS})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE ${Q4T_CORE_WARNINGS})
  target_link_libraries(${name} PRIVATE q4t_gui_test_support q4t_dialog_watchdog)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;Q4T_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endforeach()

add_subdirectory(help)
add_dependencies(q4t_gui q4t_help)

add_test(NAME man_page_q4t-programmer COMMAND bash ${PROJECT_SOURCE_DIR}/tests/man_page_options.sh
  ${PROJECT_SOURCE_DIR}/app/q4t-programmer.1 $<TARGET_FILE:q4t-programmer>)
set_tests_properties(man_page_q4t-programmer PROPERTIES LABELS gui ENVIRONMENT QT_QPA_PLATFORM=offscreen)
add_test(NAME q4t-programmer_answers_without_display COMMAND bash ${PROJECT_SOURCE_DIR}/tests/answers_without_display.sh
  $<TARGET_FILE:q4t-programmer> ${PROJECT_VERSION})
set_tests_properties(q4t-programmer_answers_without_display PROPERTIES LABELS gui)
add_test(NAME gui_export COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:q4t-programmer>
  -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/export-test
  -P ${PROJECT_SOURCE_DIR}/tests/ExportCommandTest.cmake)
set_tests_properties(gui_export PROPERTIES LABELS gui TIMEOUT 120)
add_test(NAME gui_export_names COMMAND bash ${PROJECT_SOURCE_DIR}/tests/export_names.sh
  $<TARGET_FILE:q4t-programmer> ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/export-names-test)
set_tests_properties(gui_export_names PROPERTIES LABELS gui TIMEOUT 120)
