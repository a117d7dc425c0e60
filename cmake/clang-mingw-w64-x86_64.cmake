# Cross-compiles the Windows executable with Clang against Debian's MinGW-w64 headers and libraries (posix threads
# flavour): a second compiler's warnings on the same code, and the compile database for clang-tidy.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES clang-14 clang REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES clang++-14 clang++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${triple}-windres REQUIRED)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})

# Clang cannot read Debian's GCC folder name ("12-posix") as a version, so it finds neither libstdc++ nor libgcc:
# ask MinGW's GCC where they are. The sysroot keeps the host's /usr/include out of the search path.
find_program(mingw_gcc NAMES ${triple}-gcc-posix ${triple}-gcc REQUIRED)
execute_process(COMMAND ${mingw_gcc} -print-libgcc-file-name OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(gcc_dir ${libgcc} DIRECTORY)
set(CMAKE_SYSROOT /usr/${triple})
set(cxx_include ${gcc_dir}/include/c++)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${cxx_include} -isystem ${cxx_include}/${triple} -isystem ${cxx_include}/backward")
# LLVM's linker: GNU ld warns about every type name of libstdc++, which GCC spells with a leading '*' and Clang
# without. -pthread brings winpthreads, which the posix flavour of libgcc needs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${gcc_dir} -pthread")

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
