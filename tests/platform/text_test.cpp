#include "platform/text/format.h"
#include "platform/text/utf.h"

#include <gtest/gtest.h>

using namespace wuvo::platform;

TEST(Utf, RoundTripsTextOutsideTheBasicPlane)
{
    std::u16string text = u"Grüße 日本 \U0001F600";
    EXPECT_EQ(ToUtf8(text), "Grüße 日本 \xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf16(ToUtf8(text)), text);
}

// A Linux name is bytes: those that are not UTF-8 are carried through and
// come back as they were, and people are shown U+FFFD for each. Only bytes
// from 0x80 up are ever carried: a lone surrogate below U+DC80, as a stored
// file may hold, never becomes a "/" or a NUL of a path.
TEST(Utf, BytesThatAreNotUtf8ComeBackAsTheyWere)
{
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD") << "a lone high surrogate";
    EXPECT_EQ(ToUtf8(u"a\xDC2F" "b\xDC00" "c\xDC7F"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(u"\xDC80"), "\x80") << "the first carried byte";
    EXPECT_EQ(ToUtf16("a\xC3"), u"a\xDCC3") << "a sequence cut by the end";
    EXPECT_EQ(ToUtf16("\xC0\x80"), u"\xDCC0\xDC80") << "an overlong NUL";
    EXPECT_EQ(ToUtf16("\xFF" "b"), u"\xDCFF" "b");
    for (std::string bytes : {"a\xC3", "\xC0\x80", "\xFF" "b", "\xED\xB2\x80", "caf\xE9 \xE6\x97\xA5 \xF0\x9F\x98"})
        EXPECT_EQ(ToUtf8(ToUtf16(bytes)), bytes);
    EXPECT_EQ(ToReadableUtf8(ToUtf16("caf\xE9.mp4")), "caf\xEF\xBF\xBD.mp4");
    EXPECT_EQ(WithoutLastCharacter(u"a\U0001F600"), u"a") << "a surrogate pair goes whole";
    EXPECT_EQ(WithoutLastCharacter(u"\xDCE9"), u"");
}

TEST(Utf, FixedFieldsAreNeverReadPastOrCut)
{
    char16_t field[4] = {u'a', u'b', u'c', u'd'};
    EXPECT_EQ(FieldLength(field, 4), 4u) << "no terminator: the field's end";
    EXPECT_TRUE(CopyToField(field, 4, u"abc"));
    EXPECT_EQ(FieldLength(field, 4), 3u);
    EXPECT_TRUE(CopyToField(field, 4, u"x"));
    EXPECT_EQ(std::u16string(field, 4), std::u16string(u"x\0\0\0", 4)) << "no tail of the longer text is kept";
    EXPECT_FALSE(CopyToField(field, 4, u"abcd")) << "no room for the terminator";
    EXPECT_EQ(std::u16string(field, 4), std::u16string(4, u'\0'));
}

TEST(FormatText, FormatsWideTextAndNumbersAsPrintfDoes)
{
    EXPECT_EQ(FormatText(u"Cannot open video file <%s>\n", u"/tmp/ä.mp4"), u"Cannot open video file </tmp/ä.mp4>\n");
    EXPECT_EQ(FormatText(u"Skip file: i %d, poll 0x%x, status 0x%x\n", 2, 0x1fu, 0x80004005u),
              u"Skip file: i 2, poll 0x1f, status 0x80004005\n");
    EXPECT_EQ(FormatText(u"%.1f%%", 99.95), u"100.0%");
    EXPECT_EQ(FormatText(u":%02d|%5s|%-3s|", 7, u"ab", u"c"), u":07|   ab|c  |");
    EXPECT_EQ(FormatText(u"%ls %q", u"x"), u"x %q") << "unknown conversions stay";
}
