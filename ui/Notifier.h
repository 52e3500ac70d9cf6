#pragma once
// Desktop notifications of rate alerts: through the desktop's notification service over D-Bus
// (org.freedesktop.Notifications); where none answers, as the tray icon's message; where there is no tray
// either, on the status line. Activating a notification opens the pair it names.

#include <QDBusConnection>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>
#include <map>
#include <optional>
#include <vector>

// What an alert tells the user, and the pair that activating it opens.
struct TNotice {
    QString Title;
    QString Text;
    QString Give;
    QString Get;
};
Q_DECLARE_METATYPE(TNotice)

// One way of showing a notice.
class TNoticeSink : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // Called exactly once per Show, perhaps later: true when the notice was shown, false when this way cannot
    // show it (the next way is tried then).
    using TDone = std::function<void(bool Shown)>;
    // Shows Notice. Never throws.
    virtual void Show(const TNotice& Notice, TDone Done) = 0;

  signals:
    // The user activated a notice shown this way.
    void Activated(const TNotice& Notice);
};

// The desktop's notification service (org.freedesktop.Notifications) on the session bus, or on Bus when given
// (tests). The session bus is first reached when the first notice is shown, so a run without alerts starts no
// D-Bus thread; a session bus that does not answer within a second then is never reached. A bus that is not
// connected, or a call that fails or gets no answer within a few seconds, counts as "cannot show". A notice
// carries the default action, so clicking it activates.
class TDBusNoticeSink final : public TNoticeSink {
    Q_OBJECT
  public:
    explicit TDBusNoticeSink(QObject* Parent = nullptr, std::optional<QDBusConnection> Bus = std::nullopt);
    void Show(const TNotice& Notice, TDone Done) override;

  private slots:
    void ActionInvoked(uint Id, const QString& Action);
    void NotificationClosed(uint Id, uint Reason);

  private:
    // The bus, reached and listened to on first use.
    QDBusConnection& Bus();

    std::optional<QDBusConnection> FBus;
    bool FListening = false;
    std::map<uint, TNotice> FShown;
};

// The tray icon's message balloon; cannot show while the icon is missing or hidden.
class TTrayNoticeSink final : public TNoticeSink {
    Q_OBJECT
  public:
    TTrayNoticeSink(QSystemTrayIcon* Tray, QObject* Parent = nullptr);
    void Show(const TNotice& Notice, TDone Done) override;

  private:
    QPointer<QSystemTrayIcon> FTray;
    std::optional<TNotice> FLast;
};

// Tries its ways in the order they were added; a notice none of them can show goes to the last resort.
class TNotifier final : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // Adds a way (this notifier becomes its parent).
    void AddSink(TNoticeSink* Sink);
    // What shows a notice that no way could.
    void SetLastResort(std::function<void(const TNotice&)> LastResort) {
        FLastResort = std::move(LastResort);
    }
    // Shows Notice the first way that can. Never throws.
    void Notify(const TNotice& Notice);

  signals:
    void Activated(const TNotice& Notice);

  private:
    void TryFrom(std::size_t Index, const TNotice& Notice);

    std::vector<QPointer<TNoticeSink>> FSinks;
    std::function<void(const TNotice&)> FLastResort;
};
