// The manual's RTF reader over arbitrary bytes: it must end, stay within memory, and give well-formed UTF-8.

#include "rtf/RtfReader.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
    const TRtfReadResult result = ReadRtf(bytes);
    if (!result) {
        FUZZ_CHECK(!result.Error.empty(), "a failed read must say why");
        return 0;
    }
    FUZZ_CHECK(bytes.substr(0, 5) == "{\\rtf", "a text that is not RTF was read");
    for (const TRtfParagraph& paragraph : result.Document.Paragraphs) {
        for (const TRtfRun& run : paragraph.Runs) {
            FUZZ_CHECK(FuzzIsUtf8(run.Text), "run text is not UTF-8");
            FUZZ_CHECK(FuzzIsUtf8(run.Link.Text()), "link target is not UTF-8");
            FUZZ_CHECK(run.HalfPoints >= 0, "negative font size");
        }
    }
    return 0;
}
