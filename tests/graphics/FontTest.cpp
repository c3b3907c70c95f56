#include <gtest/gtest.h>

#include "host/core/Exceptions.h"
#include "host/graphics/Font.h"

TEST(Font, HandleIgnoresTheColourOnly)
{
    TFont a;
    TFont b;
    b.SetColor(clRed);
    EXPECT_EQ(a.Handle(), b.Handle());
    EXPECT_NE(a.Handle(), 0u);
    b.SetStyle({fsBold});
    EXPECT_NE(a.Handle(), b.Handle());
    b.SetStyle({});
    b.SetCharset(ANSI_CHARSET);
    EXPECT_NE(a.Handle(), b.Handle());
    b.SetCharset(a.Charset());
    b.SetPitch(fpFixed);
    EXPECT_NE(a.Handle(), b.Handle());
    b.SetPitch(a.Pitch());
    b.SetName("Arial");
    EXPECT_NE(a.Handle(), b.Handle());
    b.SetName(a.Name());
    EXPECT_EQ(a.Handle(), b.Handle());
}

TEST(Font, SizeAndHeightConvertAtNinetySixPixelsPerInch)
{
    TFont font;
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.Height(), -11);
    font.SetSize(12);
    EXPECT_EQ(font.Height(), -16);
    font.SetHeight(-20);
    EXPECT_EQ(font.Size(), 15);
}

TEST(Font, ChangesAreReportedOnlyWhenSomethingChanges)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &font);
        ++changes;
    };
    font.SetColor(font.Color());
    font.SetName(font.Name());
    font.SetName("");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(font.Name(), "MS Sans Serif");
    font.SetSize(10);
    font.SetStyle({fsItalic});
    EXPECT_EQ(changes, 2);
}

TEST(Font, AssignCopiesEveryAttributeWithOneChange)
{
    TFont source;
    source.SetName("Courier New");
    source.SetHeight(-14);
    source.SetColor(clNavy);
    source.SetStyle({fsBold, fsUnderline});
    source.SetCharset(204);
    source.SetPitch(fpFixed);
    TFont dest;
    int changes = 0;
    dest.OnChange = [&](TObject*) { ++changes; };
    dest.Assign(&source);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(dest.Handle(), source.Handle());
    EXPECT_EQ(dest.Color(), clNavy);
    EXPECT_EQ(dest.Style(), source.Style());
}

TEST(Font, AssignFromAnotherClassRaises)
{
    TFont font;
    TPersistent other;
    EXPECT_THROW(font.Assign(&other), EConvertError);
    EXPECT_THROW(font.Assign(nullptr), EConvertError);
}

TEST(Font, DetachedHandlerComesBackAlsoWhenTheCopyFails)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    try {
        TFontChangeDetach detach(&font);
        font.SetSize(30);
        TPersistent other;
        font.Assign(&other);
    } catch (const EConvertError&) {
    }
    EXPECT_EQ(changes, 0);
    font.SetSize(31);
    EXPECT_EQ(changes, 1);
}
