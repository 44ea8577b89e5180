# Cross build of the Windows deliverables: 32-bit x86 console programs
# (PE32, Intel 80386) with Debian's mingw-w64 toolchain.
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
#         -DCMAKE_BUILD_TYPE=Release -DPARHISTOS_TESTS=OFF
#   cmake --build build-win32 --target parhistos50 parhistos40
#
# Doubles are computed in SSE2 registers, so a double never carries x87
# excess precision from one step to the next; only long double uses the x87
# unit (PlatformInit sets its 64-bit significand). The runtime is linked in
# statically: the programs import nothing beyond KERNEL32.dll and msvcrt.dll.
set(PH_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
