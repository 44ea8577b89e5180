# Cross build of the programs for 64-bit Windows with Debian's mingw-w64
# toolchain. It stands in for the 32-bit deliverables where a 32-bit Windows
# cannot run them: the tests run these under wine64. Same sources, same
# static runtime; long double is the x87 80-bit type here as well.
#
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
#         -DCMAKE_BUILD_TYPE=Release -DPARHISTOS_TESTS=OFF
#   cmake --build build-win64 --target parhistos50 parhistos40
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
