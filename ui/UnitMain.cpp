#include "ui/UnitMain.h"

#include "engine/AmountInput.h"
#include "engine/DesignScale.h"
#include "engine/ExchangerLookup.h"
#include "engine/Protocol.h"
#include "globals/Globals.h"
#include "ui/AmountEdit.h"
#include "ui/BitBtn.h"
#include "ui/CurrencyList.h"
#include "ui/DataAgeBar.h"
#include "ui/ErrorBox.h"
#include "ui/FocusAfterClick.h"
#include "ui/Fonts.h"
#include "ui/HideList.h"
#include "ui/HistoryPart.h"
#include "ui/LivePanel.h"
#include "ui/NewsView.h"
#include "ui/OfferGrid.h"
#include "ui/Opener.h"
#include "ui/RefreshController.h"
#include "ui/RichEditURL.h"
#include "ui/RoutesSearch.h"
#include "ui/RoutesView.h"
#include "ui/TextColours.h"
#include "ui/UnitDM.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QResizeEvent>
#include <QShortcut>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

TFormMain* FormMain = nullptr;

namespace {

constexpr int kStatusBarHeight = 19;
constexpr int kPanelControlsHeight = 37;
constexpr int kPanelGoHeight = 41;
constexpr int kButtonWidth = 89;
// The pictures of the tabs and buttons; each has a twice as large copy for larger text.
constexpr int kImageSize = 16;
constexpr int kRefreshRightGap = 7;
constexpr int kListBoxHideTop = 24;
// Distance of the hide list's bottom edge to its page's bottom edge, kept as the window grows and shrinks.
constexpr int kListBoxHideBottomGap = 7;
constexpr int kListItemHeight = 13;
// Between the hide list and the live-rates panel, and from the panel to the page's right edge.
constexpr int kPanelLiveGap = 8;
constexpr int kComboVisibleItems = 20;

// Gives every row of a list the same fixed height, whoever fills the list.
class TFixedRowDelegate final : public QStyledItemDelegate {
  public:
    TFixedRowDelegate(int Height, QObject* Parent) : QStyledItemDelegate(Parent), FHeight(Height) {}
    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
        return {QStyledItemDelegate::sizeHint(Option, Index).width(), FHeight};
    }

  private:
    int FHeight;
};

QWidget* MakePage(const QString& Name, QWidget* Parent) {
    auto* page = new QWidget(Parent);
    page->setObjectName(Name);
    return page;
}

QLineEdit* MakeAmountEdit(const QString& Name, const QString& Caption, const QString& Spoken,
                          QWidget* Parent) {
    auto* edit = new QLineEdit(Parent);
    edit->setObjectName(Name);
    edit->setPlaceholderText(Caption); // says what the empty field is for
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetUpAmountEdit(*edit, static_cast<int>(kAmountDigits));
    edit->setAccessibleName(Spoken);
    return edit;
}

QComboBox* MakeCurrencyList(const QString& Name, const QString& Caption, const QString& Spoken,
                            QWidget* Parent) {
    auto* combo = new TCurrencyList(Parent);
    combo->setObjectName(Name);
    combo->setPlaceholderText(Caption); // shown while nothing is chosen
    combo->lineEdit()->setPlaceholderText(Caption);
    combo->setMaxVisibleItems(kComboVisibleItems);
    combo->setEnabled(false); // until the first names feed has been handled
    combo->setAccessibleName(Spoken);
    return combo;
}

QPushButton* MakeImageButton(const QString& Name, const QString& Caption, const QString& Image, int ImageSize,
                             QWidget* Parent) {
    auto* button = new TBitBtn(PictureIcon(Image), Caption, Parent);
    button->setObjectName(Name);
    button->setIconSize(QSize(ImageSize, ImageSize));
    button->setAccessibleName(Caption);
    return button;
}

} // namespace

