# vantro-link: the link layer's own tool (install, status, ls, put, get).
add_executable(vantro-link vantro_link.cpp)
target_link_libraries(vantro-link PRIVATE dotcaster_devicelink dotcaster_options)
install(TARGETS vantro-link RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
