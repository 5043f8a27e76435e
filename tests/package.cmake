# The release package made by the release build (cmake/package.cmake), checked
# with Python alone: no Wine.
if(HAZURO_RELEASE_DIR STREQUAL "")
    return()
endif()

file(STRINGS ${CMAKE_SOURCE_DIR}/res/hazuro.rc HAZURO_CHECKED_VERSION
     REGEX "VALUE \"ProductVersion\", \"[^\"]+\"")
string(REGEX REPLACE ".*\"ProductVersion\", \"([^\"]+)\".*" "\\1"
       HAZURO_CHECKED_VERSION "${HAZURO_CHECKED_VERSION}")

add_test(NAME package
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/check_package.py
            --release-dir ${HAZURO_RELEASE_DIR}
            --version ${HAZURO_CHECKED_VERSION}
            --source-dir ${CMAKE_SOURCE_DIR})
set_tests_properties(package PROPERTIES TIMEOUT 60)
