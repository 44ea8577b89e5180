# The programs as 32-bit x86 Linux executables (g++-multilib), statically
# linked so that qemu-i386-static runs them without a 32-bit system. The
# tests use them to run the 32-bit arithmetic of the deliverables (SSE2
# doubles, x87 long double intermediates) on a 64-bit host.
#
#   cmake -S . -B build-m32 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake \
#         -DCMAKE_BUILD_TYPE=Release -DPARHISTOS_TESTS=OFF
#   cmake --build build-m32 --target parhistos50 parhistos40
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
