# GoogleTest from Debian's sources (package googletest), for the Windows
# build; it names its targets GTest::gtest and GTest::gtest_main itself.
set(KRYVET_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KRYVET_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its code is not ours to keep free of warnings.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)
