#include "ui/NewsView.h"

#include "ui/Fonts.h"
#include "ui/LineWrap.h"
#include "ui/Opener.h"
#include "ui/TextColours.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <cstdlib>

namespace {

// The blank strip left of the text, shaded from the text area's colour to the button face.
class TNewsGutter final : public QWidget {
  public:
    explicit TNewsGutter(QWidget* Parent) : QWidget(Parent) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), 0);
        gradient.setColorAt(0, palette().color(QPalette::Base)); // the text area's own colour
        gradient.setColorAt(1, palette().color(QPalette::Button));
        painter.fillRect(rect(), gradient);
    }
};

} // namespace

// ---- TURIOpener

TURIOpener::TURIOpener(TNewsView& View) : QObject(&View), FView(View) {}

void TURIOpener::Press(QPoint ViewportPos) {
    FPressedAt = ViewportPos;
}

bool TURIOpener::Release(QPoint ViewportPos) {
    if (!FPressedAt)
        return false;
    const QPoint moved = ViewportPos - *FPressedAt;
    FPressedAt.reset();
    if (std::abs(moved.x()) > kSlop || std::abs(moved.y()) > kSlop)
        return false;
    if (ViewportPos.x() < 0)
        return false; // released over the gutter, which lies left of the viewport
    const std::optional<TLinkSpan> link = FView.LinkAt(ViewportPos);
    if (!link)
        return false;
    Open(*link);
    return true;
}

void TURIOpener::Open(const TLinkSpan& Link) {
    // An exception may not cross Qt's event handling; the shell's own outcome is not reported either.
    try {
        const auto at = std::lower_bound(FVisited.begin(), FVisited.end(), Link.Text);
        if (at == FVisited.end() || *at != Link.Text)
            FVisited.insert(at, Link.Text);
        OpenUrl(Link.Target);
    } catch (...) {
    }
    FView.RefreshLink(Link.Text);
}

bool TURIOpener::IsVisited(const QString& Text) const {
    return std::binary_search(FVisited.begin(), FVisited.end(), Text);
}

// ---- TURIHighlighter

const QColor TURIHighlighter::kLinkColor(0, 0, 255);
const QColor TURIHighlighter::kVisitedColor(128, 0, 128);

TURIHighlighter::TURIHighlighter(QTextDocument* Document, const TURIOpener& Opener)
    : QSyntaxHighlighter(Document), FOpener(Opener) {}

void TURIHighlighter::SetPalette(const QPalette& Palette) {
    if (Palette == FPalette) {
        return;
    }
    FPalette = Palette;
    rehighlight();
}

void TURIHighlighter::highlightBlock(const QString& Text) {
    for (const TLinkSpan& span : FindLinkSpans(Text)) {
        QTextCharFormat format;
        const bool visited = FOpener.IsVisited(span.Text);
        format.setForeground(LinkColour(FPalette, visited ? kVisitedColor : kLinkColor, visited));
        format.setFontUnderline(true);
        setFormat(span.Start, span.Length, format);
    }
}

// ---- TNewsView

TNewsView::TNewsView(QWidget* Parent)
    : QPlainTextEdit(Parent), FGutter(new TNewsGutter(this)), FOpener(new TURIOpener(*this)),
      FHighlighter(new TURIHighlighter(document(), *FOpener)) {
    setObjectName(QStringLiteral("EditNews"));
    setAccessibleName(QStringLiteral("Последние новости"));
    setReadOnly(true);
    // No caret and no selection; focus is still taken so the keyboard can scroll.
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::StrongFocus);
    setCursorWidth(0);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFont(DesignFont(QStringLiteral("Courier New"), 10, QFont::Monospace));
    setViewportMargins(kGutterWidth, 0, 0, 0);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::ArrowCursor);
    FHighlighter->SetPalette(palette());
}

void TNewsView::changeEvent(QEvent* Event) {
    QPlainTextEdit::changeEvent(Event);
    if (Event->type() == QEvent::PaletteChange) {
        FHighlighter->SetPalette(palette());
    }
}

bool TNewsView::event(QEvent* Event) {
    const bool handled = QPlainTextEdit::event(Event);
    // The view has no caret: a frame in the selection colour shows where the keyboard is, a link selected or
    // not.
    if (Event->type() == QEvent::Paint && hasFocus()) {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Active, QPalette::Highlight));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    return handled;
}

void TNewsView::SetNewsText(const QString& Text) {
    const QTextOption::WrapMode mode = WrapModeFor(Text);
    if (mode != wordWrapMode()) {
        clear(); // the old text is not laid out again in the new mode, which may not suit it
        setWordWrapMode(mode);
    }
    setPlainText(Text);
}

