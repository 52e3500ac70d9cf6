#include "settings/SettingsAutosave.h"

TSettingsAutosave::TOutcome TSettingsAutosave::SaveIfChanged(const TConfigDoc& Doc,
                                                             const std::filesystem::path& File) {
    std::optional<std::string> now = ConfigFileText(Doc);
    if (!now || now == FSaved) {
        return TOutcome::Unchanged;
    }
    if (!ConfigSave(Doc, File)) {
        return TOutcome::Failed;
    }
    FSaved = std::move(now);
    return TOutcome::Saved;
}
