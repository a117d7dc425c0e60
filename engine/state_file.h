// "veltrano-<session>.hidden": the on-disk copy of the hidden set, read back by the watchdog or the next
// start.
#pragma once
#include <windows.h>

#include <string>

std::wstring StateFilePath();
void WriteStateFile();
int RestoreFromStateFile();