std::optional<TLinkSpan> TNewsView::LinkAt(QPoint ViewportPos) const {
    const QTextBlock block = cursorForPosition(ViewportPos).block();
    if (!block.isValid() || !block.layout())
        return std::nullopt;
    const QRectF geometry = blockBoundingGeometry(block).translated(contentOffset());
    if (!geometry.contains(ViewportPos))
        return std::nullopt;
    const QTextLayout* layout = block.layout();
    const QPointF local = QPointF(ViewportPos) - geometry.topLeft() - layout->position();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        if (local.y() < line.y() || local.y() >= line.y() + line.height())
            continue;
        // Past the end of the line's text is not on a character, though the nearest cursor position is.
        if (local.x() < line.x() || local.x() >= line.x() + line.naturalTextWidth())
            return std::nullopt;
        const int index = line.xToCursor(local.x(), QTextLine::CursorOnCharacter);
        for (const TLinkSpan& span : FindLinkSpans(block.text()))
            if (index >= span.Start && index < span.Start + span.Length)
                return span;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<TLinkSpan> TNewsView::SelectedLink() const {
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return std::nullopt;
    const QTextBlock block = document()->findBlock(cursor.selectionStart());
    const int start = cursor.selectionStart() - block.position();
    for (const TLinkSpan& span : FindLinkSpans(block.text()))
        if (span.Start == start && span.Length == cursor.selectionEnd() - cursor.selectionStart())
            return span;
    return std::nullopt;
}

bool TNewsView::SelectLink(bool Forward) {
    const QTextCursor selected = textCursor();
    // Only the block of the selected link is searched from it; each further one from its start or end.
    std::optional<std::size_t> from;
    QTextBlock block = Forward ? document()->firstBlock() : document()->lastBlock();
    if (selected.hasSelection()) {
        block = document()->findBlock(selected.selectionStart());
        from = static_cast<std::size_t>(selected.selectionStart() - block.position());
    }
    for (; block.isValid(); block = Forward ? block.next() : block.previous(), from.reset()) {
        const std::vector<TLinkSpan> spans = FindLinkSpans(block.text());
        std::vector<std::size_t> starts;
        starts.reserve(spans.size());
        for (const TLinkSpan& span : spans)
            starts.push_back(static_cast<std::size_t>(span.Start));
        const std::optional<std::size_t> next = StepToLink(starts, from, Forward);
        if (!next)
            continue;
        const TLinkSpan& link = spans[*next];
        QTextCursor cursor(document());
        // The end first, then the start: a link wrapped over lines is scrolled into view whole where it fits.
        cursor.setPosition(block.position() + link.Start + link.Length);
        setTextCursor(cursor);
        ensureCursorVisible();
        cursor.setPosition(block.position() + link.Start, QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        ensureCursorVisible();
        return true;
    }
    QTextCursor none = textCursor();
    none.clearSelection();
    setTextCursor(none);
    return false;
}

bool TNewsView::focusNextPrevChild(bool Next) {
    if (hasFocus() && SelectLink(Next))
        return true;
    return QPlainTextEdit::focusNextPrevChild(Next);
}

void TNewsView::RefreshLink(const QString& Text) {
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        if (block.text().contains(Text))
            FHighlighter->rehighlightBlock(block);
    viewport()->update();
}

void TNewsView::resizeEvent(QResizeEvent* Event) {
    QPlainTextEdit::resizeEvent(Event);
    const QRect area = contentsRect();
    FGutter->setGeometry(area.left(), area.top(), kGutterWidth, area.height());
}

void TNewsView::mousePressEvent(QMouseEvent* Event) {
    QPlainTextEdit::mousePressEvent(Event);
    if (Event->button() == Qt::LeftButton)
        FOpener->Press(Event->position().toPoint());
    // Handled here: passed on, the press would reach the parent widgets as if it fell outside the view.
    Event->accept();
}

void TNewsView::mouseReleaseEvent(QMouseEvent* Event) {
    QPlainTextEdit::mouseReleaseEvent(Event);
    if (Event->button() == Qt::LeftButton)
        FOpener->Release(Event->position().toPoint());
    Event->accept();
}

void TNewsView::mouseMoveEvent(QMouseEvent* Event) {
    QPlainTextEdit::mouseMoveEvent(Event);
    UpdatePointer(Event->position().toPoint());
}

void TNewsView::mouseDoubleClickEvent(QMouseEvent* Event) {
    // The first press and release of a double-click already opened the link; the second must not open it
    // again, and there is no word to select.
    Event->accept();
}

void TNewsView::keyPressEvent(QKeyEvent* Event) {
    QScrollBar* bar = verticalScrollBar();
    switch (Event->key()) {
    case Qt::Key_Up:
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Home:
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (const std::optional<TLinkSpan> link = SelectedLink()) {
            FOpener->Open(*link);
            break;
        }
        QPlainTextEdit::keyPressEvent(Event);
        return;
    default:
        QPlainTextEdit::keyPressEvent(Event);
        return;
    }
    Event->accept();
}

void TNewsView::focusInEvent(QFocusEvent* Event) {
    QPlainTextEdit::focusInEvent(Event);
    update(); // the focus frame
    UpdatePointer(viewport()->mapFromGlobal(QCursor::pos()));
}

void TNewsView::focusOutEvent(QFocusEvent* Event) {
    QPlainTextEdit::focusOutEvent(Event);
    update();
    viewport()->setCursor(Qt::ArrowCursor);
}

void TNewsView::UpdatePointer(QPoint ViewportPos) {
    const bool overLink = hasFocus() && LinkAt(ViewportPos).has_value();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
