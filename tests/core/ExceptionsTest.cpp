#include <gtest/gtest.h>

#include "host/core/Exceptions.h"

TEST(Exceptions, NamedErrorsAreCaughtAsTheirBases)
{
    try {
        throw EStringListError("bad line");
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "bad line");
    }
    EXPECT_THROW(throw EInvalidGridOperation("x"), Exception);
    EXPECT_THROW(throw EReadError("x"), std::runtime_error);
}

TEST(Exceptions, ListIndexErrorNamesTheIndex)
{
    try {
        ListIndexError(-3);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (-3)");
    }
}

TEST(Exceptions, PrintableTextEscapesOnlyWhatATerminalCannotShow)
{
    const struct {
        std::string Bytes;
        std::string Shown;
    } cases[] = {
        {"Caption 'a\\b' #1", "Caption 'a\\b' #1"},
        {"C\x01" "ption\x7F\t\n", "C\\x01ption\\x7f\\x09\\x0a"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        // A C1 control, an overlong form, a surrogate, a stray continuation and a cut sequence.
        {"\xC2\x85|\xC0\xAF|\xED\xA0\x80|\x80|\xE2\x82", "\\xc2\\x85|\\xc0\\xaf|\\xed\\xa0\\x80|\\x80|\\xe2\\x82"},
        {std::string("a\0b", 3), "a\\x00b"},
    };
    for (const auto& c : cases) EXPECT_EQ(PrintableText(c.Bytes), c.Shown) << c.Shown;
}
