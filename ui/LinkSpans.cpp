#include "ui/LinkSpans.h"

std::vector<TLinkSpan> FindLinkSpans(const QString& Text) {
    const QByteArray utf8 = Text.toUtf8();
    const std::string_view bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    const std::vector<TLink> links = FindLinks(bytes);
    std::vector<TLinkSpan> spans;
    spans.reserve(links.size());
    // One walk over the bytes turns byte offsets into UTF-16 indexes: toUtf8 gives well-formed UTF-8, where a
    // four-byte sequence is two UTF-16 units and every other sequence one.
    std::size_t byte = 0;
    int unit = 0;
    const auto advanceTo = [&](std::size_t target) {
        for (; byte < target; ++byte) {
            const auto c = static_cast<unsigned char>(bytes[byte]);
            if ((c & 0xC0) != 0x80)
                unit += c >= 0xF0 ? 2 : 1;
        }
    };
    for (const TLink& link : links) {
        advanceTo(link.Start);
        const int start = unit;
        advanceTo(link.Start + link.Length);
        TLinkSpan span;
        span.Start = start;
        span.Length = unit - start;
        span.Kind = link.Kind;
        span.Text = Text.mid(start, span.Length);
        span.Target = QString::fromStdString(LinkTarget(link, bytes));
        spans.push_back(std::move(span));
    }
    return spans;
}
