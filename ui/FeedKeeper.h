#pragma once
// Keeping the feeds for the next start without holding up the window: each body is written to the cache
// folder on a job of its own.

#include "ui/UnitMain.h"

#include <filesystem>

// A keeper for TFormMain::SetFeedKeeper that writes each body (with the time now) into Folder on a job of
// JobControl; without a job runner, or when no thread can be had, it writes at once. Never throws.
TFormMain::TFeedKeeper BackgroundFeedKeeper(std::filesystem::path Folder);
