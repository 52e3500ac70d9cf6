#include "ui/Notifier.h"

#include "net/SessionBusProbe.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDesktopEntry = QStringLiteral("io.github.kovrin.Kovrin");
// How long the session bus may take to answer its first word.
constexpr int kBusAnswerMs = 1000;
// A notification service is started on demand by the bus; give it that long.
constexpr int kCallTimeoutMs = 5000;
// How long the tray's balloon stays, ms.
constexpr int kBalloonMs = 15000;

} // namespace

TDBusNoticeSink::TDBusNoticeSink(QObject* Parent, std::optional<QDBusConnection> Bus)
    : TNoticeSink(Parent), FBus(std::move(Bus)) {}

QDBusConnection& TDBusNoticeSink::Bus() {
    if (!FBus) {
        // Reaching a bus that accepts and never answers would hold the window for good: it is asked first,
        // within a bound, and a silent one is left alone for the rest of the run.
        if (BusStaysSilent(SessionBusAddress(), kBusAnswerMs)) {
            qWarning("Kovrin: the session bus does not answer; alerts go to the tray or the status line");
            FBus = QDBusConnection(QStringLiteral("kovrin-no-session-bus"));
        } else {
            FBus = QDBusConnection::sessionBus();
        }
    }
    if (!FListening && FBus->isConnected()) {
        FListening = true;
        // From whoever owns the service name now: a service started on demand has a name not known yet.
        FBus->connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(ActionInvoked(uint, QString)));
        FBus->connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                      SLOT(NotificationClosed(uint, uint)));
    }
    return *FBus;
}

void TDBusNoticeSink::Show(const TNotice& Notice, TDone Done) {
    QDBusConnection& bus = Bus();
    if (!bus.isConnected()) {
        Done(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), kDesktopEntry);
    // The body may be read as markup; a name with "&" or "<" must show as it is.
    call << QStringLiteral("Kovrin") << uint(0) << kDesktopEntry << Notice.Title
         << Notice.Text.toHtmlEscaped() << QStringList{QStringLiteral("default"), QStringLiteral("Открыть")}
         << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, Notice, Done = std::move(Done)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                finished->deleteLater();
                if (reply.isError()) {
                    qWarning("Kovrin: no desktop notification: %s", qPrintable(reply.error().message()));
                    Done(false);
                    return;
                }
                FShown[reply.value()] = Notice;
                Done(true);
            });
}

void TDBusNoticeSink::ActionInvoked(uint Id, const QString& Action) {
    const auto shown = FShown.find(Id);
    if (shown == FShown.end() || Action != QLatin1String("default")) {
        return;
    }
    const TNotice notice = shown->second;
    FShown.erase(shown);
    emit Activated(notice);
}

void TDBusNoticeSink::NotificationClosed(uint Id, uint /*Reason*/) {
    FShown.erase(Id);
}

TTrayNoticeSink::TTrayNoticeSink(QSystemTrayIcon* Tray, QObject* Parent) : TNoticeSink(Parent), FTray(Tray) {
    if (FTray) {
        connect(FTray, &QSystemTrayIcon::messageClicked, this, [this] {
            if (FLast) {
                emit Activated(*FLast);
            }
        });
    }
}

void TTrayNoticeSink::Show(const TNotice& Notice, TDone Done) {
    if (!FTray || !FTray->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable()) {
        Done(false);
        return;
    }
    FLast = Notice;
    FTray->showMessage(Notice.Title, Notice.Text, QSystemTrayIcon::Information, kBalloonMs);
    Done(true);
}

void TNotifier::AddSink(TNoticeSink* Sink) {
    Sink->setParent(this);
    connect(Sink, &TNoticeSink::Activated, this, &TNotifier::Activated);
    FSinks.emplace_back(Sink);
}

void TNotifier::Notify(const TNotice& Notice) {
    TryFrom(0, Notice);
}

void TNotifier::TryFrom(std::size_t Index, const TNotice& Notice) {
    while (Index < FSinks.size() && !FSinks[Index]) {
        ++Index;
    }
    if (Index >= FSinks.size()) {
        if (FLastResort) {
            FLastResort(Notice);
        }
        return;
    }
    QPointer<TNotifier> self(this);
    FSinks[Index]->Show(Notice, [self, Index, Notice](bool Shown) {
        if (!Shown && self) {
            self->TryFrom(Index + 1, Notice);
        }
    });
}