TFormMain::TFormMain(QWidget* Parent) : QMainWindow(Parent), FServiceBase(ServiceBase) {
    InitKovrinResources();
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Kovrin"));
    // The program's icon when the application has it (one copy of its four images, the 256-pixel one a
    // quarter of a megabyte); read afresh only for a window made without the program around it.
    setWindowIcon(QGuiApplication::windowIcon().isNull() ? ProgramIcon() : QGuiApplication::windowIcon());
    setFont(DesignFont(QStringLiteral("Verdana"), 8, QFont::SansSerif));
    // Before any control is placed: every fixed measure below grows with it.
    FDesignScale = DesignScaleForDpi(logicalDpiY());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    ApplyPlaceholderColour();
    setAutoFillBackground(true);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setAccessibleName(QStringLiteral("Разделы программы"));
    PageControl->setIconSize(QSize(Px(kImageSize), Px(kImageSize)));
    setCentralWidget(PageControl);

    BuildNewsPage();
    BuildRatesPage();
    BuildSettingsPage();
    BuildManualPage();
    const TImageList tabImages = MakeImageListTabs();
    PageControl->addTab(TabSheetNews, tabImages.Icon(QStringLiteral("date")),
                        QStringLiteral("Последние новости"));
    PageControl->addTab(TabSheetRates, tabImages.Icon(QStringLiteral("table")),
                        QStringLiteral("Курсы обмена"));
    PageControl->addTab(TabSheetSettings, tabImages.Icon(QStringLiteral("wrench")),
                        QStringLiteral("Настройки"));
    PageControl->addTab(TabSheetManual, tabImages.Icon(QStringLiteral("help")),
                        QStringLiteral("Как пользоваться"));
    TabSheetInformer = MakePage(QStringLiteral("TabSheetInformer"), PageControl);
    const int informer = PageControl->addTab(TabSheetInformer, tabImages.Icon(QStringLiteral("clock_red")),
                                             QStringLiteral("Информатор"));
    PageControl->setTabVisible(informer, false);
    // Ctrl+Tab passes over disabled tabs only, not hidden ones: a hidden tab reached so would show a blank
    // page and be stored as a tab no start restores.
    PageControl->setTabEnabled(informer, false);
    PageControl->setCurrentIndex(tabSettings);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setAccessibleName(QStringLiteral("Строка состояния"));
    StatusBar->setSizeGripEnabled(true);
    StatusBar->setFixedHeight(Px(kStatusBarHeight));
    setStatusBar(StatusBar);
    FRefresher = new TRefreshController(*BitBtnRefresh, *StatusBar, this);
    auto* ageBar = new TDataAgeBar(*BitBtnRefresh);
    AddAboveGrid(ageBar);
    FRefresher->AttachAgeBar(*ageBar);
    FRoutesView = new TRoutesView();
    FRoutesSearch = new TRoutesSearch(*FRoutesView, this);
    AddUnderGrid(FRoutesView);
    // Tab follows the page top to bottom: the line above the grid, the grid, the routes under it, the
    // buttons. The routes view is a frame around its tree, which is what takes the focus.
    setTabOrder(ComboBoxDst, ageBar->Retry());
    setTabOrder(ageBar->Retry(), DBGridRates);
    setTabOrder(DBGridRates, FRoutesView->focusProxy());
    setTabOrder(FRoutesView->focusProxy(), BitBtnExchange);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);

    resize(Px(kClientWidth), Px(kClientHeight));
    ConnectHandlers();
    ConnectKeyboard();
    ConnectParts();
    FHistory = new THistoryPart(*this);
    FormCreate();
    FLivePanel->Restore();
    FHistory->Restore();
    FServiceBase = FNextServiceBase;
    // Only now: an error box shown while restoring runs its own event loop, and a tick in there would start
    // the first refresh against a service and a state not restored yet.
    Timer->start();
}

TFormMain::~TFormMain() = default;

void TFormMain::ApplyPlaceholderColour() {
    // Judged on what the theme gives, not on the colour set here before.
    QPalette theme = QApplication::palette(this);
    const QColor wanted = PlaceholderColour(theme);
    if (palette().color(QPalette::PlaceholderText) != wanted) {
        QPalette colours = palette();
        colours.setColor(QPalette::PlaceholderText, wanted);
        setPalette(colours);
    }
}

