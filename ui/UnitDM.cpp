#include "ui/UnitDM.h"

#include "ui/ErrorBox.h"

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

TImageList::TImageList(const QStringList& Names) : FNames(Names) {
    InitKovrinResources();
    FIcons.reserve(Names.size());
    for (const QString& name : Names) {
        FIcons.push_back(QIcon(QStringLiteral(":/icons/%1.png").arg(name)));
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

TDM::TDM(QWidget* MainWindow)
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
}

TDM::~TDM() {
    // Take the icon out of the notification area before its menu goes.
    TrayIcon->hide();
    TrayIcon->setContextMenu(nullptr);
}

void TDM::TrayIconActivated(QSystemTrayIcon::ActivationReason Reason) {
    // A single click does nothing; the context menu is the system's business.
    if (Reason == QSystemTrayIcon::DoubleClick) {
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
