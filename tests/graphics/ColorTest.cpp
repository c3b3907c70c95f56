#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "host/core/Exceptions.h"
#include "host/graphics/Color.h"

namespace {

// The colour names the layout editor offers, in its order, with their values.
const std::vector<std::pair<const char*, unsigned>> EditorColors{
    {"clBlack", 0x00000000}, {"clMaroon", 0x00000080}, {"clGreen", 0x00008000}, {"clOlive", 0x00008080},
    {"clNavy", 0x00800000}, {"clPurple", 0x00800080}, {"clTeal", 0x00808000}, {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0}, {"clRed", 0x000000FF}, {"clLime", 0x0000FF00}, {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000}, {"clFuchsia", 0x00FF00FF}, {"clAqua", 0x00FFFF00}, {"clWhite", 0x00FFFFFF},
    {"clScrollBar", 0x80000000}, {"clBackground", 0x80000001}, {"clActiveCaption", 0x80000002},
    {"clInactiveCaption", 0x80000003}, {"clMenu", 0x80000004}, {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006}, {"clMenuText", 0x80000007}, {"clWindowText", 0x80000008},
    {"clCaptionText", 0x80000009}, {"clActiveBorder", 0x8000000A}, {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C}, {"clHighlight", 0x8000000D}, {"clHighlightText", 0x8000000E},
    {"clBtnFace", 0x8000000F}, {"clBtnShadow", 0x80000010}, {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012}, {"clInactiveCaptionText", 0x80000013}, {"clBtnHighlight", 0x80000014},
    {"cl3DDkShadow", 0x80000015}, {"cl3DLight", 0x80000016}, {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018}, {"clNone", 0x1FFFFFFF},
};

} // namespace

TEST(Color, EveryEditorColourNameConvertsBothWays)
{
    ASSERT_EQ(EditorColors.size(), 42u);
    for (const auto& [name, value] : EditorColors) {
        const auto color = static_cast<TColor>(value);
        EXPECT_EQ(ColorToString(color), name);
        EXPECT_EQ(StringToColor(name), color) << name;
    }
}

TEST(Color, NamesAreReadInAnyCase)
{
    EXPECT_EQ(StringToColor("CLWINDOW"), clWindow);
    EXPECT_EQ(StringToColor("clbtnface"), clBtnFace);
}

TEST(Color, OtherValuesUseTheHexadecimalForm)
{
    EXPECT_EQ(ColorToString(RGB(0x12, 0x34, 0x56)), "$00563412");
    EXPECT_EQ(ColorToString(static_cast<TColor>(0x80000030)), "$80000030");
    EXPECT_EQ(StringToColor("$00563412"), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(StringToColor("$80000005"), clWindow);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_EQ(StringToColor("-1"), static_cast<TColor>(0xFFFFFFFF));
}

TEST(Color, TextThatIsNoColourRaisesAConversionError)
{
    for (const char* text : {"", "clPink", "$", "$123456789", "12x", "-", "99999999999", "$GG"}) {
        try {
            StringToColor(text);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid colour");
        }
    }
    TColor color = 7;
    EXPECT_FALSE(IdentToColor("$00000000", color));
    EXPECT_EQ(color, 7);
}

TEST(Color, SystemColoursResolveToTheirClassicValues)
{
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clBtnFace), clSilver);
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToPixel(clRed), 0xFFFF0000u);
    EXPECT_EQ(PixelToColor(0xFF0000FFu), clBlue);
}
