// The main window's state across runs: FormCreate restores it from the settings document, FormClose writes it
// back; and the window's outer-size rules, which need the frame's thickness.
#include "ui/UnitMain.h"

#include "engine/AmountInput.h"
#include "engine/DesignScale.h"
#include "engine/WindowPlacement.h"
#include "globals/Globals.h"
#include "settings/SettingsKeys.h"
#include "ui/CurrencyList.h"
#include "ui/ErrorBox.h"
#include "ui/Guarded.h"
#include "ui/RichEditURL.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QtGlobal>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

namespace {

std::optional<std::string> ReadSetting(const std::string& Key) {
    std::string value;
    if (ConfigRead(ConfigDoc, Key, value)) {
        return value;
    }
    return std::nullopt;
}

std::optional<int> ReadIntSetting(const std::string& Key) {
    if (std::optional<std::string> text = ReadSetting(Key)) {
        return ConfigTextToInt(*text);
    }
    return std::nullopt;
}

// The manual beside the executable (the current folder) or, for an installed copy, in the data folder.
QString ManualFile() {
    const QString local = QDir::current().filePath(QStringLiteral("help.rtf"));
    if (QFileInfo::exists(local)) {
        return local;
    }
    const QString installed =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/kovrin/help.rtf"));
    return QFileInfo::exists(installed) ? QDir::cleanPath(installed) : QString();
}

// One key of FormClose: a key that cannot be written must not keep the others from being written or the
// window from closing.
void WriteSetting(const std::string& Key, const TConfigValue& Value) {
    try {
        ConfigWrite(ConfigDoc, Key, Value);
    } catch (const std::exception& error) {
        qWarning("Kovrin: setting %s not saved: %s", Key.c_str(), error.what());
    }
}

} // namespace

void TFormMain::FormCreate() {
    QCoreApplication::setApplicationName(QStringLiteral("Kovrin"));
    // The installed menu entry's name (data/), so desktops match the window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kovrin.Kovrin"));
    setWindowTitle(QStringLiteral("Kovrin"));
    // The parts of the placement read before an error still take effect, on screen as a whole.
    std::optional<int> x;
    std::optional<int> y;
    std::optional<int> width;
    std::optional<int> height;
    bool placed = false;
    try {
        if (const QString manual = ManualFile(); !manual.isEmpty()) {
            RichEditURLHelp->LoadFromFile(manual);
        }
        x = ReadIntSetting(kWindowXKey);
        y = ReadIntSetting(kWindowYKey);
        width = ReadIntSetting(kWindowWidthKey);
        height = ReadIntSetting(kWindowHeightKey);
        placed = true;
        ApplyPlacement(x, y, width, height);
        if (std::optional<int> tab = ReadIntSetting(kDefaultTabKey)) {
            SetActiveTab(*tab);
        }
        if (std::optional<std::string> amount = ReadSetting(kSrcAmountKey)) {
            ButtonedEditSrc->setText(QString::fromStdString(ConfigTextToAmountText(*amount)));
        }
        if (std::optional<std::string> amount = ReadSetting(kDstAmountKey)) {
            ButtonedEditDst->setText(QString::fromStdString(ConfigTextToAmountText(*amount)));
        }
    } catch (const std::exception& error) {
        if (!placed) {
            ApplyPlacement(x, y, width, height);
        }
        ShowErrorBox(QString::fromUtf8(error.what()));
    }
}

void TFormMain::ApplyPlacement(std::optional<int> X, std::optional<int> Y, std::optional<int> Width,
                               std::optional<int> Height) {
    if (!X && !Y && !Width && !Height) {
        return; // the window system places a window of the design size
    }
    std::vector<TFrame> areas;
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* screen : screens) {
        const QRect area = screen->availableGeometry();
        const TFrame frame{area.x(), area.y(), area.width(), area.height()};
        if (screen == primary) {
            areas.insert(areas.begin(), frame);
        } else {
            areas.push_back(frame);
        }
    }
    // Before the window is shown its frame is not known; the outer size is what was saved.
    const QRect outer = frameGeometry();
    // The window never gets smaller than its minimum, so that is the least it needs room for: a size saved
    // while the text was drawn smaller comes back large enough for the text of this run.
    const QSize least = LeastOuterSize(QSize(0, 0));
    const TFrame wanted{X.value_or(outer.x()), Y.value_or(outer.y()),
                        std::max(Width.value_or(outer.width()), least.width()),
                        std::max(Height.value_or(outer.height()), least.height())};
    const TFrame frame = PlaceFrameOnScreens(wanted, areas);
    if (X && Y && Width && Height && !(frame == wanted)) {
        FPlacedToFit = TFramePlaced{wanted, frame};
    }
    if (X || Y) {
        move(frame.X, frame.Y);
    }
    if (Width || Height) {
        FWantedOuterSize = QSize(Width ? frame.Width : -1, Height ? frame.Height : -1);
        resize(frame.Width, frame.Height);
    }
}

