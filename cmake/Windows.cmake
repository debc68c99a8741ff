# The Windows build (cross-built with cmake/mingw-w64-x86_64.cmake): the core,
# q4t and the core tests; the desktop program and the virtual keyboard stay on
# POSIX systems.

# SimpleIni is used header-only (no conversion), from Debian's package; only
# its header is taken, never the host's other headers.
set(Q4T_SIMPLEINI_HEADER /usr/include/SimpleIni.h CACHE FILEPATH "SimpleIni.h to build with")
# Its Windows line end is made "\n": a key table is written alike on every
# system, so a file moved between them saves back as it was.
file(READ ${Q4T_SIMPLEINI_HEADER} simpleini_text)
string(REPLACE "# define SI_NEWLINE_A   \"\\r\\n\"" "# define SI_NEWLINE_A   \"\\n\"" simpleini_lf "${simpleini_text}")
if(simpleini_lf STREQUAL simpleini_text)
  message(FATAL_ERROR "${Q4T_SIMPLEINI_HEADER}: its line end for Windows was not found")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/simpleini/SimpleIni.h "${simpleini_lf}")
set(SIMPLEINI_INCLUDE_DIR ${CMAKE_BINARY_DIR}/simpleini)
set(SIMPLEINI_LIBRARY "")
# Debian's header keeps its template bodies for its library unless asked.
add_compile_definitions(SI_IMPLEMENTATION)

set(Q4T_PLATFORM_SOURCES
  model/WinFileAccess.cpp
  model/WinFileCalls.cpp
  model/WinPlaces.cpp
  model/WinSystemText.cpp
  link/WinSerialSystem.cpp
  link/WinSerialPort.cpp
  link/WinPortWait.cpp
)
set(Q4T_CLI_PLATFORM_SOURCES cli/WinConsole.cpp)

# localtime_r and the other thread-safe time calls of MinGW's headers.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L)

# Tests run under Wine, in a prefix of the build folder's own.
find_program(Q4T_WINE wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
set(Q4T_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${Q4T_WINEPREFIX} WINEDEBUG=-all ${Q4T_WINE})

# MinGW's GCC 12 warns of overlapping copies inside std::string that cannot
# happen (GCC bug 105329); the warning is left out here only.
list(APPEND Q4T_CORE_WARNINGS -Wno-restrict)
