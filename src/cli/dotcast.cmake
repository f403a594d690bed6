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

# Linked statically where the archives are there: loading libstdc++ and the other shared
# libraries costs more time than converting a picture does. Sanitizer builds stay dynamic.
option(DOTCAST_STATIC "Link dotcast statically" ON)
if(DOTCAST_STATIC AND NOT DOTCASTER_SANITIZE AND CMAKE_SYSTEM_NAME STREQUAL "Linux"
   AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  find_library(DOTCAST_JPEG_ARCHIVE NAMES libjpeg.a)
  find_library(DOTCAST_GIF_ARCHIVE NAMES libgif.a)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LINK_OPTIONS -static -pthread)
  check_cxx_source_compiles("#include <thread>
    int main() { std::thread t([] {}); t.join(); }" DOTCAST_CAN_LINK_STATIC)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
endif()
if(DOTCAST_JPEG_ARCHIVE AND DOTCAST_GIF_ARCHIVE AND DOTCAST_CAN_LINK_STATIC)
  # The picture library names the shared decoders; for a program that sets
  # DOTCAST_STATIC_LINK the archives stand in for them. Other programs are unaffected.
  get_target_property(picture_links dotcaster_picture INTERFACE_LINK_LIBRARIES)
  set(static_head "$<BOOL:$<TARGET_PROPERTY:DOTCAST_STATIC_LINK>>")
  set(relinked "")
  set(replaced 0)
  foreach(item IN LISTS picture_links)
    if(item STREQUAL "$<LINK_ONLY:JPEG::JPEG>")
      set(item "$<LINK_ONLY:$<IF:${static_head},${DOTCAST_JPEG_ARCHIVE},JPEG::JPEG>>")
      math(EXPR replaced "${replaced} + 1")
    elseif(item STREQUAL "$<LINK_ONLY:GIF::GIF>")
      set(item "$<LINK_ONLY:$<IF:${static_head},${DOTCAST_GIF_ARCHIVE},GIF::GIF>>")
      math(EXPR replaced "${replaced} + 1")
    endif()
    list(APPEND relinked "${item}")
  endforeach()
  # Only when both were found as expected; otherwise dotcast simply stays dynamic.
  if(replaced EQUAL 2)
    set_target_properties(dotcaster_picture PROPERTIES INTERFACE_LINK_LIBRARIES "${relinked}")
    set_target_properties(dotcast PROPERTIES DOTCAST_STATIC_LINK ON)
    target_link_options(dotcast PRIVATE -static)
  else()
    message(STATUS "dotcast: the picture library's links changed; dotcast stays dynamic")
  endif()
endif()
install(TARGETS dotcast RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
