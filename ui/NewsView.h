#pragma once
// TNewsView ("EditNews"): the news page. Read-only, word-wrapped monospace text without caret or selection,
// a shaded 30-pixel gutter at the left, links coloured by TURIHighlighter and opened on a plain click by
// TURIOpener.

#include "ui/LinkSpans.h"

#include <QPlainTextEdit>
#include <QPoint>
#include <QStringList>
#include <QSyntaxHighlighter>
#include <optional>

class TNewsView;

// Opens news links on a click: notes the press, and on the release opens the link under the pointer when it
// moved at most kSlop pixels either way and the release is right of the gutter; Enter opens the link selected
// with the keyboard the same way. Keeps the texts of the links it opened, sorted, for the run.
class TURIOpener final : public QObject {
    Q_OBJECT

  public:
    // Greatest distance, in pixels along each axis, between press and release that still counts as a click.
    static constexpr int kSlop = 4;

    // Serves View, which forwards its mouse presses and releases here.
    explicit TURIOpener(TNewsView& View);

    // Notes where the left button went down (viewport coordinates). Never throws.
    void Press(QPoint ViewportPos);
    // Handles the left button going up; true when a link was opened. Never throws.
    bool Release(QPoint ViewportPos);
    // Opens Link and marks it visited. Never throws.
    void Open(const TLinkSpan& Link);

    // The link texts opened in this run, as shown (no prefix added), sorted, each once.
    const QStringList& Visited() const { return FVisited; }
    // True when Text is among them.
    bool IsVisited(const QString& Text) const;

  private:
    TNewsView& FView;
    std::optional<QPoint> FPressedAt;
    QStringList FVisited;
};

// Draws news links blue and underlined, those opened in this run purple and underlined; on a dark palette in
// the palette's link colours instead.
class TURIHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT

  public:
    // Colours Document's links, asking Opener which were opened.
    TURIHighlighter(QTextDocument* Document, const TURIOpener& Opener);

    static const QColor kLinkColor;
    static const QColor kVisitedColor;

    // The palette the view paints with; links are recoloured to suit it.
    void SetPalette(const QPalette& Palette);

  protected:
    void highlightBlock(const QString& Text) override;

  private:
    const TURIOpener& FOpener;
    QPalette FPalette;
};

class TNewsView final : public QPlainTextEdit {
    Q_OBJECT

  public:
    // Width of the shaded strip at the left, in pixels.
    static constexpr int kGutterWidth = 30;

    // Read-only, word-wrapped, Courier New 10 pt (or the system's fixed-pitch family), objectName "EditNews".
    explicit TNewsView(QWidget* Parent = nullptr);

    // Replaces the whole text, wrapped as WrapModeFor says. The list of opened links stays. Never throws (but
    // std::bad_alloc).
    void SetNewsText(const QString& Text);

    // The link under a point of the viewport, if the point lies on a character of one. Never throws.
    std::optional<TLinkSpan> LinkAt(QPoint ViewportPos) const;

    // The link Tab or Shift+Tab selected, while it is selected.
    std::optional<TLinkSpan> SelectedLink() const;

    // Recolours every line that shows Text (after it was opened).
    void RefreshLink(const QString& Text);

    TURIHighlighter& URIHighlighter() { return *FHighlighter; }
    TURIOpener& URIOpener() { return *FOpener; }

  protected:
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    bool event(QEvent* Event) override;
    // Tab and Shift+Tab select the next and previous link, as in the manual; past the last or first one they
    // leave the view.
    bool focusNextPrevChild(bool Next) override;

  private:
    // Selects the link after or before the one selected (the first or last when none is) and scrolls it into
    // view; false, with nothing selected, when there is none.
    bool SelectLink(bool Forward);
    void UpdatePointer(QPoint ViewportPos);

    QWidget* FGutter;
    TURIOpener* FOpener;
    TURIHighlighter* FHighlighter;
};
