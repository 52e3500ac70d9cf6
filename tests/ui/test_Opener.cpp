#include "ui/Opener.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// The desktop's own opener, with an xdg-open of our making the only program on PATH.
class DesktopOpener : public testing::Test {
  protected:
    void SetUp() override {
        FPrevious = SetUrlOpener({});
        FPath.emplace("PATH", FDir.Path().string());
    }
    void TearDown() override {
        FPath.reset();
        SetUrlOpener(FPrevious);
        for (QWidget* box : OpenBoxes())
            delete box;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the ended xdg-open runs
    }

    // An xdg-open that notes its arguments and exits with Code.
    void FakeXdgOpen(int Code) {
        const std::filesystem::path script = FDir / "xdg-open";
        WriteFileBytes(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"${0%/*}/args\"\nexit " +
                                   std::to_string(Code) + "\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    }

    std::string Args() const { return ReadFileBytes(FDir / "args"); }

    static QList<QMessageBox*> OpenBoxes() {
        QList<QMessageBox*> boxes;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(window); box != nullptr && box->isVisible())
                boxes << box;
        return boxes;
    }

    TTempDir FDir;
    std::optional<TScopedEnv> FPath;
    TUrlOpener FPrevious;
};

TEST_F(DesktopOpener, AnXdgOpenThatFailsIsToldInTheBoxOnceItEnds) {
    FakeXdgOpen(3); // "no method available"
    const QString url = QStringLiteral("http://127.0.0.1:8765/click/42");
    OpenUrl(url);
    ASSERT_TRUE(QTest::qWaitFor([] { return OpenBoxes().size() == 1; }, 10000));
    EXPECT_TRUE(OpenBoxes().front()->text().endsWith(url));
    EXPECT_EQ(Args(), url.toStdString() + "\n");
    EXPECT_EQ(DesktopOpensUnderWay(), 0);
}

TEST_F(DesktopOpener, AnXdgOpenThatSucceedsShowsNothingAndAnAddressIsNeverAnOption) {
    FakeXdgOpen(0);
    OpenUrl(QStringLiteral("mailto:a@b.c"));
    ASSERT_TRUE(QTest::qWaitFor([] { return DesktopOpensUnderWay() == 0; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(OpenBoxes().isEmpty());
    EXPECT_EQ(Args(), "mailto:a@b.c\n");

    std::filesystem::remove(FDir / "args");
    OpenUrl(QStringLiteral("--help"));
    EXPECT_EQ(OpenBoxes().size(), 1);
    EXPECT_EQ(DesktopOpensUnderWay(), 0);
    EXPECT_FALSE(std::filesystem::exists(FDir / "args"));
}

} // namespace
