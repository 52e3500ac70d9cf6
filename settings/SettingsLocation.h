#pragma once
// Where "settings.xml" lives: beside the executable when that folder can be written, else in the user's
// configuration folder, so an installed copy does not lose its settings at every exit.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

// ExeDir / "settings.xml" when this process may create files in ExeDir (a save writes a new file there and
// renames it); otherwise ConfigHome() / "kovrin" / "settings.xml", creating that folder. Never throws.
std::filesystem::path SettingsFilePath(const std::filesystem::path& ExeDir);

// The user's configuration home: $XDG_CONFIG_HOME when set and absolute, else $HOME/.config. Never throws.
std::filesystem::path ConfigHome();

// The user's cache home: $XDG_CACHE_HOME when set and absolute, else $HOME/.cache. Never throws.
std::filesystem::path CacheHome();

// The user's data home: $XDG_DATA_HOME when set and absolute, else $HOME/.local/share. Never throws.
std::filesystem::path DataHome();

// Writes Bytes to Target atomically: a temporary file in the same folder, flushed and fsynced, then renamed
// over Target (keeping Target's permissions). False on any failure; the previous file is then untouched and
// the temporary file removed. After a save, temporary files that interrupted saves of Target left behind are
// removed. Never throws.
bool AtomicWriteFile(const std::filesystem::path& Target, const std::string& Bytes);
// The same for the bytes of Pieces one after the other, so a large file needs no copy joined in memory. With
// Mode 0 or more, the new file gets exactly that mode (from its creation on) instead of Target's.
bool AtomicWriteFile(const std::filesystem::path& Target, std::span<const std::string_view> Pieces,
                     int Mode = -1);
