#pragma once
// Where the history lives and the checks before it is opened: the folder is the user's alone (0700, owned,
// no symbolic link), the file too (0600, a regular file, no symbolic link).

#include <filesystem>
#include <string>

// DataHome() / "kovrin" / "history.sqlite". Never throws.
std::filesystem::path HistoryFilePath();

// Makes File's folder (PreparePrivateFolder: 0700, the user's own) and File (0600) when missing, and takes
// group and other permissions off File when present. False, with Problem saying why, when the folder is not
// a private folder, or the file is a symbolic link, no regular file, or someone else's, or cannot be made.
// Never throws.
bool PrepareHistoryFile(const std::filesystem::path& File, std::string& Problem) noexcept;

// File as SQLite should open it: the folders above File's own folder resolved (realpath), because SQLite,
// told not to follow links, refuses one anywhere in the path, and those folders may well be links (/home on
// some systems, a data folder moved to another disk). File's folder and File itself stay as named, so a link
// there is still refused. File unchanged when the folders cannot be resolved. Never throws but for memory.
std::filesystem::path HistoryOpenPath(const std::filesystem::path& File);

// Moves a damaged File aside as File + ".damaged", or ".damaged.1", ".damaged.2", ... when an earlier copy
// is there (FreeDamagedCopyName: none is ever replaced), its journal files along with it, so a new store can
// start; Aside receives the name. False with Problem when it cannot be moved. Never throws.
bool MoveDamagedAside(const std::filesystem::path& File, std::filesystem::path& Aside,
                      std::string& Problem) noexcept;
