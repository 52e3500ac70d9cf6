#include "ui/ErrorBox.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "ui/Opener.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(ErrorBox, AddsAFullStopOnlyAfterCharactersAboveIt) {
    struct TCase {
        QString Text;
        QString Shown;
    };
    const TCase cases[] = {
        {"", ""},
        {"Failed to Load Stream", "Failed to Load Stream."},
        {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
        {"Готово.", "Готово."},
        {"Что?", "Что?."},              // '?' comes after '.' in code order
        {"Ошибка!", "Ошибка!"},         // '!' comes before '.'
        {"(в скобках)", "(в скобках)"}, // ')' comes before '.'
        {"путь /tmp/", "путь /tmp/."},  // '/' comes right after '.'
        {"тире -", "тире -"},
        {"Ошибка", "Ошибка."},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(WithFullStop(c.Text), c.Shown) << c.Text.toStdString();
    }
}

TEST(ErrorBox, ShowsTheTextUnderTheApplicationTitleInTheInjectedBox) {
    const QString previousName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("Kovrin");
    QString caption;
    QString text;
    TErrorBox previous = SetErrorBox([&](const QString& c, const QString& t) {
        caption = c;
        text = t;
    });
    ShowErrorBox("Element does not contain a single text node");
    SetErrorBox(previous);
    QCoreApplication::setApplicationName(previousName);
    EXPECT_EQ(caption, "Kovrin");
    EXPECT_EQ(text, "Element does not contain a single text node.");
}

} // namespace

namespace {

TEST(OpenFailureBox, ShowsTheAddressAndItsButtonCopiesIt) {
    const QString url = QStringLiteral("http://127.0.0.1:8765/click/42");
    const std::unique_ptr<QMessageBox> box = OpenFailureBox(url);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_TRUE(box->text().endsWith(url));
    QGuiApplication::clipboard()->clear();
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Скопировать адрес"));
    box->defaultButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), url);
}

// The desktop's opener with a fake xdg-open alone on PATH: its exit status decides whether the box shows.
TEST(OpenFailureBox, ShowsOnceXdgOpenExitsInFailureAndNeverAfterSuccess) {
    const TTempDir dir;
    const TScopedEnv path("PATH", dir.Path().string());
    const TUrlOpener previous = SetUrlOpener({});
    for (const int code : {0, 3, 0}) { // 3: "no method available"
        WriteFileBytes(dir / "xdg-open",
                       "#!/bin/sh\necho \"$1\" >\"${0%/*}/arg\"\nexit " + std::to_string(code));
        std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
        OpenUrl("http://x.example/" + QString::number(code));
        ASSERT_TRUE(QTest::qWaitFor([] { return DesktopOpensUnderWay() == 0; }, 10000));
        QCoreApplication::processEvents();
        EXPECT_EQ(ReadFileBytes(dir / "arg"), "http://x.example/" + std::to_string(code) + "\n");
        EXPECT_EQ(QApplication::activeModalWidget() != nullptr, code != 0) << code;
        delete QApplication::activeModalWidget();
    }
    SetUrlOpener(previous);
}

} // namespace
