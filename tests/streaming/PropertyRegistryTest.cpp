#include <gtest/gtest.h>

#include "host/core/Exceptions.h"
#include "host/core/Strings.h"
#include "host/graphics/Font.h"
#include "host/streaming/PropertyRegistry.h"

namespace {

enum TShape : unsigned char { shCircle, shSquare, shStar };

// A class with one property of every kind the registry carries.
class TGadget : public TPersistent {
public:
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; ++WidthWrites; }
    bool IsWidthStored() const { return FWidth != 50; }

    TShape Shape = shCircle;
    TFontStyles Styles;
    bool Enabled = true;
    signed char Small = 0;
    TColor Color = clWindow;
    std::string Caption;
    TFont* Font() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    TStringList* Lines() { return &FLines; }
    int Serial() const { return 17; }

    int WidthWrites = 0;

private:
    int FWidth = 50;
    TFont FFont;
    TStringList FLines;
};

// Declares Width again (with a default) and adds one property.
class TBigGadget : public TGadget {
public:
    int Depth = 3;
};

class TUnregisteredGadget : public TBigGadget {};

class TBox : public TComponent {
public:
    using TComponent::TComponent;
};

class PropertyRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterHostProperties(R);
        R.RegisterEnumeration("TShape", {"shCircle", "shSquare", "shStar"});
        R.RegisterClass<TGadget>("TGadget", "TPersistent")
            .Property("Width", R.Type("Integer"), &TGadget::Width, &TGadget::SetWidth)
            .Stored(&TGadget::IsWidthStored)
            .Property("Shape", R.Type("TShape"), &TGadget::Shape, &TGadget::Shape)
            .Default(shCircle)
            .Property("Styles", R.Type("TFontStyles"), &TGadget::Styles, &TGadget::Styles)
            .Property("Enabled", R.Type("Boolean"), &TGadget::Enabled, &TGadget::Enabled)
            .Default(true)
            .Property("Small", R.Type("Shortint"), &TGadget::Small, &TGadget::Small)
            .Property("Color", R.Type("TColor"), &TGadget::Color, &TGadget::Color)
            .Default(clWindow)
            .Property("Caption", R.Type("string"), &TGadget::Caption, &TGadget::Caption)
            .Property("Font", R.Type("TFont"), &TGadget::Font, &TGadget::SetFont)
            .Property("Lines", R.Type("TStrings"), &TGadget::Lines, nullptr)
            .Property("Serial", R.Type("Integer"), &TGadget::Serial, nullptr)
            .Stored(false);
        R.RegisterClass<TBigGadget>("TBigGadget", "TGadget")
            .Property("Depth", R.Type("Integer"), &TBigGadget::Depth, &TBigGadget::Depth)
            .Property("Width", R.Type("Integer"), &TGadget::Width, &TGadget::SetWidth)
            .Default(50);
    }

    const TPropInfo& Prop(const std::string& Name) const { return *R.FindClass("TBigGadget")->FindProperty(Name); }

    TPropertyRegistry R;
    TBigGadget G;
};

} // namespace

TEST_F(PropertyRegistry, PropertiesComeInDeclarationOrderParentsFirst)
{
    std::vector<std::string> names;
    for (const TPropInfo* prop : R.FindClass("TBigGadget")->Properties()) names.push_back(prop->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Width", "Shape", "Styles", "Enabled", "Small", "Color", "Caption",
                         "Font", "Lines", "Serial", "Depth"}));
    // The redeclared Width keeps its place but carries the new declaration.
    EXPECT_EQ(R.FindClass("TBigGadget")->Properties()[0]->Default, std::optional<std::int64_t>(50));
    EXPECT_EQ(&Prop("width"), R.FindClass("TBigGadget")->Properties()[0]);
    EXPECT_EQ(R.FindClass("TBigGadget")->FindProperty("Height"), nullptr);
}

