# Cross-builds Trevalo for 64-bit Windows with MinGW-w64 on Linux:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DTREVALO_QT_KIT=/path/to/qt5-mingw
# TREVALO_QT_KIT is a Qt 5 or Qt 6 kit built for Windows with the same
# compilers. Its
# Windows programs run under wine through tools/wine-run.sh, so ctest runs the
# Windows tests as they are.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The -posix compilers: the -win32 ones lack C++ threads, and the kit was built
# with these.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Checks inside try_compile() read the toolchain file again; pass the kit on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TREVALO_QT_KIT)
set(TREVALO_QT_KIT "" CACHE PATH "Qt kit built for Windows with MinGW-w64")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${TREVALO_QT_KIT})
list(APPEND CMAKE_PREFIX_PATH ${TREVALO_QT_KIT})
# Programs (the kit's moc, uic and rcc) are Linux ones; libraries and headers
# come from the kit and the MinGW sysroot only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A Qt 6 kit runs the host's moc, uic and rcc through the host's own Qt 6 of
# the same version (Debian's qt6-base-dev-tools); a Qt 5 kit brings its own.
if(EXISTS ${TREVALO_QT_KIT}/lib/cmake/Qt6)
    set(QT_HOST_PATH /usr CACHE PATH "The host's Qt 6, for moc, uic and rcc")
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/cmake CACHE PATH
        "The host's Qt 6 CMake packages")
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh ${TREVALO_QT_KIT}/bin)
