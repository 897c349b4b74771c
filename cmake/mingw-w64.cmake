# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads flavour, so that
# std::thread works); programs are linked statically and run through Wine when cross-built.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SORBEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SORBEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SORBEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SORBEL_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW tree only; programs found run on this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${SORBEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe without DLLs beside it: libgcc, libstdc++ and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# A program that starts at wmain (wide arguments, so that Japanese names survive any code page)
# links with -municode: target_link_options(name PRIVATE -municode).

# ctest and custom commands run the .exe files under Wine, headless, in code page 932.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
