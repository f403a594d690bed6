# dotcast, the command-line converter: a library of its parts (which the tests link) and
# the program. Nothing here may link Qt: dotcast must start in a few milliseconds.
find_package(Threads REQUIRED)
find_package(CLI11 2.1 CONFIG REQUIRED)  # header-only: nothing to link at run time

dotcaster_library(dotcast
  dotcast/batch.cpp dotcast/batch.h
  dotcast/dots.cpp dotcast/dots.h
  dotcast/job.cpp dotcast/job.h
  dotcast/options.cpp dotcast/options.h)
target_link_libraries(dotcaster_dotcast PUBLIC dotcaster_picture dotcaster_convert
                                               dotcaster_formats Threads::Threads)
target_link_libraries(dotcaster_dotcast PRIVATE CLI11::CLI11)

add_executable(dotcast dotcast/main.cpp)
target_link_libraries(dotcast PRIVATE dotcaster_dotcast)
if(WIN32)
  target_link_libraries(dotcast PRIVATE shell32)  # CommandLineToArgvW
endif()

# Linked statically when the picture libraries come from their archives: loading libstdc++
# and the other shared libraries costs more time than converting a picture does.
if(DOTCASTER_STATIC_DECODERS AND CMAKE_SYSTEM_NAME STREQUAL "Linux"
   AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LINK_OPTIONS -static -pthread)
  check_cxx_source_compiles("#include <thread>
    int main() { std::thread t([] {}); t.join(); }" DOTCAST_CAN_LINK_STATIC)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(DOTCAST_CAN_LINK_STATIC)
    target_link_options(dotcast PRIVATE -static)
  else()
    message(STATUS "dotcast: the C++ runtime cannot be linked statically; dotcast stays dynamic")
  endif()
endif()
install(TARGETS dotcast RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
