# Cross build of the programs for 64-bit Windows with Debian's mingw-w64
# toolchain. It stands in for the 32-bit deliverables where a 32-bit Windows
# cannot run them: the tests run these under wine64. Same sources, same
# static runtime; long double is the x87 80-bit type here as well.
#
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
#         -DCMAKE_BUILD_TYPE=Release -DPARHISTOS_TESTS=OFF
#   cmake --build build-win64 --target parhistos50 parhistos40
set(PH_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
