# Installs the window's component of the build tree into a fresh prefix and checks that a file manager would find
# Dotcaster for Quadrel files: the program, its desktop entry (which names the MIME type and
# opens the file it is given), the icon the entry names and the MIME type's glob.
# Run as: cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                        --component desktop
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

function(expect_file path)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endfunction()
function(expect_line path regex)
  file(STRINGS "${PREFIX}/${path}" hits REGEX "${regex}")
  if(NOT hits)
    message(FATAL_ERROR "${path} has no line matching ${regex}")
  endif()
endfunction()

expect_file(bin/dotcaster)
expect_file(share/icons/hicolor/scalable/apps/dotcaster.svg)
expect_line(share/applications/dotcaster.desktop "^Exec=dotcaster %[fF]$")
expect_line(share/applications/dotcaster.desktop "^Icon=dotcaster$")
expect_line(share/applications/dotcaster.desktop "^MimeType=.*application/x-quadrel;")
expect_line(share/mime/packages/dotcaster-quadrel.xml "<mime-type type=\"application/x-quadrel\">")
expect_line(share/mime/packages/dotcaster-quadrel.xml "<glob pattern=\"\\*\\.qdl\"/>")
file(REMOVE_RECURSE "${PREFIX}")
