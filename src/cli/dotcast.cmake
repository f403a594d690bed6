# dotcast, the command-line converter: a library of its parts (which the tests link) and
# the program. Nothing here may link Qt: dotcast must start in a few milliseconds.
find_package(Threads REQUIRED)

dotcaster_library(dotcast
  dotcast/batch.cpp dotcast/batch.h
  dotcast/dots.cpp dotcast/dots.h
  dotcast/job.cpp dotcast/job.h
  dotcast/options.cpp dotcast/options.h)
target_link_libraries(dotcaster_dotcast PUBLIC dotcaster_picture dotcaster_convert
                                               dotcaster_formats Threads::Threads)

add_executable(dotcast dotcast/main.cpp)
target_link_libraries(dotcast PRIVATE dotcaster_dotcast)
install(TARGETS dotcast RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The sample picture is drawn by a program of ours and written at build time.
add_executable(make_testcard "${PROJECT_SOURCE_DIR}/samples/make_testcard.cpp")
target_link_libraries(make_testcard PRIVATE JPEG::JPEG dotcaster_options)
set(DOTCASTER_SAMPLE "${PROJECT_BINARY_DIR}/samples/testcard.jpg")
add_custom_command(
  OUTPUT "${DOTCASTER_SAMPLE}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/samples"
  COMMAND make_testcard "${DOTCASTER_SAMPLE}"
  DEPENDS make_testcard
  COMMENT "Drawing the sample picture")
add_custom_target(sample_picture ALL DEPENDS "${DOTCASTER_SAMPLE}")
