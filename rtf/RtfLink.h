#pragma once
// The target of a HYPERLINK field as the runs of a document hold it.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

// A hash of a text that grows at its end, one character at a time. Its factor is drawn at random once per
// process, so no input can be made to collide on purpose: texts with different hashes differ, and comparing
// long texts that differ costs nothing.
class TRtfTextHash final {
  public:
    void Add(char C);
    void Clear() { FValue = 0; }
    std::uint64_t Value() const { return FValue; }

  private:
    std::uint64_t FValue = 0;
};

// A link target, or none. It views a leading part of a text that only ever grows at its end (the word of a
// field instruction being read), optionally followed by one backslash whose meaning the instruction has not
// yet shown. Copies share that text: however many runs a long target spans, and however often a growing
// instruction is shown part-way, the target's bytes are held once.
class TRtfLink final {
  public:
    // No link.
    TRtfLink() = default;
    // The first Length bytes of *Text (Length <= Text->size()), then a backslash when BackslashTail; Hash is
    // the TRtfTextHash of that whole target. Text must never change in those bytes while a link views them.
    TRtfLink(std::shared_ptr<const std::string> Text, std::size_t Length, bool BackslashTail,
             std::uint64_t Hash);

    // True when there is no link (an empty target is none).
    bool empty() const { return size() == 0; }
    std::size_t size() const { return FLength + (FBackslashTail ? 1 : 0); }
    // The target as one text. Never throws (but std::bad_alloc).
    std::string Text() const;
    // True when both view the same bytes of the same text: equal without reading them.
    bool SharesTextWith(const TRtfLink& Other) const;

    // Equal texts (an empty target equals no link); reads the texts only when their hashes are equal. Never
    // throws.
    bool operator==(const TRtfLink& Other) const;
    friend bool operator==(const TRtfLink& Link, std::string_view Text);

  private:
    std::string_view Head() const;

    std::shared_ptr<const std::string> FText;
    std::size_t FLength = 0;
    bool FBackslashTail = false;
    std::uint64_t FHash = 0;
};

// Prints the target's text (for test messages).
std::ostream& operator<<(std::ostream& Out, const TRtfLink& Link);
