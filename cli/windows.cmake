# kryvet-cli.exe: the system's parts in Windows' own calls, the Japanese
# messages built in from the same catalogue as gettext's, a UTF-8 manifest.
target_sources(kryvet_cli_lib PRIVATE
    builtin_gettext_windows.cpp file_list_windows.cpp stop_signals_windows.cpp
    target_pin_windows.cpp terminal_windows.cpp)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(KRYVET_MSGFMT msgfmt REQUIRED)
set(KRYVET_CATALOGUE ${CMAKE_CURRENT_BINARY_DIR}/ja_catalogue.inc)
add_custom_command(OUTPUT ${KRYVET_CATALOGUE}
    # The same check as the Linux build's, then the table.
    COMMAND ${KRYVET_MSGFMT} --check -o ${CMAKE_CURRENT_BINARY_DIR}/ja.mo
        ${CMAKE_CURRENT_SOURCE_DIR}/po/ja.po
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/po/catalogue_source.py
        ${CMAKE_CURRENT_SOURCE_DIR}/po/ja.po ${KRYVET_CATALOGUE}
    DEPENDS po/ja.po po/catalogue_source.py
    COMMENT "Building the Japanese messages into kryvet-cli")
set_source_files_properties(builtin_gettext_windows.cpp PROPERTIES
    OBJECT_DEPENDS ${KRYVET_CATALOGUE})
target_include_directories(kryvet_cli_lib PRIVATE ${CMAKE_CURRENT_BINARY_DIR})

add_executable(kryvet-cli main_windows.cpp kryvet-cli.rc)
target_link_libraries(kryvet-cli PRIVATE kryvet_cli_lib)
# wmain, and a console program.
target_link_options(kryvet-cli PRIVATE -municode)
# In bin/, which is what the installer puts on the PATH.
install(TARGETS kryvet-cli RUNTIME DESTINATION bin)
