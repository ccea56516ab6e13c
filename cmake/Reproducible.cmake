# Flags of the release build, whose programs must come out byte for byte the
# same whoever builds the same commit, wherever and whenever.

# Sources are named relative to the checkout, in __FILE__ (which the debug
# allocator's records and ASSERT keep) as in debug information. GCC applies
# the last map that matches, so the build folder, which may lie inside the
# checkout, comes second.
add_compile_options(
    $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
    $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)

# No symbol table and no debug sections in the programs: a debug build (the
# Windows program keeps the debug flag in its version block) whose debug
# information stays in the build folder.
add_link_options(-s)

if(WIN32)
    # A PE header carries its link time unless told not to.
    add_link_options(LINKER:--no-insert-timestamp)
endif()

# Static libraries without member dates, owners or modes. Debian's ar does
# this by default; other binutils may not.
foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()
