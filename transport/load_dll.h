#pragma once
// Finds and loads a run-time library.

#include <string>

namespace zep {

// Searched in order: the explicit path when it is absolute; baseDirectory + "Bin/" + fileName;
// baseDirectory + fileName; then the system's library search with the bare file name.
// On success *handle is the dlopen handle.
bool LoadDLL(void** handle, const std::string& fileName, const std::string& baseDirectory,
             const std::string& explicitPath);

// Releases a library loaded by LoadDLL (logs "Releasing DLL %s.").
void ReleaseDLL(void* handle, const std::string& fileName);

// Collapses doubled slashes, removes "../" and "./" sequences, cuts trailing spaces and dots.
std::string NormaliseLibraryPath(const std::string& path);

// The directory of the running executable, with a trailing "/".
std::string ProgramDirectory();

} // namespace zep
