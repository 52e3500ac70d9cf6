#include "ui/LineWrap.h"

#include <gtest/gtest.h>

namespace {

TEST(LineWrap, LongestStretchWithoutABreakPoint) {
    EXPECT_EQ(LongestUnbreakableStretch(""), 0);
    EXPECT_EQ(LongestUnbreakableStretch("ab cdef gh"), 5); // "cdef " up to the break after its blank
    EXPECT_EQ(LongestUnbreakableStretch("a\nbbb\nc"), 4);  // a line end is a break
    EXPECT_EQ(LongestUnbreakableStretch(QString(10, u'x')), 10);
    EXPECT_EQ(LongestUnbreakableStretch("x " + QString(10, u'x') + " x"), 11);
}

TEST(LineWrap, OnlyAStretchBeyondTheBoundWrapsAnywhere) {
    const QString longest(kLongestWordWrapStretch, u'x');
    EXPECT_EQ(WrapModeFor("ordinary news, http://a.example/x"), QTextOption::WrapAtWordBoundaryOrAnywhere);
    EXPECT_EQ(WrapModeFor(longest), QTextOption::WrapAtWordBoundaryOrAnywhere);
    EXPECT_EQ(WrapModeFor(longest + u'x'), QTextOption::WrapAnywhere);
    EXPECT_EQ(WrapModeFor("news\n" + longest + "x\nmore news"), QTextOption::WrapAnywhere);
    EXPECT_EQ(WrapModeFor(QStringLiteral("word ").repeated(2000)), QTextOption::WrapAtWordBoundaryOrAnywhere);
    EXPECT_EQ(WrapModeFor(QStringLiteral("www.").repeated(2000)), QTextOption::WrapAnywhere);
}

} // namespace
