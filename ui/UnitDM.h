#pragma once
// The data module: the tab and tray pictures, and the tray icon with its one-item menu.

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVector>

#include "engine/TrayRule.h"

#include <memory>
#include <optional>

// A named list of 16x16 pictures from the program's resources, addressed by index as the tabs and the tray
// do.
class TImageList final {
  public:
    // Loads ":/icons/<name>.png" for each name, in order. A missing picture gives a null icon. Never throws.
    explicit TImageList(const QStringList& Names);

    int Count() const { return static_cast<int>(FIcons.size()); }
    // The picture at Index; a null icon outside the list.
    QIcon Icon(int Index) const;
    // The picture named Name; a null icon when the list has no such name.
    QIcon Icon(const QString& Name) const;
    const QStringList& Names() const { return FNames; }

  private:
    QStringList FNames;
    QVector<QIcon> FIcons;
};

// Makes the program's pictures (":/icons/...") available; every function here calls it. Never throws.
void InitKovrinResources();

// The tab pictures, in order: "date", "table", "clock_red", "wrench", "help".
// The program's picture Name (":/icons/<Name>.png") with its twice as large copy, when there is one, so that
// it stays sharp at any icon size up to twice its own.
QIcon PictureIcon(const QString& Name);

TImageList MakeImageListTabs();
// The tray picture: "16x16".
TImageList MakeImageListTray();
// The program's icon at 16, 32, 48 and 256 pixels.
QIcon ProgramIcon();

class TDM final : public QObject {
    Q_OBJECT
  public:
    // MainWindow is the window the tray shows, hides and closes. Creates the tray icon with the application
    // title as its tooltip and shows it when the desktop has a tray; without one the program runs without it.
    // Host is the kind of notification area, found out from the desktop unless given (for tests).
    explicit TDM(QWidget* MainWindow, std::optional<TTrayHost> Host = std::nullopt);
    ~TDM() override;

    TImageList ImageListTabs;
    TImageList ImageListTray;
    // Owned by this module; its menu holds Exit1 only.
    QSystemTrayIcon* TrayIcon = nullptr;
    std::unique_ptr<QMenu> PopupMenuTray;
    QAction* Exit1 = nullptr;

    // The kind of notification area the icon is in.
    TTrayHost TrayHost() const { return FHost; }

  public slots:
    // Toggles the main window between hidden and shown (in the state it had); nothing else.
    void TrayIconDblClick();
    // Closes the main window exactly as its close box would, which ends the program.
    void Exit1Click();

  private slots:
    void TrayIconActivated(QSystemTrayIcon::ActivationReason Reason);

  private:
    QPointer<QWidget> FMainWindow;
    TTrayHost FHost = TTrayHost::None;
};

// The kind of notification area on this desktop, as Qt decides which tray to use: a StatusNotifierItem host
// when one is registered with the session bus's org.kde.StatusNotifierWatcher, else an XEmbed tray when the
// display has one, else none. Never throws.
TTrayHost DetectTrayHost();

// The program's one TDM, set by the start sequence (null before it and after the stop sequence).
extern TDM* DM;