void TFormMain::changeEvent(QEvent* Event) {
    if (Event->type() == QEvent::ApplicationPaletteChange || Event->type() == QEvent::PaletteChange) {
        ApplyPlaceholderColour();
    }
    QMainWindow::changeEvent(Event);
}

void TFormMain::BuildNewsPage() {
    TabSheetNews = MakePage(QStringLiteral("TabSheetNews"), PageControl);
    EditNews = new TNewsView(TabSheetNews);
    EditNews->setObjectName(QStringLiteral("EditNews"));
    EditNews->setAccessibleName(QStringLiteral("Последние новости"));
    auto* layout = new QVBoxLayout(TabSheetNews);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(EditNews);
}

void TFormMain::BuildRatesPage() {
    TabSheetRates = MakePage(QStringLiteral("TabSheetRates"), PageControl);

    PanelControls = new QWidget(TabSheetRates);
    PanelControls->setObjectName(QStringLiteral("PanelControls"));
    PanelControls->setAccessibleName(QStringLiteral("Валюты и суммы"));
    PanelControls->setFixedHeight(Px(kPanelControlsHeight));
    ButtonedEditSrc = MakeAmountEdit(QStringLiteral("ButtonedEditSrc"), QStringLiteral("Отдаю"),
                                     QStringLiteral("Сумма, которую вы отдаёте"), PanelControls);
    ButtonedEditSrc->setGeometry(Px(8), Px(8), Px(81), Px(21));
    ComboBoxSrc = MakeCurrencyList(QStringLiteral("ComboBoxSrc"), QStringLiteral("Отдаю: валюта"),
                                   QStringLiteral("Валюта, которую вы отдаёте"), PanelControls);
    ComboBoxSrc->setGeometry(Px(96), Px(8), Px(161), Px(21));
    SpeedButtonSwap = new QToolButton(PanelControls);
    SpeedButtonSwap->setObjectName(QStringLiteral("SpeedButtonSwap"));
    SpeedButtonSwap->setAutoRaise(true);
    SpeedButtonSwap->setIcon(PictureIcon(QStringLiteral("swap")));
    SpeedButtonSwap->setIconSize(QSize(Px(kImageSize), Px(kImageSize)));
    SpeedButtonSwap->setFocusPolicy(Qt::StrongFocus); // reachable with Tab, pressed with Space
    SpeedButtonSwap->setAccessibleName(QStringLiteral("Поменять валюты местами"));
    SpeedButtonSwap->setToolTip(QStringLiteral("Поменять валюты местами"));
    SpeedButtonSwap->setGeometry(Px(264), Px(8), Px(25), Px(22));
    ButtonedEditDst = MakeAmountEdit(QStringLiteral("ButtonedEditDst"), QStringLiteral("Получаю"),
                                     QStringLiteral("Сумма, которую вы получаете"), PanelControls);
    ButtonedEditDst->setGeometry(Px(296), Px(8), Px(81), Px(21));
    ComboBoxDst = MakeCurrencyList(QStringLiteral("ComboBoxDst"), QStringLiteral("Получаю: валюта"),
                                   QStringLiteral("Валюта, которую вы получаете"), PanelControls);
    ComboBoxDst->setGeometry(Px(384), Px(8), Px(161), Px(21));

    DBGridRates = new TDBGridRates(TabSheetRates);
    DBGridRates->setObjectName(QStringLiteral("DBGridRates"));
    DBGridRates->setAccessibleName(QStringLiteral("Предложения обменников"));
    DBGridRates->Model().SetFullName(
        [](const TOfferRow& Row) { return ExchangerFullName(ExchangersTable, Row.EID); });
    DBGridRates->SetEmptyText(
        QString::fromStdString(EmptyOffersHint(RatesTable, NamesTable, ExchangersTable, TOfferControls{})));

    PanelGo = new QWidget(TabSheetRates);
    PanelGo->setObjectName(QStringLiteral("PanelGo"));
    PanelGo->setAccessibleName(QStringLiteral("Действия"));
    PanelGo->setFixedHeight(Px(kPanelGoHeight));
    BitBtnExchange = MakeImageButton(QStringLiteral("BitBtnExchange"), QStringLiteral("Обменять"),
                                     QStringLiteral("exchange"), Px(kImageSize), PanelGo);
    BitBtnExchange->setGeometry(Px(8), Px(8), Px(kButtonWidth), Px(25));
    BitBtnRefresh = MakeImageButton(QStringLiteral("BitBtnRefresh"), QStringLiteral("Обновить"),
                                    QStringLiteral("refresh"), Px(kImageSize), PanelGo);
    BitBtnRefresh->setGeometry(Px(456), Px(8), Px(kButtonWidth), Px(25));
    PanelGo->installEventFilter(this); // keeps Refresh at its distance to the right edge

    // The grid alone fills its area until parts join it under or beside it.
    FGridColumn = new QSplitter(Qt::Vertical, TabSheetRates);
    FGridColumn->setObjectName(QStringLiteral("SplitterGridColumn"));
    FGridColumn->setChildrenCollapsible(false);
    FGridRow = new QSplitter(Qt::Horizontal, FGridColumn);
    FGridRow->setObjectName(QStringLiteral("SplitterGridRow"));
    FGridRow->setChildrenCollapsible(false);
    FGridRow->addWidget(DBGridRates);
    FGridColumn->addWidget(FGridRow);

    FRatesLayout = new QVBoxLayout(TabSheetRates);
    FRatesLayout->setContentsMargins(0, 0, 0, 0);
    FRatesLayout->setSpacing(0);
    FRatesLayout->addWidget(PanelControls);
    FRatesLayout->addWidget(FGridColumn, 1);
    FRatesLayout->addWidget(PanelGo);

    setTabOrder(ButtonedEditSrc, ComboBoxSrc);
    setTabOrder(ComboBoxSrc, SpeedButtonSwap);
    setTabOrder(SpeedButtonSwap, ButtonedEditDst);
    setTabOrder(ButtonedEditDst, ComboBoxDst);
    setTabOrder(ComboBoxDst, DBGridRates);
    setTabOrder(DBGridRates, BitBtnExchange);
    setTabOrder(BitBtnExchange, BitBtnRefresh);
}

