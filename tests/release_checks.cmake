# Checks on the release hazuro.exe in HAZURO_RELEASE_DIR, the file that ships.
# They need no Wine.
if(NOT HAZURO_RELEASE_DIR)
    return()
endif()

# pefile is Debian's python3-pefile, which only Debian's own python3 sees: a
# python3 found earlier on PATH may not have it.
find_program(HAZURO_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
add_test(NAME release_exe
    COMMAND ${HAZURO_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/check_release.py
            ${HAZURO_RELEASE_DIR}/hazuro.exe ${CMAKE_CURRENT_SOURCE_DIR}/windows2000-imports.txt)

# A second release build in another directory must give the same bytes.
add_test(NAME release_reproducible
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_reproducible.sh ${CMAKE_COMMAND}
            ${CMAKE_SOURCE_DIR} ${HAZURO_RELEASE_DIR} ${CMAKE_BINARY_DIR}/repro-release)
set_tests_properties(release_reproducible PROPERTIES LABELS slow TIMEOUT 600)

# The end-to-end tests once more, on a copy of the release file moved to
# another base address: Windows moves the program (ASLR), Wine never does.
set(HAZURO_MOVED_EXE ${CMAKE_CURRENT_BINARY_DIR}/hazuro-moved.exe)
hazuro_e2e_test(e2e_moved sh -c
    "if sh '${CMAKE_SOURCE_DIR}/scripts/wine32-works.sh'
     then '${HAZURO_DEBIAN_PYTHON}' '${CMAKE_SOURCE_DIR}/tools/move_image.py' \
              '${HAZURO_RELEASE_DIR}/hazuro.exe' 0x10000000 '${HAZURO_MOVED_EXE}' && exec \"$@\"
     else echo 'no 32-bit Wine here: the moved hazuro.exe is not run' && exit 77
     fi"
    sh ${HAZURO_WINE} $<TARGET_FILE:hazuro_e2e_tests> ${HAZURO_MOVED_EXE})
