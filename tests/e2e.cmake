# End-to-end tests: the built hazuro.exe runs as a process of its own and the
# test drives it through its windows.
add_executable(hazuro_e2e_tests e2e_test.cpp test_windows.cpp)
target_compile_options(hazuro_e2e_tests PRIVATE ${HAZURO_TEST_FLAGS})
target_link_libraries(hazuro_e2e_tests PRIVATE GTest::gtest)
target_link_options(hazuro_e2e_tests PRIVATE -static)
add_dependencies(hazuro_e2e_tests hazuro)

# The program's path goes in as a Unix path; the test makes it a Wine drive path.
add_test(NAME e2e COMMAND ${HAZURO_WINE} $<TARGET_FILE:hazuro_e2e_tests> $<TARGET_FILE:hazuro>)
# RUN_SERIAL: the sweeps fade windows of every process on the desktop, so other
# tests' windows would be touched and theirs would touch ours.
# The exit code alone is not trusted: a run whose wineserver was shared with
# another test run once ended half-way with code 0. The closing line is needed.
set_tests_properties(e2e PROPERTIES
    FIXTURES_REQUIRED wine ENVIRONMENT "${HAZURO_WINE_ENV}" TIMEOUT 180 RUN_SERIAL TRUE
    PASS_REGULAR_EXPRESSION "hazuro e2e: complete, all passed")
