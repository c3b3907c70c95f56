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
