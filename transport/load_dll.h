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

// The folder a private run-time library of the programs is loaded from, with a trailing "/":
// the program's own folder when the library lies there (a build tree), else the installed
// tree's private library folder when it holds it, else the program's folder. The result is
// a real path: LoadDLL drops "../" rather than resolving it.
std::string PrivateLibraryDirectory(const std::string& fileName);
// The same search from a given program folder (for the tests).
std::string PrivateLibraryDirectoryFrom(const std::string& programDirectory,
                                        const std::string& fileName);

} // namespace zep
