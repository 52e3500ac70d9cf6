#pragma once
// Kovrin's own modules (kovrin-tls.so, kovrin-sqlite.so): libraries a program maps only when it first needs
// what they hold. A bare name is looked for along the program's own library search path (LD_LIBRARY_PATH,
// then its RUNPATH: the build tree's module folders), read from the program itself rather than left to
// dlopen, which would search the path of whichever object called it (a sanitizer's runtime, for one); then
// in the installation's private folder beside the program's bin/ (lib/<multiarch>/kovrin, under any prefix);
// then in the package's, /usr/lib/<multiarch>/kovrin, for a copy of a program run from a folder of its own.
// A module whose file or folder another user owns or may write is never loaded.

#include <string>

// The entry Symbol of the module Name (a file name to look for, or a path with a "/" taken as it stands),
// which stays loaded for the rest of the run. Null with Error set to the loader's words when the module
// cannot be loaded or lacks the entry. Loads afresh on every call: callers keep what they get.
void* PrivateModuleEntry(const std::string& Name, const char* Symbol, std::string& Error);
