#include "ui/UnitDM.h"

#include "ui/ErrorBox.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPixmap>
#include <QWidget>

TDM* DM = nullptr;

// The pictures live in the window library, a static library: without this reference the linker would drop
// them.
void InitKovrinResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(kovrin);
        return true;
    }();
    (void)done;
}

QIcon PictureIcon(const QString& Name) {
    InitKovrinResources();
    QIcon icon(QStringLiteral(":/icons/%1.png").arg(Name));
    // Qt adds the twice as large copy by itself only on a screen that scales pixels, for twice the pixels at
    // the same size; text drawn larger without that needs it at twice the size, so it goes in as plain
    // pixels.
    QPixmap large(QStringLiteral(":/icons/%1@2x.png").arg(Name));
    if (!large.isNull()) {
        large.setDevicePixelRatio(1.0);
        icon.addPixmap(large);
    }
    return icon;
}

TImageList::TImageList(const QStringList& Names) : FNames(Names) {
    InitKovrinResources();
    FIcons.reserve(Names.size());
    for (const QString& name : Names) {
        FIcons.push_back(PictureIcon(name));
    }
}

QIcon TImageList::Icon(int Index) const {
    return Index >= 0 && Index < FIcons.size() ? FIcons[Index] : QIcon();
}

QIcon TImageList::Icon(const QString& Name) const {
    return Icon(static_cast<int>(FNames.indexOf(Name)));
}

TImageList MakeImageListTabs() {
    return TImageList({QStringLiteral("date"), QStringLiteral("table"), QStringLiteral("clock_red"),
                       QStringLiteral("wrench"), QStringLiteral("help")});
}

TImageList MakeImageListTray() {
    return TImageList({QStringLiteral("16x16")});
}

QIcon ProgramIcon() {
    InitKovrinResources();
    QIcon icon;
    for (int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/icons/kovrin-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

namespace {

TTrayActivation ActivationOf(QSystemTrayIcon::ActivationReason Reason) {
    switch (Reason) {
    case QSystemTrayIcon::Context:
        return TTrayActivation::Context;
    case QSystemTrayIcon::DoubleClick:
        return TTrayActivation::DoubleClick;
    case QSystemTrayIcon::Trigger:
        return TTrayActivation::Trigger;
    case QSystemTrayIcon::MiddleClick:
        return TTrayActivation::MiddleClick;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return TTrayActivation::Unknown;
}

// How long each tray question on the bus may take.
constexpr int kTrayLookupMs = 1000;

bool StatusNotifierHostRegistered() {
    // Virtual displays without a desktop (tests, screenshots) have no tray of either kind to ask about.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        return false;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    // Each question within a short bound: a tray service that hangs must not hold the start for the bus's
    // default 25 seconds per call.
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage owned = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    owned << watcher;
    const QDBusMessage hasOwner = bus.call(owned, QDBus::Block, kTrayLookupMs);
    if (hasOwner.type() != QDBusMessage::ReplyMessage || !hasOwner.arguments().value(0).toBool()) {
        return false;
    }
    // The same question Qt asks before it chooses its D-Bus tray.
    QDBusMessage get = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage registered = bus.call(get, QDBus::Block, kTrayLookupMs);
    return registered.type() == QDBusMessage::ReplyMessage &&
           qvariant_cast<QDBusVariant>(registered.arguments().value(0)).variant().toBool();
}

} // namespace

TTrayHost DetectTrayHost() {
    if (StatusNotifierHostRegistered()) {
        return TTrayHost::StatusNotifier;
    }
    return QSystemTrayIcon::isSystemTrayAvailable() ? TTrayHost::XEmbed : TTrayHost::None;
}

TDM::TDM(QWidget* MainWindow, std::optional<TTrayHost> Host)
    : ImageListTabs(MakeImageListTabs()), ImageListTray(MakeImageListTray()), FMainWindow(MainWindow) {
    setObjectName(QStringLiteral("DM"));

    PopupMenuTray = std::make_unique<QMenu>();
    PopupMenuTray->setObjectName(QStringLiteral("PopupMenuTray"));
    Exit1 = PopupMenuTray->addAction(QStringLiteral("Выход"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    connect(Exit1, &QAction::triggered, this, &TDM::Exit1Click);

    TrayIcon = new QSystemTrayIcon(ImageListTray.Icon(0), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    // The tooltip is the title at this moment; the main window has set it to "Kovrin" by now.
    TrayIcon->setToolTip(ApplicationTitle());
    // The system opens the menu on a right-button release over the icon.
    TrayIcon->setContextMenu(PopupMenuTray.get());
    connect(TrayIcon, &QSystemTrayIcon::activated, this, &TDM::TrayIconActivated);
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        TrayIcon->show();
    }
    FHost = Host ? *Host : DetectTrayHost();
}

TDM::~TDM() {
    // Take the icon out of the notification area before its menu goes.
    TrayIcon->hide();
    TrayIcon->setContextMenu(nullptr);
}

void TDM::TrayIconActivated(QSystemTrayIcon::ActivationReason Reason) {
    // The context menu is the system's business.
    if (TrayActivationToggles(FHost, ActivationOf(Reason))) {
        TrayIconDblClick();
    }
}

void TDM::TrayIconDblClick() {
    if (FMainWindow) {
        FMainWindow->setVisible(!FMainWindow->isVisible());
    }
}

void TDM::Exit1Click() {
    if (FMainWindow) {
        FMainWindow->close();
    }
}
