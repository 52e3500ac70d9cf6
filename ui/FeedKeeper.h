#pragma once
// Keeping the feeds for the next start without holding up the window: a refresh's bodies are written to the
// cache folder on one job.

#include "ui/UnitMain.h"

#include <filesystem>

// A keeper for TFormMain::SetFeedKeeper that writes the bodies (each with the time it came) into Folder on
// one job of JobControl; without a job runner, or when no thread can be had, it writes at once. Never throws.
TFormMain::TFeedKeeper BackgroundFeedKeeper(std::filesystem::path Folder);
