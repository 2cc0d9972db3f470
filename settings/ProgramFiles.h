#pragma once

// Where a program of ours finds its own files: the INI file and the
// helicopter model live beside the executable, so a copy under another name
// or in another folder keeps its own. The viewer and oxvtool share these.

#include <string>

namespace oxv {

// The program's own path, symbolic links resolved; empty if unknown.
std::string ExecutablePath();

// The INI file beside an executable, named after it: /opt/x/viewer ->
// /opt/x/viewer.ini, /opt/x/viewer.bin -> /opt/x/viewer.ini.
std::string IniPathForExecutable(const std::string& exePath);

// "model/gray.obj" in the folder of the executable.
std::string ModelPathForExecutable(const std::string& exePath);

}  // namespace oxv
