# Compile options of a fuzzing build, set before the engine is added so that
# its library is compiled once, instrumented, and linked by the fuzz targets.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -g -O1
                        -fsanitize=fuzzer-no-link)
    add_link_options(-fsanitize=address,undefined)
endif()
