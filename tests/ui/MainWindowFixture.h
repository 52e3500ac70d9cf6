#pragma once
// Shared by the window tests: a fresh settings document in ConfigDoc, a recording error box, a recording link
// opener, and an empty names table; everything put back afterwards.

#include "globals/Globals.h"
#include "tests/support/TempDir.h"
#include "ui/ErrorBox.h"
#include "ui/Opener.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <optional>
#include <string>

class TMainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ConfigOpen(ConfigDoc, FDir / "settings.xml", "settings"));
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
        ConfigDoc.reset();
        NamesTable.clear();
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
    TErrorBox FPreviousBox;
    TUrlOpener FPreviousOpener;
};