TEST_F(PropertyRegistry, StoredRuleAndDefaultDecideWhatIsWritten)
{
    const TClassInfo* gadget = R.FindClass("TGadget");
    EXPECT_FALSE(gadget->FindProperty("Width")->ShouldWrite(&G));
    G.SetWidth(70);
    EXPECT_TRUE(gadget->FindProperty("Width")->ShouldWrite(&G));
    EXPECT_FALSE(Prop("Shape").ShouldWrite(&G));
    G.Shape = shStar;
    EXPECT_TRUE(Prop("Shape").ShouldWrite(&G));
    EXPECT_FALSE(Prop("Enabled").ShouldWrite(&G));
    EXPECT_TRUE(Prop("Small").ShouldWrite(&G)) << "no default: always written";
    EXPECT_FALSE(Prop("Serial").ShouldWrite(&G));
    // Both rules apply together: stored, and not the default.
    G.SetWidth(50);
    EXPECT_FALSE(Prop("Width").ShouldWrite(&G));
}

TEST_F(PropertyRegistry, OrdinalsConvertToAndFromText)
{
    G.Styles = {fsBold, fsStrikeOut};
    G.Color = clBtnFace;
    EXPECT_EQ(Prop("Styles").GetAsText(&G), "[fsBold,fsStrikeOut]");
    EXPECT_EQ(Prop("Color").GetAsText(&G), "clBtnFace");
    EXPECT_EQ(Prop("Enabled").GetAsText(&G), "True");
    EXPECT_EQ(Prop("Font").GetAsText(&G), "(TFont)");

    Prop("Styles").SetAsText(&G, " [ fsItalic , fsUnderline ] ");
    EXPECT_EQ(G.Styles, (TFontStyles{fsItalic, fsUnderline}));
    Prop("Styles").SetAsText(&G, "[]");
    EXPECT_TRUE(G.Styles.Empty());
    Prop("Shape").SetAsText(&G, "SHSQUARE");
    EXPECT_EQ(G.Shape, shSquare);
    Prop("Color").SetAsText(&G, "$80000005");
    EXPECT_EQ(G.Color, clWindow);
    Prop("Color").SetAsText(&G, "clRed");
    EXPECT_EQ(G.Color, clRed);
    Prop("Width").SetAsText(&G, "-12");
    EXPECT_EQ(G.Width(), -12);
    Prop("Enabled").SetAsText(&G, "false");
    EXPECT_FALSE(G.Enabled);
}

TEST_F(PropertyRegistry, NamedIntegersStreamAsIdentifiersOnlyWhenNamed)
{
    TFont font;
    const TClassInfo* info = R.ClassOf(&font);
    EXPECT_EQ(info->FindProperty("Charset")->GetAsText(&font), "DEFAULT_CHARSET");
    font.SetCharset(3);
    EXPECT_EQ(info->FindProperty("Charset")->GetAsText(&font), "3");
    info->FindProperty("Charset")->SetAsText(&font, "RUSSIAN_CHARSET");
    EXPECT_EQ(font.Charset(), 204);
    G.Color = RGB(1, 2, 3);
    EXPECT_EQ(Prop("Color").GetAsText(&G), "197121");
}

TEST_F(PropertyRegistry, BadTextAndOutOfRangeValuesAreRefusedAndChangeNothing)
{
    for (const auto& [name, text] : std::vector<std::pair<const char*, const char*>>{
             {"Shape", "shOval"}, {"Shape", ""}, {"Styles", "fsBold"}, {"Styles", "[fsBold,fsHuge]"},
             {"Small", "128"}, {"Small", "-129"}, {"Width", "12abc"}, {"Width", "99999999999"},
             {"Enabled", "yes"}, {"Color", "clPink"}, {"Color", "$123456789"}}) {
        EXPECT_THROW(Prop(name).SetAsText(&G, text), EConvertError) << name << " " << text;
    }
    EXPECT_THROW(Prop("Shape").SetOrd(&G, 3), EConvertError);
    EXPECT_THROW(Prop("Styles").SetOrd(&G, 16), EConvertError);
    EXPECT_THROW(Prop("Small").SetOrd(&G, -200), EConvertError);
    EXPECT_EQ(G.Shape, shCircle);
    EXPECT_TRUE(G.Styles.Empty());
    EXPECT_EQ(G.Small, 0);
    EXPECT_EQ(G.WidthWrites, 0);
    try {
        Prop("Shape").SetAsText(&G, "shOval");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'shOval' is not a valid TShape value");
    }
}

