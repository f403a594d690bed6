# Compiler settings shared by every target of the project.
add_library(dotcaster_options INTERFACE)
target_compile_options(dotcaster_options INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:-Wall -Wextra -Wpedantic>
  $<$<CXX_COMPILER_ID:MSVC>:/W4 /utf-8>)
if(DOTCASTER_WERROR)
  target_compile_options(dotcaster_options INTERFACE
    $<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:-Werror>
    $<$<CXX_COMPILER_ID:MSVC>:/WX>)
endif()
if(DOTCASTER_SANITIZE)
  target_compile_options(dotcaster_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(dotcaster_options INTERFACE -fsanitize=address,undefined)
endif()
target_compile_definitions(dotcaster_options INTERFACE
  DOTCASTER_VERSION="${PROJECT_VERSION}")

# dotcaster_library(NAME SOURCES... [QT]) adds the library target dotcaster_NAME for one folder.
function(dotcaster_library name)
  add_library(dotcaster_${name} STATIC ${ARGN})
  target_include_directories(dotcaster_${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(dotcaster_${name} PUBLIC dotcaster_options)
endfunction()

# dotcaster_gtest(NAME SOURCES... LIBS ...) adds a GoogleTest executable and registers its cases.
function(dotcaster_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                                        dotcaster_options)
  set(tmp "${CMAKE_CURRENT_BINARY_DIR}/tmp")
  if(DEFINED DOTCASTER_WINE_ENV)
    # Under wine (cmake/mingw-w64.cmake) the build tree is on drive Z:; the tests see a
    # Windows path with a drive letter.
    string(REPLACE "/" "\\" tmp "Z:${tmp}")
    dotcaster_wine_prefix()
    add_dependencies(${name} dotcaster_wine_prefix)
  endif()
  # Rows are named by the tests' own name generators; the value printed after the name adds
  # only a byte dump.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                       PROPERTIES ENVIRONMENT "DOTCASTER_TEST_TMP=${tmp}")
endfunction()

# dotcaster_wine_prefix() adds, once, the target that makes wine's settings folder before
# any test program runs, so that the first runs (two at once in a parallel build) do not
# each start making it, and its several seconds do not count against a test's time limit.
function(dotcaster_wine_prefix)
  if(TARGET dotcaster_wine_prefix)
    return()
  endif()
  set(prefix_stamp "${CMAKE_BINARY_DIR}/wine/system.reg")
  add_custom_command(OUTPUT "${prefix_stamp}"
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
    COMMENT "Making wine's settings folder")
  add_custom_target(dotcaster_wine_prefix DEPENDS "${prefix_stamp}")
endfunction()

# dotcaster_link_package(TARGET MODULE IMPORTED) links TARGET privately to the library of
# the pkg-config module MODULE. With DOTCASTER_STATIC_DECODERS the library and what it needs
# come from their static archives, as `pkg-config --static --libs MODULE` lists them (the C
# runtime's own libraries by name, so that each program links them its own way); otherwise
# from the shared library through the imported target IMPORTED.
function(dotcaster_link_package target module imported)
  if(NOT DOTCASTER_STATIC_DECODERS)
    target_link_libraries(${target} PRIVATE ${imported})
    return()
  endif()
  find_package(PkgConfig REQUIRED)
  string(MAKE_C_IDENTIFIER "DOTCASTER_PC_${module}" prefix)
  pkg_check_modules(${prefix} REQUIRED QUIET ${module})
  set(archives "")
  foreach(name IN LISTS ${prefix}_STATIC_LIBRARIES)
    if(name MATCHES "^(c|m|dl|rt|pthread)$")
      list(APPEND archives ${name})
      continue()
    endif()
    find_library(DOTCASTER_ARCHIVE_${name} NAMES lib${name}.a
                 HINTS ${${prefix}_STATIC_LIBRARY_DIRS})
    if(NOT DOTCASTER_ARCHIVE_${name})
      message(FATAL_ERROR "No static archive lib${name}.a for ${module}; install it or "
                          "configure with -DDOTCASTER_STATIC_DECODERS=OFF")
    endif()
    list(APPEND archives ${DOTCASTER_ARCHIVE_${name}})
  endforeach()
  target_include_directories(${target} PRIVATE ${${prefix}_STATIC_INCLUDE_DIRS})
  target_link_libraries(${target} PRIVATE ${archives})
endfunction()