void TFormMain::BuildSettingsPage() {
    TabSheetSettings = MakePage(QStringLiteral("TabSheetSettings"), PageControl);
    LabelHide = new QLabel(QStringLiteral("Скрывать ненужные валюты:"), TabSheetSettings);
    LabelHide->setObjectName(QStringLiteral("LabelHide"));
    LabelHide->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LabelHide->setGeometry(Px(8), 0, Px(249), Px(21));
    ListBoxHide = new THideList(TabSheetSettings);
    ListBoxHide->setObjectName(QStringLiteral("ListBoxHide"));
    ListBoxHide->setAccessibleName(QStringLiteral("Скрывать ненужные валюты"));
    ListBoxHide->setItemDelegate(new TFixedRowDelegate(Px(kListItemHeight), ListBoxHide));
    ListBoxHide->setUniformItemSizes(true);
    ListBoxHide->setGeometry(Px(8), Px(kListBoxHideTop), Px(249), Px(265));
    LabelHide->setBuddy(ListBoxHide);
    // Right of the hide list: the live options, then whatever parts join them.
    FSettingsSide = new QWidget(TabSheetSettings);
    FSettingsSide->setObjectName(QStringLiteral("PanelSettingsSide"));
    FSettingsColumn = new QVBoxLayout(FSettingsSide);
    FSettingsColumn->setContentsMargins(0, 0, 0, 0);
    FLivePanel = new TLivePanel(FSettingsSide);
    FSettingsColumn->addWidget(FLivePanel, 1);
    TabSheetSettings->installEventFilter(this); // the lists follow the page's edges
}

void TFormMain::BuildManualPage() {
    TabSheetManual = MakePage(QStringLiteral("TabSheetManual"), PageControl);
    RichEditURLHelp = new TRichEditURL(TabSheetManual);
    RichEditURLHelp->setObjectName(QStringLiteral("RichEditURLHelp"));
    RichEditURLHelp->setAccessibleName(QStringLiteral("Как пользоваться программой"));
    auto* layout = new QVBoxLayout(TabSheetManual);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEditURLHelp);
}