TEST_F(PropertyRegistry, AccessOfTheWrongKindOrOnTheWrongObjectIsAnError)
{
    EXPECT_THROW(Prop("Caption").GetOrd(&G), EInvalidCast);
    EXPECT_THROW(Prop("Width").GetStr(&G), EInvalidCast);
    EXPECT_THROW(Prop("Width").GetObj(&G), EInvalidCast);
    EXPECT_THROW(Prop("Serial").SetOrd(&G, 1), EInvalidOperation);
    EXPECT_THROW(Prop("Lines").SetObj(&G, nullptr), EInvalidOperation);
    EXPECT_THROW(Prop("Font").SetAsText(&G, "Arial"), EConvertError);
    TFont font;
    EXPECT_THROW(Prop("Width").GetOrd(&font), EInvalidCast);
    TStringList list;
    EXPECT_THROW(Prop("Font").SetObj(&G, &list), EInvalidCast);
    EXPECT_TRUE(Prop("Serial").IsReadOnly());
}

TEST_F(PropertyRegistry, SubObjectsAreReachedThroughTheirGetters)
{
    TFont other;
    other.SetName("Arial");
    Prop("Font").SetObj(&G, &other);
    EXPECT_EQ(G.Font()->Name(), "Arial");
    TPersistent* font = Prop("Font").GetObj(&G);
    EXPECT_EQ(font, G.Font());
    const TClassInfo* fontClass = R.ClassOf(font);
    ASSERT_NE(fontClass, nullptr);
    fontClass->FindProperty("Style")->SetAsText(font, "[fsBold]");
    EXPECT_TRUE(G.Font()->Style().Contains(fsBold));
    EXPECT_FALSE(fontClass->FindProperty("Size")->ShouldWrite(font));
    EXPECT_TRUE(fontClass->FindProperty("Height")->ShouldWrite(font));
}

TEST_F(PropertyRegistry, InstancesFindTheirNearestRegisteredClass)
{
    TUnregisteredGadget unregistered;
    EXPECT_EQ(R.ClassOf(&unregistered)->ClassName(), "TBigGadget");
    TGadget plain;
    EXPECT_EQ(R.ClassOf(&plain)->ClassName(), "TGadget");
    TStringList list;
    EXPECT_EQ(R.ClassOf(&list)->ClassName(), "TStringList");
    EXPECT_TRUE(R.ClassOf(&list)->InheritsFrom("TStrings"));
    EXPECT_EQ(R.ClassOf(nullptr), nullptr);
    TPropertyRegistry empty;
    EXPECT_EQ(empty.ClassOf(&plain), nullptr);
}

TEST_F(PropertyRegistry, RegistrationMistakesAreReported)
{
    EXPECT_THROW(R.RegisterClass<TUnregisteredGadget>("TGadget", "TPersistent"), EInvalidOperation);
    EXPECT_THROW(R.RegisterClass<TUnregisteredGadget>("TOther", "TMissing"), EInvalidOperation);
    EXPECT_THROW(R.RegisterEnumeration("TShape", {"a"}), EInvalidOperation);
    EXPECT_THROW(R.RegisterSet("TShapes", R.Type("Integer"), 8), EInvalidOperation);
    EXPECT_THROW(R.Type("TNothing"), EInvalidOperation);
    auto registration = R.RegisterClass<TUnregisteredGadget>("TUnregisteredGadget", "TBigGadget");
    EXPECT_THROW(registration.Default(1), EInvalidOperation);
    EXPECT_THROW(registration.Property("Caption", R.Type("Integer"), &TGadget::Caption, &TGadget::Caption), EInvalidOperation);
    registration.Property("Caption", R.Type("string"), &TGadget::Caption, &TGadget::Caption);
    EXPECT_THROW(registration.Default(1), EInvalidOperation);
    RegisterHostProperties(R);
    EXPECT_NE(R.FindClass("tfont"), nullptr);
}

TEST_F(PropertyRegistry, ComponentsCanBeCreatedByClassName)
{
    R.RegisterClass<TBox>("TBox", "TComponent").Creatable();
    TComponent owner(nullptr);
    TComponent* box = R.FindClass("TBox")->CreateComponent(&owner);
    EXPECT_NE(dynamic_cast<TBox*>(box), nullptr);
    EXPECT_EQ(box->Owner(), &owner);
    EXPECT_FALSE(R.FindClass("TComponent")->IsCreatable());
    EXPECT_EQ(R.FindClass("TComponent")->CreateComponent(&owner), nullptr);
}
