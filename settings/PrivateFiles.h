#pragma once
// Folders and files that hold what belongs to one user alone (kept feeds, history): the folder is the user's
// own and writable by no one else, created 0700; files in it are opened without following a link and created
// 0600, so that neither a planted link nor another user's folder can send the user's data elsewhere or feed
// someone else's file to the program.

#include "settings/RegularFile.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

// Makes Folder ready to hold private files: created 0700 (missing parents 0700 too) when absent; an existing
// one must be a folder itself, not a symbolic link, owned by this process's user, and not writable by group
// or others. False with Problem saying why when it is not so. Never throws.
bool PreparePrivateFolder(const std::filesystem::path& Folder, std::string& Problem);

// ReadRegularFile for a file in a private folder: a symbolic link at Path is not followed (NotRegular, "a
// symbolic link"), nor is a file owned by another user read (Failed). Never throws but for memory.
TFileRead ReadPrivateFile(const std::filesystem::path& Path, std::string& Bytes, std::string& Error,
                          std::size_t MaxBytes = static_cast<std::size_t>(-1));

// AtomicWriteFile for a file in a private folder: the new file has mode 0600 whatever stood at Target, and
// a link at Target is replaced, never followed. Never throws.
bool WritePrivateFile(const std::filesystem::path& Target, std::span<const std::string_view> Pieces);
