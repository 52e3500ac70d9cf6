// Desktop notifications over a private session bus with a stand-in for the desktop's notification service:
// what is sent, how a click comes back, and the fall back to the next way when nobody answers.
#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "ui/Notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

const std::string kDbusDaemon = "/usr/bin/dbus-daemon";

// What the desktop's service is asked to show.
class TFakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    QStringList Summaries;
    QStringList Bodies;
    QStringList Actions;
    QVariantMap Hints;

  public slots:
    uint Notify(const QString& App, uint Replaces, const QString& Icon, const QString& Summary,
                const QString& Body, const QStringList& ActionList, const QVariantMap& HintMap, int Timeout) {
        Q_UNUSED(App);
        Q_UNUSED(Replaces);
        Q_UNUSED(Icon);
        Q_UNUSED(Timeout);
        Summaries << Summary;
        Bodies << Body;
        Actions = ActionList;
        Hints = HintMap;
        return 40 + static_cast<uint>(Summaries.size());
    }
};

// A private bus for one test.
class Notifications : public testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(kDbusDaemon)) {
            GTEST_SKIP() << kDbusDaemon << " is not installed (package dbus-daemon)";
        }
        Bus = std::make_unique<TBackgroundChild>(
            kDbusDaemon, std::vector<std::string>{"--session", "--nofork", "--print-address=1",
                                                  "--address=unix:path=" + (Dir / "bus").string()});
        const std::optional<std::string> address = Bus->ReadOutLine(10s);
        ASSERT_TRUE(address) << "dbus-daemon did not start";
        Address = QString::fromStdString(*address);
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(QStringLiteral("kovrin-test-service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("kovrin-test-client"));
        Bus.reset();
    }

    QDBusConnection Connect(const QString& Name) { return QDBusConnection::connectToBus(Address, Name); }

    TTempDir Dir;
    std::unique_ptr<TBackgroundChild> Bus;
    QString Address;
};

TEST_F(Notifications, ANoticeGoesToTheDesktopsServiceAndItsClickComesBack) {
    QDBusConnection service = Connect(QStringLiteral("kovrin-test-service"));
    ASSERT_TRUE(service.isConnected());
    TFakeNotifications fake;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

    TNotifier notifier;
    auto* dbus = new TDBusNoticeSink(nullptr, Connect(QStringLiteral("kovrin-test-client")));
    notifier.AddSink(dbus);
    QStringList lastResort;
    notifier.SetLastResort([&](const TNotice& Notice) { lastResort << Notice.Text; });
    QSignalSpy activated(&notifier, &TNotifier::Activated);
    notifier.Notify({QStringLiteral("Kovrin"), QStringLiteral("За 1 A & B дают <2> C"),
                     QStringLiteral("A & B"), QStringLiteral("C")});
    QTRY_COMPARE_WITH_TIMEOUT(fake.Summaries.size(), 1, 5000);
    EXPECT_EQ(fake.Summaries[0], "Kovrin");
    EXPECT_EQ(fake.Bodies[0], "За 1 A &amp; B дают &lt;2&gt; C");
    EXPECT_TRUE(fake.Actions.contains(QStringLiteral("default")));
    EXPECT_EQ(fake.Hints.value(QStringLiteral("desktop-entry")).toString(), "io.github.kovrin.Kovrin");

    // Another program's notification is none of ours; ours comes back with its pair.
    for (const uint id : {uint(99), uint(41)}) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << id << QStringLiteral("default");
        ASSERT_TRUE(service.send(signal));
    }
    QTRY_COMPARE_WITH_TIMEOUT(activated.size(), 1, 5000);
    QTest::qWait(100);
    EXPECT_EQ(activated.size(), 1);
    const TNotice notice = activated[0][0].value<TNotice>();
    EXPECT_EQ(notice.Give, "A & B");
    EXPECT_EQ(notice.Get, "C");
    EXPECT_TRUE(lastResort.isEmpty());
}

TEST_F(Notifications, ABusWithoutTheServiceFallsBackToTheNextWay) {
    TNotifier notifier;
    notifier.AddSink(new TDBusNoticeSink(nullptr, Connect(QStringLiteral("kovrin-test-client"))));
    notifier.AddSink(new TTrayNoticeSink(nullptr));
    QStringList lastResort;
    notifier.SetLastResort([&](const TNotice& Notice) { lastResort << Notice.Text; });
    notifier.Notify(
        {QStringLiteral("Kovrin"), QStringLiteral("text"), QStringLiteral("A"), QStringLiteral("B")});
    QTRY_COMPARE_WITH_TIMEOUT(lastResort.size(), 1, 8000);
    EXPECT_EQ(lastResort[0], "text");
}

TEST(SilentSessionBus, AnAlertFallsBackWithinTheBoundInsteadOfHoldingTheWindow) {
    // A session bus that accepts and never says a word.
    TTempDir dir;
    const std::string path = (dir / "bus").string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 8), 0);
    TScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path);

    TNotifier notifier;
    notifier.AddSink(new TDBusNoticeSink);
    QStringList lastResort;
    notifier.SetLastResort([&](const TNotice& Notice) { lastResort << Notice.Text; });
    const auto start = std::chrono::steady_clock::now();
    notifier.Notify(
        {QStringLiteral("Kovrin"), QStringLiteral("text"), QStringLiteral("A"), QStringLiteral("B")});
    QTRY_COMPARE_WITH_TIMEOUT(lastResort.size(), 1, 8000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    ::close(silent);
}

} // namespace

#include "test_notifier.moc"
