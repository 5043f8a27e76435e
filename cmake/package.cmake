# The release package, made by the release build's default target:
# hazuro-<version>.zip (hazuro/hazuro.exe and the Japanese hazuro/readme.txt),
# the same folder unpacked, and SHA256SUMS beside them, so that
# `sha256sum -c SHA256SUMS` works in the build directory as in a user's.
# Other builds (the tests, posix-thread or debug compilers) ship nothing.
if(NOT (CMAKE_SYSTEM_PROCESSOR STREQUAL "i686" AND NOT HAZURO_TESTS
        AND CMAKE_BUILD_TYPE STREQUAL "Release" AND HAZURO_MINGW_THREADS STREQUAL "win32"))
    return()
endif()

# The version as the program shows it in its properties.
set(HAZURO_PACKAGE_RC ${CMAKE_SOURCE_DIR}/res/hazuro.rc)
file(STRINGS ${HAZURO_PACKAGE_RC} HAZURO_PACKAGE_VERSION
     REGEX "VALUE \"ProductVersion\", \"[^\"]+\"")
string(REGEX REPLACE ".*\"ProductVersion\", \"([^\"]+)\".*" "\\1"
       HAZURO_PACKAGE_VERSION "${HAZURO_PACKAGE_VERSION}")
if(NOT HAZURO_PACKAGE_VERSION MATCHES "^[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "No ProductVersion found in ${HAZURO_PACKAGE_RC}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${HAZURO_PACKAGE_RC})

# Runs at every build: the zip is dated with the commit, which no file
# dependency sees change. The script rewrites nothing that is unchanged.
add_custom_target(hazuro_package ALL
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/make_package.py
            --exe $<TARGET_FILE:hazuro>
            --readme ${CMAKE_SOURCE_DIR}/dist/readme.txt.in
            --version ${HAZURO_PACKAGE_VERSION}
            --out-dir ${CMAKE_BINARY_DIR}
            --source-dir ${CMAKE_SOURCE_DIR}
    BYPRODUCTS ${CMAKE_BINARY_DIR}/hazuro-${HAZURO_PACKAGE_VERSION}.zip
               ${CMAKE_BINARY_DIR}/SHA256SUMS
               ${CMAKE_BINARY_DIR}/hazuro/hazuro.exe
               ${CMAKE_BINARY_DIR}/hazuro/readme.txt
    COMMENT "Packaging hazuro-${HAZURO_PACKAGE_VERSION}.zip"
    VERBATIM)
add_dependencies(hazuro_package hazuro)
