# Helpers that give every library, program and test of the tree the same flags.
include_guard(GLOBAL)

set(PICTAVIA_WARNINGS -Wall -Wextra -Wpedantic)

function(pictavia_apply_flags target)
  target_compile_options(${target} PRIVATE ${PICTAVIA_WARNINGS})
  if(PICTAVIA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(PICTAVIA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# SIMD variants sit in files named *_sse2.cpp, *_ssse3.cpp, *_avx2.cpp: only those files are
# compiled for the wider instruction set, and the run-time choice (raster/cpu_features.h) decides
# whether their code runs.
function(pictavia_simd_flags)
  if(NOT CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i[3-6]86")
    return()
  endif()
  foreach(src IN LISTS ARGN)
    if(src MATCHES "_avx2\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2;-mbmi;-mbmi2;-mpopcnt")
    elseif(src MATCHES "_ssse3\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mssse3")
    elseif(src MATCHES "_sse2\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-msse2")
    endif()
  endforeach()
endfunction()

# The headers of src/<folder>/internal/ are private to that folder's library: each stops the build
# unless PICTAVIA_INSIDE_<FOLDER> is defined, which only the library itself and its own test suite
# (white-box tests) define, privately. A library above that includes one fails to build.
function(pictavia_inside target folder)
  string(TOUPPER "${folder}" upper)
  target_compile_definitions(${target} PRIVATE PICTAVIA_INSIDE_${upper})
endfunction()

# One static library per folder under src/: every .cpp of the folder belongs to it. Its public
# headers are src/<folder>/*.h, its private ones src/<folder>/internal/*.h.
function(pictavia_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h"
                                      "${CMAKE_CURRENT_SOURCE_DIR}/internal/*.h")
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} STATIC ${sources} ${headers})
  pictavia_simd_flags(${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  get_filename_component(folder "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
  pictavia_inside(${name} ${folder})
  # A private header without its guard could be included from above unnoticed.
  string(TOUPPER "${folder}" upper)
  file(GLOB private_headers "${CMAKE_CURRENT_SOURCE_DIR}/internal/*.h")
  foreach(header IN LISTS private_headers)
    file(STRINGS "${header}" guard REGEX "^#ifndef PICTAVIA_INSIDE_${upper}$")
    if(NOT guard)
      message(FATAL_ERROR "${header}: a private header starts with #ifndef PICTAVIA_INSIDE_${upper} "
                          "and an #error")
    endif()
  endforeach()
  pictavia_apply_flags(${name})
endfunction()

# One GoogleTest executable per library: every .cpp under tests/<folder>/ belongs to it.
# MAIN is "gui" (a QGuiApplication) or "widgets" (a QApplication) and picks the test main of
# tests/common, or "own" for a suite whose folder has its own main.
function(pictavia_test_suite name)
  cmake_parse_arguments(ARG "" "MAIN" "DEPS" ${ARGN})
  if(NOT ARG_MAIN)
    set(ARG_MAIN gui)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  add_executable(${name} ${sources})
  if(NOT ARG_MAIN STREQUAL "own")
    target_link_libraries(${name} PRIVATE pictavia_test_main_${ARG_MAIN})
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} pictavia_test_common GTest::gtest GTest::gmock)
  # tests/<folder> tests src/<folder> and may include its private headers.
  get_filename_component(folder "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
  pictavia_inside(${name} ${folder})
  pictavia_apply_flags(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  # A generous timeout per test executable; the whole suite stays well under ten minutes. The
  # suites know their folders themselves, so PICTAVIA_CORPUS and the like set by the user reach
  # them unchanged.
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# A program folder: its library (every .cpp but main.cpp, so tests can link it) and the program.
function(pictavia_program libname exename)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  pictavia_library(${libname} DEPS ${ARG_DEPS})
  add_executable(${exename} main.cpp)
  target_link_libraries(${exename} PRIVATE ${libname})
  pictavia_apply_flags(${exename})
endfunction()
