# Windows programs and DLLs with chosen imports, made with MinGW's own tools,
# in the Linux build as in the Windows one: for each imported DLL dlltool turns
# a .def file into an import library, and the program calls one function of
# each, so that the linker keeps the import.
#
#   trevalo_pe_fixture(<file> <32|64> [<imported dll>...] [DELAY <dll>...] [VERSION <a,b,c,d>])
#
# The DLLs after DELAY are delay-loaded: dlltool makes a delay-import library.
# VERSION gives the file a version resource with that file version (windres).
#
# A <file> ending in .dll is made as a DLL. Fixtures land in the folder
# "fixtures" beside the test programs; the target trevalo_fixtures makes them.
#
# Without MinGW-w64 (an MSVC build, a machine without the mingw-w64 package)
# TREVALO_HAVE_FIXTURES is 0, there are no fixture targets, and the tests that
# read fixtures skip. TREVALO_MINGW_FIXTURES=OFF configures so where MinGW-w64 is
# installed, as CI does to keep that suite passing.
option(TREVALO_MINGW_FIXTURES "Make the tests' Windows programs with MinGW-w64 where it is found" ON)
if(TREVALO_MINGW_FIXTURES)
    find_program(TREVALO_MINGW64_GCC x86_64-w64-mingw32-gcc)
    find_program(TREVALO_MINGW64_DLLTOOL x86_64-w64-mingw32-dlltool)
    find_program(TREVALO_MINGW32_GCC i686-w64-mingw32-gcc)
    find_program(TREVALO_MINGW32_DLLTOOL i686-w64-mingw32-dlltool)
    find_program(TREVALO_MINGW64_WINDRES x86_64-w64-mingw32-windres)
endif()
if(TREVALO_MINGW_FIXTURES AND TREVALO_MINGW64_GCC AND TREVALO_MINGW64_DLLTOOL AND TREVALO_MINGW64_WINDRES
    AND TREVALO_MINGW32_GCC AND TREVALO_MINGW32_DLLTOOL)
    set(TREVALO_HAVE_FIXTURES 1)
    set(TREVALO_FIXTURES_DIR ${CMAKE_CURRENT_BINARY_DIR}/fixtures)
    add_custom_target(trevalo_fixtures ALL)
elseif(NOT TREVALO_MINGW_FIXTURES)
    set(TREVALO_HAVE_FIXTURES 0)
    message(STATUS "TREVALO_MINGW_FIXTURES is OFF: the tests that read Windows programs are skipped")
else()
    set(TREVALO_HAVE_FIXTURES 0)
    message(STATUS "MinGW-w64's gcc and dlltool (32 and 64 bit) not found: the tests that read "
        "Windows programs are skipped (apt-get install mingw-w64, then configure again)")
endif()

function(trevalo_pe_fixture file bits)
    set(work ${CMAKE_CURRENT_BINARY_DIR}/fixture-sources/${file})
    if(bits EQUAL 32)
        set(gcc ${TREVALO_MINGW32_GCC})
        # 32-bit C names carry a leading underscore that the DLL's exports lack.
        set(dlltool ${TREVALO_MINGW32_DLLTOOL} --add-underscore)
    else()
        set(gcc ${TREVALO_MINGW64_GCC})
        set(dlltool ${TREVALO_MINGW64_DLLTOOL})
    endif()

    set(declarations "")
    set(calls "0")
    set(libraries "")
    set(commands "")
    set(library -l)
    set(version "")
    foreach(dll IN LISTS ARGN)
        if(dll STREQUAL "DELAY")
            set(library --output-delaylib)
            continue()
        elseif(dll STREQUAL "VERSION")
            set(version 1)
            continue()
        elseif(version STREQUAL "1")
            set(version ${dll})
            file(WRITE ${work}/version.rc "1 VERSIONINFO\nFILEVERSION ${dll}\nPRODUCTVERSION ${dll}\n"
                "BEGIN\nBLOCK \"StringFileInfo\"\nBEGIN\nBLOCK \"040904b0\"\nBEGIN\n"
                "VALUE \"FileDescription\", \"${file}\"\nEND\nEND\nEND\n")
            list(APPEND commands COMMAND ${TREVALO_MINGW64_WINDRES} ${work}/version.rc -o ${work}/version.o)
            list(APPEND libraries ${work}/version.o)
            continue()
        endif()
        string(MAKE_C_IDENTIFIER "${dll}" function)
        file(WRITE ${work}/${function}.def "LIBRARY \"${dll}\"\nEXPORTS\n    ${function}\n")
        list(APPEND commands COMMAND ${dlltool} -d ${work}/${function}.def ${library} ${work}/lib${function}.a)
        list(APPEND libraries ${work}/lib${function}.a)
        string(APPEND declarations "extern int ${function}(void);\n")
        string(APPEND calls " + ${function}()")
    endforeach()
    if(file MATCHES "\\.dll$")
        file(WRITE ${work}/source.c "${declarations}__declspec(dllexport) int fixture(void) { return ${calls}; }\n")
        set(shared -shared)
    else()
        file(WRITE ${work}/source.c "${declarations}int main(void) { return ${calls}; }\n")
        set(shared "")
    endif()

    add_custom_command(OUTPUT ${TREVALO_FIXTURES_DIR}/${file}
        ${commands}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TREVALO_FIXTURES_DIR}
        COMMAND ${gcc} ${shared} -s -o ${TREVALO_FIXTURES_DIR}/${file} ${work}/source.c ${libraries}
        DEPENDS ${CMAKE_CURRENT_LIST_FILE}
        VERBATIM)
    string(MAKE_C_IDENTIFIER "fixture_${file}" target)
    add_custom_target(${target} DEPENDS ${TREVALO_FIXTURES_DIR}/${file})
    add_dependencies(trevalo_fixtures ${target})
endfunction()
