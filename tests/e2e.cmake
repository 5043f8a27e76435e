# End-to-end tests: the built hazuro.exe runs as a process of its own and the
# test drives it through its windows.
add_executable(hazuro_e2e_tests e2e_test.cpp test_windows.cpp)
target_compile_options(hazuro_e2e_tests PRIVATE ${HAZURO_TEST_FLAGS})
target_link_libraries(hazuro_e2e_tests PRIVATE GTest::gtest shell32)
target_link_options(hazuro_e2e_tests PRIVATE -static)
add_dependencies(hazuro_e2e_tests hazuro)

# RUN_SERIAL: the sweeps fade windows of every process on the desktop, so other
# tests' windows would be touched and theirs would touch ours.
# The exit code alone is not trusted: a run whose wineserver was shared with
# another test run once ended half-way with code 0. The closing line is needed.
function(hazuro_e2e_test name)
    add_test(NAME ${name} COMMAND ${ARGN})
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine ENVIRONMENT "${HAZURO_WINE_ENV}" TIMEOUT 300 RUN_SERIAL TRUE
        PASS_REGULAR_EXPRESSION "hazuro e2e: complete, all passed" SKIP_RETURN_CODE 77)
endfunction()

# The program's path goes in as a Unix path; the test makes it a Wine drive path.
hazuro_e2e_test(e2e ${HAZURO_WINE} $<TARGET_FILE:hazuro_e2e_tests> $<TARGET_FILE:hazuro>)

# The same tests on the release hazuro.exe itself, the file that ships, under
# 32-bit Wine; skipped where 32-bit Windows programs cannot run.
if(HAZURO_RELEASE_DIR)
    hazuro_e2e_test(e2e_release sh -c
        "sh '${CMAKE_SOURCE_DIR}/scripts/wine32-works.sh' && exec \"$@\" || echo 'no 32-bit Wine here: the release hazuro.exe is not run' && exit 77"
        sh ${HAZURO_WINE} $<TARGET_FILE:hazuro_e2e_tests> ${HAZURO_RELEASE_DIR}/hazuro.exe)
endif()