void TFormMain::FormClose() {
    // A hidden window (sent to the tray) still reports its last bounds.
    const QRect outer = frameGeometry();
    const TFrame frame = FrameToStore({outer.x(), outer.y(), outer.width(), outer.height()}, FPlacedToFit);
    WriteSetting(kWindowXKey, frame.X);
    WriteSetting(kWindowYKey, frame.Y);
    WriteSetting(kWindowWidthKey, frame.Width);
    WriteSetting(kWindowHeightKey, frame.Height);
    WriteSetting(kDefaultTabKey, ActiveTab());
    WriteSetting(kSrcAmountKey, StoredAmountText(ButtonedEditSrc->text().toStdString()));
    WriteSetting(kDstAmountKey, StoredAmountText(ButtonedEditDst->text().toStdString()));
    // Before the names feed the lists are empty: the stored choices must survive for the next run.
    if (ComboBoxSrc->count() > 0 && !ChosenCurrency(*ComboBoxSrc).isEmpty()) {
        WriteSetting(kSrcCurrKey, ChosenCurrency(*ComboBoxSrc).toStdString());
    }
    if (ComboBoxDst->count() > 0 && !ChosenCurrency(*ComboBoxDst).isEmpty()) {
        WriteSetting(kDstCurrKey, ChosenCurrency(*ComboBoxDst).toStdString());
    }
    for (int item = 0; item < ListBoxHide->count(); ++item) {
        // The list holds one item per names-table row, in table order.
        if (static_cast<std::size_t>(item) >= NamesTable.size() || NamesTable[item].empty()) {
            continue;
        }
        WriteSetting(HideCurrencyKey(std::string(NamesTable[item][0])),
                     ListBoxHide->item(item)->isSelected());
    }
}

int TFormMain::ActiveTab() const {
    int visible = 0;
    for (int tab = 0; tab < PageControl->currentIndex(); ++tab) {
        visible += PageControl->isTabVisible(tab) ? 1 : 0;
    }
    return visible;
}

bool TFormMain::SetActiveTab(int Index) {
    int visible = 0;
    for (int tab = 0; tab < PageControl->count(); ++tab) {
        if (!PageControl->isTabVisible(tab)) {
            continue;
        }
        if (visible == Index) {
            PageControl->setCurrentIndex(tab);
            return true;
        }
        ++visible;
    }
    return false;
}

void TFormMain::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    ApplyFrameExtents();
}

void TFormMain::moveEvent(QMoveEvent* Event) {
    QMainWindow::moveEvent(Event);
    ApplyFrameExtents();
}

void TFormMain::resizeEvent(QResizeEvent* Event) {
    QMainWindow::resizeEvent(Event);
    ApplyFrameExtents();
}

int TFormMain::Px(int DesignPixels) const {
    return ScaledPixels(DesignPixels, FDesignScale);
}

QSize TFormMain::LeastOuterSize(QSize Frame) const {
    // What the layout asks for, not the minimum set here before (minimumSizeHint ignores that).
    const QSize needed = minimumSizeHint().expandedTo(QSize(0, 0)) + Frame;
    const QScreen* place = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect area = place ? place->availableGeometry() : QRect();
    const TExtent least = MinimumOuterSize({kMinOuterWidth, kMinOuterHeight}, FDesignScale,
                                           {needed.width(), needed.height()}, {area.width(), area.height()});
    return {least.Width, least.Height};
}

void TFormMain::FitContents() {
    // Before the frame is known the window is not up; ApplyFrameExtents sets the least size then.
    if (!isVisible() || FFrameExtents.width() < 0) {
        return;
    }
    Guarded("the window not fitted to its contents", [&] {
        // The layouts that heard of the part being shown or hidden settle first: the least size is theirs.
        // Each tells the one above it by a request posted while it settles, which the next round delivers;
        // the window's own layout is a few levels up (part, splitter, page, pages, tabs, window).
        for (int round = 0; round < 8; ++round) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
        const QSize frame = FFrameExtents;
        const QSize least = LeastOuterSize(frame);
        if (!isMaximized() && !isFullScreen()) {
            const QRect outer = frameGeometry();
            const QScreen* place = screen() ? screen() : QGuiApplication::primaryScreen();
            const QRect area = place ? place->availableGeometry() : QRect();
            const TFrame now{outer.x(), outer.y(), outer.width(), outer.height()};
            const TFrame grown = GrownToFit(now, {least.width(), least.height()},
                                            {area.x(), area.y(), area.width(), area.height()});
            if (grown != now) {
                move(grown.X, grown.Y);
                resize(grown.Width - frame.width(), grown.Height - frame.height());
            }
        }
        setMinimumSize(std::max(0, least.width() - frame.width()),
                       std::max(0, least.height() - frame.height()));
    });
}

void TFormMain::ApplyFrameExtents() {
    if (!isVisible()) {
        return;
    }
    // The window manager tells the frame's thickness only once the window is up, and may change it later;
    // the minimum and a restored size are outer sizes, so they are re-derived whenever it changes.
    const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
    if (frame == FFrameExtents) {
        return;
    }
    FFrameExtents = frame;
    const QSize least = LeastOuterSize(frame);
    setMinimumSize(std::max(0, least.width() - frame.width()), std::max(0, least.height() - frame.height()));
    if (FWantedOuterSize.width() >= 0 || FWantedOuterSize.height() >= 0) {
        resize(FWantedOuterSize.width() >= 0 ? FWantedOuterSize.width() - frame.width() : width(),
               FWantedOuterSize.height() >= 0 ? FWantedOuterSize.height() - frame.height() : height());
        if (!frame.isNull()) {
            FWantedOuterSize = QSize(-1, -1); // from here on the size is the user's
        }
    }
}
