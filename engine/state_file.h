// "veltrano-<session>.hidden" beside the exe (for an elevated run, a name made from that path in the
// admin-only folder): the on-disk copy of the hidden set, read back by the watchdog or the next start.
#pragma once
#include <windows.h>

#include <string>

std::wstring StateFilePath();
void WriteStateFile();
int RestoreFromStateFile();
