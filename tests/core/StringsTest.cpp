#include <gtest/gtest.h>

#include "host/core/Exceptions.h"
#include "host/core/Strings.h"

namespace {

std::vector<std::string> Lines(const TStrings& S)
{
    std::vector<std::string> lines;
    for (int i = 0; i < S.Count(); ++i) lines.push_back(S.Strings(i));
    return lines;
}

using L = std::vector<std::string>;

} // namespace

TEST(Strings, TextEndsEveryLineWithCrLf)
{
    TStringList list;
    EXPECT_EQ(list.GetText(), "");
    list.Add("a");
    list.Add("");
    list.Add("b");
    EXPECT_EQ(list.GetText(), "a\r\n\r\nb\r\n");
}

TEST(Strings, SetTextSplitsOnCrLfOrCrLf)
{
    TStringList list;
    list.SetText("one\r\ntwo\rthree\nfour");
    EXPECT_EQ(Lines(list), (L{"one", "two", "three", "four"}));
    list.SetText("a\n\nb\r\n");
    EXPECT_EQ(Lines(list), (L{"a", "", "b"}));
    list.SetText("\r\n");
    EXPECT_EQ(Lines(list), L{""});
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
}

TEST(Strings, SetTextStopsAtCharacterCodeZero)
{
    TStringList list;
    list.Add("old");
    list.SetText(std::string(1, '\0'));
    EXPECT_EQ(list.Count(), 0);
    list.SetText(std::string("a\r\nb\0c\r\nd", 10));
    EXPECT_EQ(Lines(list), (L{"a", "b"}));
}

TEST(Strings, SetTextReportsOneChange)
{
    TStringList list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.SetText("a\r\nb\r\nc");
    EXPECT_EQ(changes, 1);
}

TEST(Strings, AssignCopiesLinesAndAttachedObjects)
{
    TStringList source;
    TStringList marker;
    source.AddObject("x", &marker);
    source.Add("y");
    TStringList dest;
    dest.Add("gone");
    dest.Assign(&source);
    EXPECT_EQ(Lines(dest), (L{"x", "y"}));
    EXPECT_EQ(dest.Objects(0), &marker);
    EXPECT_EQ(dest.Objects(1), nullptr);
    dest.Assign(&dest);
    EXPECT_EQ(dest.Count(), 2);
}

TEST(Strings, BadIndexRaisesTheListErrorAndChangesNothing)
{
    TStringList list;
    list.Add("a");
    EXPECT_THROW(list.Get(1), EStringListError);
    EXPECT_THROW(list.Insert(3, "b"), EStringListError);
    EXPECT_THROW(list.Delete(-1), EStringListError);
    EXPECT_EQ(Lines(list), L{"a"});
    EXPECT_EQ(list.IndexOf("a"), 0);
    EXPECT_EQ(list.IndexOf("A"), -1);
}
