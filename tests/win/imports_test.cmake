# Fails when the exe imports a library the system might take from elsewhere than System32: any but the known DLLs
# and comctl32, which the manifest selects. Usage: cmake -DOBJDUMP=... -DEXE=... -P imports_test.cmake
cmake_minimum_required(VERSION 3.20)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
string(TOLOWER "${headers}" headers)
string(REGEX MATCHALL "dll name: [^\r\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "^dll name: (.+)\\.dll$" "\\1")
message(STATUS "${EXE} imports: ${imports}")
list(REMOVE_ITEM imports advapi32 combase comctl32 comdlg32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 psapi rpcrt4
  sechost shcore shell32 shlwapi user32 ws2_32)
if(imports OR NOT headers MATCHES "dll name: kernel32")
  message(FATAL_ERROR "libraries the system may load from the exe's own folder: ${imports}")
endif()
