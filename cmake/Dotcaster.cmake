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
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "DOTCASTER_TEST_TMP=${CMAKE_CURRENT_BINARY_DIR}/tmp")
endfunction()
