// Property text conversions against hostile text: a fixed-seed loop of random texts built from
// the grammar's own pieces, and the faults it and the fuzz target found.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <utility>

#include "tests/streaming/PropertyTextProbe.h"

namespace {

// A text of up to six pieces: numbers near the types' limits, signs, hexadecimal, identifiers
// of every type, set brackets and commas, blanks, control and high bytes.
std::string RandomText(std::mt19937& Random)
{
    static const std::array<std::string, 32> Pieces{
        "0", "1", "-", "+", "$", "$FF", "$80000005", "$FFFFFFFF", "255", "256", "-129", "32768", "65535",
        "2147483647", "-2147483648", "4294967295", "99999999999999999999", "True", "false", "clRed", "clWindow",
        "ANSI_CHARSET", "taCenter", "fpFixed", "fsBold", "fsStrikeOut", "[", "]", ",", " ", "\t", "x"};
    const auto pick = [&](std::size_t N) { return std::uniform_int_distribution<std::size_t>(0, N - 1)(Random); };
    std::string text;
    for (std::size_t n = pick(7); n > 0; --n) {
        if (pick(8) == 0) text += static_cast<char>(pick(256));
        else text += Pieces[pick(Pieces.size())];
    }
    return text;
}

} // namespace

TEST(PropertyTextRobustnessTest, RandomTextsAreTakenWhole_OrRefusedWithNothingChanged)
{
    TTextProbeSet probes;
    std::mt19937 random(1998);
    int taken = 0, refused = 0;
    for (int i = 0; i < 6000; ++i) {
        const auto& target = probes.Targets()[static_cast<std::size_t>(i) % probes.Targets().size()];
        const std::string text = RandomText(random);
        const TTypeInfo& type = *target.Prop->PropType;
        bool isValue = true;
        try {
            if (type.IsOrdinal()) type.TextToOrdinal(text);
        } catch (const EConvertError&) {
            isValue = false;
        }
        ASSERT_EQ(probes.SetAndCheck(target, text), "") << target.Prop->Name << " <- '" << text << "'";
        (isValue ? taken : refused) += 1;
    }
    EXPECT_GT(taken, 500);
    EXPECT_GT(refused, 500);
}

TEST(PropertyTextRobustnessTest, ATextWithANulIsNoNameOrNumber)
{
    // The case-blind comparisons stopped at the NUL, so "True<NUL>x" read as True.
    TTextProbeSet probes;
    const TPropertyRegistry& R = probes.Registry();
    const std::pair<const char*, std::string> cases[] = {
        {"Boolean", std::string("True\0x", 6)},           {"TColor", std::string("clRed\0", 6)},
        {"TFontCharset", std::string("ANSI_CHARSET\0!", 14)}, {"TAlignment", std::string("taCenter\0", 9)},
        {"TFontStyles", std::string("[fsBold\0]", 9)},      {"Integer", std::string("12\0", 3)},
    };
    for (const auto& [type, text] : cases) {
        EXPECT_THROW(R.Type(type).TextToOrdinal(text), EConvertError) << type;
        EXPECT_NO_THROW(R.Type(type).TextToOrdinal(text.substr(0, text.find('\0')) + (text.front() == '[' ? "]" : ""))) << type;
    }
    const auto& alignment = *R.FindClass("TTextProbe")->FindProperty("Alignment");
    probes.Probe.Alignment = taRightJustify;
    EXPECT_THROW(alignment.SetAsText(&probes.Probe, std::string("taCenter\0", 9)), EConvertError);
    EXPECT_EQ(probes.Probe.Alignment, taRightJustify);
}

TEST(PropertyTextRobustnessTest, HexadecimalFillsTheRangeOfAnUnsignedType)
{
    TTextProbeSet probes;
    const TPropertyRegistry& R = probes.Registry();
    EXPECT_EQ(R.Type("Cardinal").TextToOrdinal("$FFFFFFFF"), 4294967295);
    EXPECT_EQ(R.Type("Cardinal").TextToOrdinal("$80000000"), 2147483648);
    EXPECT_EQ(R.Type("Integer").TextToOrdinal("$FFFFFFFF"), -1);
    EXPECT_EQ(R.Type("Byte").TextToOrdinal("$FF"), 255);
    EXPECT_THROW(R.Type("Byte").TextToOrdinal("$FFFFFFFF"), EConvertError);
    EXPECT_THROW(R.Type("Word").TextToOrdinal("$10000"), EConvertError);
}

TEST(PropertyTextRobustnessTest, AFontSizeAtTheIntegerLimitsSaturatesTheHeight)
{
    // 1610612736 points are 2^31 pixels at 96 dpi: the height's negation overflowed.
    TTextProbeSet probes;
    const TClassInfo& font = *probes.Registry().FindClass("TFont");
    TFont* f = probes.Probe.Font();
    font.FindProperty("Size")->SetAsText(f, "1610612736");
    EXPECT_EQ(f->Height(), -INT32_MAX);
    font.FindProperty("Size")->SetAsText(f, "-2147483648");
    EXPECT_EQ(f->Height(), INT32_MAX);
    font.FindProperty("Height")->SetAsText(f, "-2147483648");
    EXPECT_EQ(f->Size(), 1610612736);
}
