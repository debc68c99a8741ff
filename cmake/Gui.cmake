# The desktop program q4t-programmer and its window tests.
find_package(Qt6 REQUIRED COMPONENTS Widgets Help Test PrintSupport Svg)
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
target_compile_definitions(q4t_gui PUBLIC Q4T_VERSION_TEXT="${PROJECT_VERSION}")
file(GLOB Q4T_GUI_RESOURCES CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
  ${PROJECT_SOURCE_DIR}/app/resources/*)
if(Q4T_GUI_RESOURCES)
  qt_add_resources(q4t_gui q4t_resources PREFIX / BASE ${PROJECT_SOURCE_DIR}/app
    FILES ${Q4T_GUI_RESOURCES})
endif()

add_executable(q4t-programmer app/main.cpp)
target_compile_options(q4t-programmer PRIVATE ${Q4T_CORE_WARNINGS})
target_link_libraries(q4t-programmer PRIVATE q4t_gui)

# Window tests: one QtTest program per tests/gui/*Test.cpp, run offscreen.
file(GLOB Q4T_GUI_TEST_SUPPORT CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/gui/support/*.cpp)
add_library(q4t_gui_test_support STATIC ${Q4T_GUI_TEST_SUPPORT} ${PROJECT_SOURCE_DIR}/tests/gui/support/GuiTestSupport.h)
target_link_libraries(q4t_gui_test_support PUBLIC q4t_gui q4t_sim Qt6::Test)
target_include_directories(q4t_gui_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests/gui)
file(GLOB Q4T_GUI_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/gui/*Test.cpp)
foreach(source ${Q4T_GUI_TESTS})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE ${Q4T_CORE_WARNINGS})
  target_link_libraries(${name} PRIVATE q4t_gui_test_support)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;Q4T_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endforeach()

add_subdirectory(help)
add_dependencies(q4t_gui q4t_help)

add_test(NAME gui_export COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:q4t-programmer>
  -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/export-test
  -P ${PROJECT_SOURCE_DIR}/tests/ExportCommandTest.cmake)
set_tests_properties(gui_export PROPERTIES LABELS gui TIMEOUT 120)
