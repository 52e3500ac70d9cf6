#pragma once
// Shared by the window tests: the program's start up to its windows (a fresh settings document in ConfigDoc,
// no job runner, nothing written at the end), a recording error box, a recording link opener, and an empty
// names table; everything put back afterwards by the program's stop.

#include "app/Program.h"
#include "globals/Globals.h"
#include "tests/support/TempDir.h"
#include "ui/ErrorBox.h"
#include "ui/Opener.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

class TMainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        TProgramOptions options;
        options.SettingsFile = FDir / "settings.xml";
        options.JobRunner = false;
        options.SaveSettings = false;
        options.QuitSignals = false;
        options.HistoryFile = std::filesystem::path();
        FProgram = std::make_unique<TProgram>(options);
        ASSERT_TRUE(FProgram->Open());
        FPreviousBox = SetErrorBox([this](const QString& caption, const QString& text) {
            BoxCaptions << caption;
            BoxTexts << text;
        });
        FPreviousOpener = SetUrlOpener([this](const QString& url) { Opened << url; });
        NamesTable.clear();
    }
    void TearDown() override {
        SetErrorBox(FPreviousBox);
        SetUrlOpener(FPreviousOpener);
        FProgram.reset();
    }

    // The stored text of Key; nullopt when missing or empty.
    static std::optional<std::string> Stored(const std::string& Key) {
        std::string value;
        if (ConfigRead(ConfigDoc, Key, value)) {
            return value;
        }
        return std::nullopt;
    }

    TTempDir FDir;
    QStringList BoxCaptions;
    QStringList BoxTexts;
    QStringList Opened;

  private:
    std::unique_ptr<TProgram> FProgram;
    TErrorBox FPreviousBox;
    TUrlOpener FPreviousOpener;
};
