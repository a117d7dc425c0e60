// Where the running program lies, and the files kept beside it.
#pragma once
#include <string>
#include <string_view>

// Full path of the running executable, and of a file beside it.
std::wstring ExecutablePath();
std::wstring PathBesideExecutable(std::wstring_view fileName);