void TFormMain::ConnectHandlers() {
    connect(Timer, &QTimer::timeout, this, &TFormMain::TimerTimer);
    // Refresh rests once pressed: the focus goes to the offers it renews.
    connect(BitBtnRefresh, &QPushButton::clicked, this, [this] {
        KeepFocusNear(
            *BitBtnRefresh, [this] { BitBtnRefreshClick(); }, [this] { return DBGridRates; });
    });
    for (QLineEdit* edit : {ButtonedEditSrc, ButtonedEditDst}) {
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { ButtonedEditSrcChange(edit); });
    }
    // activated: a pick by the user only; selections made from code stay silent.
    for (QComboBox* combo : {ComboBoxSrc, ComboBoxDst}) {
        connect(combo, &QComboBox::activated, this, [this, combo] { ButtonedEditSrcChange(combo); });
    }
    connect(SpeedButtonSwap, &QToolButton::clicked, this, &TFormMain::SpeedButtonSwapClick);
    connect(BitBtnExchange, &QPushButton::clicked, this, &TFormMain::BitBtnExchangeClick);
    connect(DBGridRates, &TDBGridRates::DblClick, this, &TFormMain::BitBtnExchangeClick);
    connect(DBGridRates, &TDBGridRates::ReturnPressed, this, &TFormMain::BitBtnExchangeClick);
    connect(ListBoxHide->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFormMain::ListBoxHideToggled);
    RichEditURLHelp->OnURLClick = [this](QObject* sender, const QString& url) {
        RichEditURLHelpURLClick(sender, url);
    };
}

void TFormMain::ConnectKeyboard() {
    // F5 works like the button, so not while it rests; then the status line says when it is back.
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this, [this] {
        if (BitBtnRefresh->isEnabled()) {
            BitBtnRefresh->click();
        } else {
            Refresher().SayWhenRefreshIsBack();
        }
    });
    // The close box's way out: FormClose writes the settings.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
    // While the loader shows a refresh, Esc here gives it up as the loader's "Отмена" does; at any other
    // time Esc stays with whatever has the focus.
    FCancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    FCancelShortcut->setEnabled(false);
    connect(FCancelShortcut, &QShortcut::activated, this, &TFormMain::CancelRefresh);
}

bool TFormMain::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::Resize) {
        if (Watched == PanelGo) {
            BitBtnRefresh->move(PanelGo->width() - Px(kRefreshRightGap) - BitBtnRefresh->width(),
                                BitBtnRefresh->y());
        } else if (Watched == TabSheetSettings) {
            ListBoxHide->resize(
                ListBoxHide->width(),
                std::max(0, TabSheetSettings->height() - Px(kListBoxHideTop) - Px(kListBoxHideBottomGap)));
            const int left = ListBoxHide->x() + ListBoxHide->width() + Px(kPanelLiveGap);
            FSettingsSide->setGeometry(left, 0,
                                       std::max(0, TabSheetSettings->width() - left - Px(kPanelLiveGap)),
                                       std::max(0, TabSheetSettings->height() - Px(kListBoxHideBottomGap)));
        }
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TFormMain::closeEvent(QCloseEvent* Event) {
    // Every way of closing comes through here; the close is never refused.
    FormClose();
    Event->accept();
    emit Closed();
}

void TFormMain::AddAboveGrid(QWidget* Part) {
    FRatesLayout->insertWidget(FRatesLayout->indexOf(FGridColumn), Part);
}

void TFormMain::AddUnderGrid(QWidget* Part) {
    FGridColumn->addWidget(Part);
}

void TFormMain::AddBesideGrid(QWidget* Part) {
    FGridRow->addWidget(Part);
}

void TFormMain::AddSettingsPart(QWidget* Part) {
    FSettingsColumn->addWidget(Part);
}

int TFormMain::AddPage(QWidget* Page, const QIcon& Icon, const QString& Caption) {
    return PageControl->addTab(Page, Icon, Caption);
}

void TFormMain::RichEditURLHelpURLClick(QObject* Sender, const QString& URL) {
    Q_UNUSED(Sender);
    OpenUrl(URL);
}
