#pragma once
// Where "settings.xml" lives: beside the executable when that folder can be written, else in the user's
// configuration folder, so an installed copy does not lose its settings at every exit.

#include <filesystem>
#include <string>

// ExeDir / "settings.xml" when ExeDir is writable (or the file there is); otherwise
// $XDG_CONFIG_HOME/kovrin/settings.xml (else ~/.config/kovrin/settings.xml), creating that folder.
std::filesystem::path SettingsFilePath(const std::filesystem::path& ExeDir);

// The user's configuration home: $XDG_CONFIG_HOME when set and absolute, else $HOME/.config.
std::filesystem::path ConfigHome();

// Writes Bytes to Target atomically: a temporary file in the same folder, flushed and fsynced, then renamed
// over Target. False on any failure; the previous file is then untouched and the temporary file removed.
bool AtomicWriteFile(const std::filesystem::path& Target, const std::string& Bytes);
