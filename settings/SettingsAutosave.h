#pragma once
// Writes settings.xml while the program runs, soon after something in it changed, so that a crash, a lost X
// connection or a power cut costs the last moments instead of the whole run. The bytes are the ones the save
// at exit writes; while nothing changes, nothing is written.

#include "settings/XMLConf.h"

#include <filesystem>
#include <optional>
#include <string>

class TSettingsAutosave {
  public:
    enum class TOutcome { Unchanged, Saved, Failed };

    // Notes what Doc holds now as what its file holds (after the load, or a save made elsewhere).
    void NoteSaved(const TConfigDoc& Doc) { FSaved = ConfigFileText(Doc); }
    // Writes Doc to File when it would write other bytes than were last noted or written. A failed write is
    // tried again at the next call. Never throws.
    TOutcome SaveIfChanged(const TConfigDoc& Doc, const std::filesystem::path& File);

  private:
    std::optional<std::string> FSaved;
};
