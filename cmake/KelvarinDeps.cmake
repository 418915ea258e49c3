# Third-party dependencies, all from Debian packages (see dev.sh).
find_package(nlohmann_json 3 REQUIRED)
find_package(CLI11 REQUIRED)
find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
add_library(SimpleIni::SimpleIni INTERFACE IMPORTED)
set_target_properties(SimpleIni::SimpleIni PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${SIMPLEINI_INCLUDE_DIR}")

if(NOT KELVARIN_FUZZ)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  if(KELVARIN_BENCH)
    find_package(benchmark REQUIRED)
  endif()
endif()

if(KELVARIN_WITH_PYTHON AND NOT KELVARIN_FUZZ)
  # The module is built for Debian's own Python, whatever python3 comes first on PATH.
  if(NOT DEFINED Python_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python the kelvarin module is built for")
  endif()
  find_package(Python 3 REQUIRED COMPONENTS Interpreter Development.Module Development.Embed)
  # The editor loads Python's library by its file name when the first script runs
  # (with its symbols global: the standard library's compiled modules look for
  # them there), then the module that runs scripts.
  get_filename_component(python_library_real "${Python_LIBRARIES}" REALPATH)
  get_filename_component(KELVARIN_PYTHON_LIBRARY "${python_library_real}" NAME)
  set(KELVARIN_PYTHON_RUN_MODULE kelvarin-python-run)
  set(PYBIND11_FINDPYTHON ON)
  find_package(pybind11 2.10 CONFIG REQUIRED)
endif()

if(KELVARIN_WITH_GUI AND NOT KELVARIN_FUZZ)
  set(CMAKE_AUTOMOC ON)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets OpenGL PrintSupport Test)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL)
  # QScintilla ships no CMake config or pkg-config file on Debian.
  find_path(QSCINTILLA_INCLUDE_DIR Qsci/qsciscintilla.h PATH_SUFFIXES ${CMAKE_LIBRARY_ARCHITECTURE}/qt6 qt6 REQUIRED)
  find_library(QSCINTILLA_LIBRARY qscintilla2_qt6 REQUIRED)
  add_library(QScintilla::QScintilla UNKNOWN IMPORTED)
  set_target_properties(QScintilla::QScintilla PROPERTIES
    IMPORTED_LOCATION "${QSCINTILLA_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${QSCINTILLA_INCLUDE_DIR}"
    INTERFACE_COMPILE_DEFINITIONS QSCINTILLA_DLL
    INTERFACE_LINK_LIBRARIES "Qt6::Widgets;Qt6::PrintSupport")
endif()

# kelvarin_add_test(name SOURCES ... LIBS ... [GUI]): one GoogleTest binary under ctest,
# with the shared test helpers (tests/support) linked in.
# GUI tests get a label so they can be run under Xvfb together. They share one display,
# where window activation and keyboard focus are global: two of them running at once take
# the focus from each other, so they hold one resource lock and run one after the other.
# Listing a binary's tests starts it: on a busy machine that can take longer than the
# default five seconds, and a listing that times out would leave its tests out of the run.
function(kelvarin_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kelvarin_testsupport GTest::gtest GTest::gtest_main)
  if(T_GUI)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES LABELS gui RESOURCE_LOCK display
      ENVIRONMENT "QT_QPA_PLATFORM=xcb")
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  endif()
endfunction()
