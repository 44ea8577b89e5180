# Settings shared by the mingw-w64 toolchain files: the caller sets
# PH_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) and includes this.
# The win32 thread model: the programs run on one thread and need no
# winpthread. The runtime is linked in statically, so the programs import
# nothing beyond KERNEL32.dll and msvcrt.dll.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${PH_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${PH_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${PH_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
