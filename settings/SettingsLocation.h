#pragma once
// Where "settings.xml" lives: beside the executable when that folder is the user's own (a portable copy),
// else in the user's configuration folder, so an installed copy neither loses its settings at every exit nor
// writes them into a system folder.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

// True when Folder is the user's own: this process may create files in it (a save writes a new file there
// and renames it), its owner is this process's user, and it lies outside /usr and /opt (links resolved).
// Never throws.
bool IsPortableFolder(const std::filesystem::path& Folder);

// ExeDir / "settings.xml" when IsPortableFolder(ExeDir); otherwise ConfigHome() / "kovrin" / "settings.xml",
// creating that folder. Never throws.
std::filesystem::path SettingsFilePath(const std::filesystem::path& ExeDir);

// The file a first start from the user's configuration folder begins with: ExeDir / "settings.xml", when
// SettingsFile lies elsewhere and does not exist yet, and that file is a regular file in a folder both owned
// by this user or by root and neither writable by others (so nobody else could have planted the service it
// names). Empty otherwise. Never throws.
std::filesystem::path SettingsSeedFile(const std::filesystem::path& ExeDir,
                                       const std::filesystem::path& SettingsFile);

// The user's configuration home: $XDG_CONFIG_HOME when set and absolute, else $HOME/.config. Never throws.
std::filesystem::path ConfigHome();

// The user's cache home: $XDG_CACHE_HOME when set and absolute, else $HOME/.cache. Never throws.
std::filesystem::path CacheHome();

// The user's data home: $XDG_DATA_HOME when set and absolute, else $HOME/.local/share. Never throws.
std::filesystem::path DataHome();

// Where a save of File goes: File itself, or, when it is a symbolic link, the file it leads to, followed link
// by link (one that leads nowhere yet included: the file is made there). Never throws but for memory.
std::filesystem::path LinkedFile(const std::filesystem::path& File);

// Writes Bytes to Target atomically: a temporary file in the same folder, flushed and fsynced, then renamed
// over Target (keeping Target's permissions). False on any failure; the previous file is then untouched and
// the temporary file removed. After a save, temporary files that interrupted saves of Target left behind are
// removed. Never throws.
bool AtomicWriteFile(const std::filesystem::path& Target, const std::string& Bytes);
// The same for the bytes of Pieces one after the other, so a large file needs no copy joined in memory. With
// Mode 0 or more, the new file gets exactly that mode (from its creation on) instead of Target's.
bool AtomicWriteFile(const std::filesystem::path& Target, std::span<const std::string_view> Pieces,
                     int Mode = -1);
