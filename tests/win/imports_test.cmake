# Fails when the exe imports a library the system would not take from System32 alone: anything but the known DLLs
# and comctl32, which the manifest selects. Usage: cmake -DOBJDUMP=... -DEXE=... -P imports_test.cmake
cmake_minimum_required(VERSION 3.20)
set(allowed advapi32 combase comctl32 comdlg32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 psapi rpcrt4 sechost
  shcore shell32 shlwapi user32 ws2_32)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
if(NOT imports)
  message(FATAL_ERROR "no import table read from ${EXE}")
endif()
foreach(line ${imports})
  string(REGEX REPLACE "^DLL Name: (.+)\\.[dD][lL][lL]$" "\\1" library "${line}")
  string(TOLOWER "${library}" library)
  message(STATUS "${line}")
  if(NOT library IN_LIST allowed)
    message(SEND_ERROR "${EXE} imports ${library}, which the system may load from the exe's own folder")
  endif()
endforeach()
