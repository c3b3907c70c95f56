#include <gtest/gtest.h>

#include <memory>

#include "host/core/Exceptions.h"
#include "host/core/Strings.h"
#include "host/graphics/Font.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"

namespace {

enum TShade : unsigned char { shLight, shDark, shGlow };
using TShades = TSet<TShade, unsigned char>;

std::vector<std::string> Journal;

class TProbeItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    int Weight = 0;
    std::string Label;
};

// A component with a property of every kind and defined data of every other value kind. Its
// setters note what they set and whether the component was loading.
class TProbe : public TComponent {
public:
    explicit TProbe(TComponent* AOwner) : TComponent(AOwner) { ++Live; }
    ~TProbe() override { --Live; }
    static inline int Live = 0;

    int Count() const { return FCount; }
    void SetCount(int Value)
    {
        Journal.push_back(Name() + ".Count" + (ComponentState.Contains(csLoading) ? " loading" : ""));
        FCount = Value;
    }
    std::string Text() const { return FText; }
    void SetText(const std::string& Value)
    {
        Journal.push_back(Name() + ".Text");
        FText = Value;
    }
    void Loaded() override
    {
        Journal.push_back(Name() + " loaded");
        TComponent::Loaded();
    }
    void DefineProperties(TFiler* Filer) override
    {
        Filer->DefineProperty(
            "Extra",
            [this](TReader& R) {
                R.ReadListBegin();
                Ratio = R.ReadFloat();
                Price = R.ReadCurrency();
                When = R.ReadDate();
                Big = R.ReadInt64();
                R.ReadListEnd();
            },
            [this](TWriter& W) {
                W.WriteListBegin();
                W.WriteFloat(Ratio);
                W.WriteCurrency(Price);
                W.WriteDate(When);
                W.WriteInteger(Big);
                W.WriteListEnd();
            },
            Big != 0);
        Filer->DefineBinaryProperty(
            "Blob", [this](const std::string& Data) { Blob = Data; }, [this](std::string& Data) { Data = Blob; }, !Blob.empty());
        // Data an older version stored and this one no longer reads.
        Filer->DefineProperty("Legacy", nullptr, nullptr, false);
        Filer->DefineBinaryProperty("Thumb", nullptr, nullptr, false);
    }

    bool Flag = false;
    TShade Shade = shLight;
    TShades Shades;
    TColor Color = clWindow;
    TFont Font;
    TStringList Lines;
    TCollection Items{ItemClassOf<TProbeItem>};
    TNotifyEvent OnPing;
    long double Ratio = 0;
    Currency Price;
    double When = 0;
    std::int64_t Big = 0;
    std::string Blob;

private:
    int FCount = 0;
    std::string FText;
};

TPropertyRegistry& Registry()
{
    static TPropertyRegistry R;
    if (R.FindClass("TProbe")) return R;
    RegisterHostProperties(R);
    const TTypeInfo& shade = R.RegisterEnumeration("TShade", {"shLight", "shDark", "shGlow"});
    R.RegisterSet("TShades", shade, 8);
    R.RegisterMethodType("TNotifyEvent");
    R.RegisterClass<TProbeItem>("TProbeItem", "TCollectionItem")
        .Property("Weight", R.Type("Integer"), &TProbeItem::Weight, &TProbeItem::Weight)
        .Property("Label", R.Type("string"), &TProbeItem::Label, &TProbeItem::Label);
    auto font = [](TProbe& P) { return &P.Font; };
    auto setFont = [](TProbe& P, TFont* F) { P.Font.Assign(F); };
    auto lines = [](TProbe& P) -> TStrings* { return &P.Lines; };
    auto items = [](TProbe& P) { return &P.Items; };
    R.RegisterClass<TProbe>("TProbe", "TComponent")
        .Creatable()
        .Property("Count", R.Type("Integer"), &TProbe::Count, &TProbe::SetCount)
        .Default(0)
        .Property("Flag", R.Type("Boolean"), &TProbe::Flag, &TProbe::Flag)
        .Property("Shade", R.Type("TShade"), &TProbe::Shade, &TProbe::Shade)
        .Property("Shades", R.Type("TShades"), &TProbe::Shades, &TProbe::Shades)
        .Property("Color", R.Type("TColor"), &TProbe::Color, &TProbe::Color)
        .Property("Text", R.Type("string"), &TProbe::Text, &TProbe::SetText)
        .Property("Font", R.Type("TFont"), font, setFont)
        .Property("Lines", R.Type("TStrings"), lines, nullptr)
        .Property("Items", R.Type("TCollection"), items, nullptr)
        .Event("OnPing", R.Type("TNotifyEvent"), &TProbe::OnPing);
    return R;
}

THandlerTable Handlers()
{
    THandlerTable table;
    table.Add<TNotifyEvent>("FormPing", [](TObject*) { Journal.push_back("ping"); });
    return table;
}

// A form of three probes using every value kind, with its event bound.
std::unique_ptr<TProbe> MakeForm()
{
    auto form = std::make_unique<TProbe>(nullptr);
    form->SetName("Form1");
    form->SetCount(-70000);
    form->Flag = true;
    form->Shade = shGlow;
    form->Shades = TShades{shLight, shGlow};
    form->Color = clBtnFace;
    form->SetText(std::string("It's \"done\"\r\ncaf\xC3\xA9 ") + std::string(70, 'x'));
    form->Font.SetName("DejaVu Sans");
    form->Font.SetStyle(TFontStyles{fsBold});
    form->Lines.Add("one");
    form->Lines.Add("");
    auto* item = static_cast<TProbeItem*>(form->Items.Add());
    item->Weight = 300;
    item->Label = "first";
    form->Items.Add();
    form->Ratio = 0.1L;
    form->Price = Currency::FromRaw(-123456789);
    form->When = 46000.25;
    form->Big = 1LL << 40;
    form->Blob = std::string("\x00\x01\xFE\xFF", 4) + std::string(40, 'A');
    form->OnPing = [](TObject*) {};
    form->SetHandlerName("OnPing", "FormPing");
    auto* a = new TProbe(form.get());
    a->SetName("A");
    a->SetCount(5);
    a->Color = static_cast<TColor>(0x123456);
    auto* b = new TProbe(form.get());
    b->SetName("B");
    b->Shade = shDark;
    new TProbe(b); // unnamed: no part of the form
    Journal.clear();
    return form;
}

const char* const FormText = R"(object Form1: TProbe
  Count = -70000
  Flag = True
  Shade = shGlow
  Shades = [shLight, shGlow]
  Color = clBtnFace
  Text =
    'It''s "done"'#13#10'caf'#195#169' xxxxxxxxxxxxxxxxxxxxxxxxxxxxx' +
    'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx'
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'DejaVu Sans'
  Font.Style = [fsBold]
  Lines.Strings = (
    'one'
    '')
  Items = <
    item
      Weight = 300
      Label = 'first'
    end
    item
      Weight = 0
      Label = ''
    end>
  OnPing = FormPing
  Extra = (
    0.1
    -12345.6789c
    46000.25d
    1099511627776)
  Blob = {
    0001FEFF41414141414141414141414141414141414141414141414141414141
    414141414141414141414141}
  object A: TProbe
    Count = 5
    Flag = False
    Shade = shLight
    Shades = []
    Color = 1193046
    Text = ''
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    Items = <>
  end
  object B: TProbe
    Flag = False
    Shade = shDark
    Shades = []
    Color = clWindow
    Text = ''
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    Items = <>
  end
end
)";

TEST(FormStreaming, WriteReadWriteKeepsEveryValueInOrder)
{
    auto form = MakeForm();
    const std::string bytes = WriteForm(form.get(), Registry());
    ASSERT_EQ(bytes.substr(0, 4), "TPF0");

    const THandlerTable handlers = Handlers();
    std::unique_ptr<TComponent> read(ReadForm(bytes, nullptr, &handlers, nullptr, Registry()));
    auto* copy = dynamic_cast<TProbe*>(read.get());
    ASSERT_TRUE(copy);
    // Setters run in the order met while every component is loading; Loaded comes once all is read.
    EXPECT_EQ(Journal, (std::vector<std::string>{"Form1.Count loading", "Form1.Text", "A.Count loading", "A.Text", "B.Text",
                                                 "Form1 loaded", "A loaded", "B loaded"}));
    EXPECT_EQ(copy->Count(), -70000);
    EXPECT_EQ(copy->Shades, (TShades{shLight, shGlow}));
    EXPECT_EQ(copy->Text(), form->Text());
    EXPECT_EQ(copy->Font.Name(), "DejaVu Sans");
    EXPECT_EQ(copy->Lines.GetText(), "one\r\n\r\n");
    EXPECT_EQ(static_cast<TProbeItem*>(copy->Items.GetItem(0))->Label, "first");
    EXPECT_EQ(copy->Ratio, 0.1L);
    EXPECT_EQ(copy->Price, form->Price);
    EXPECT_EQ(copy->When, 46000.25);
    EXPECT_EQ(copy->Big, 1LL << 40);
    EXPECT_EQ(copy->Blob, form->Blob);
    ASSERT_EQ(copy->ComponentCount(), 2);
    EXPECT_EQ(copy->Components(1)->Name(), "B");
    EXPECT_FALSE(copy->ComponentState.Contains(csLoading));
    copy->OnPing(copy);
    EXPECT_EQ(Journal.back(), "ping");
    EXPECT_EQ(WriteForm(copy, Registry()), bytes);
}

TEST(FormStreaming, TextFormIsExactBothWays)
{
    auto form = MakeForm();
    const std::string bytes = WriteForm(form.get(), Registry());
    const std::string text = ObjectBinaryToText(bytes);
    EXPECT_EQ(text, FormText);
    EXPECT_EQ(ObjectTextToBinary(text), bytes);
    EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(FormText)), FormText);

    // A form reads from its text directly, and hand-written text takes the canonical form.
    const THandlerTable handlers = Handlers();
    std::unique_ptr<TComponent> read(ReadForm(text, nullptr, &handlers, nullptr, Registry()));
    EXPECT_EQ(WriteForm(read.get(), Registry()), bytes);
    EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary("object X: TProbe\n  Text = 'a' + #65'b'\n  Count=1 end")),
              "object X: TProbe\n  Text = 'aAb'\n  Count = 1\nend\n");
}

std::string Replace(std::string S, const std::string& From, const std::string& To)
{
    const auto at = S.find(From);
    EXPECT_NE(at, std::string::npos) << From;
    return at == std::string::npos ? S : S.replace(at, From.size(), To);
}

// Reading Data fails with an EReadError whose message holds Message.
void ExpectReadError(const std::string& Data, const std::string& Message, const THandlerTable& Handlers)
{
    try {
        delete ReadForm(Data, nullptr, &Handlers, nullptr, Registry());
        ADD_FAILURE() << "no error for " << Message;
    } catch (const EReadError& E) {
        EXPECT_NE(std::string(E.what()).find(Message), std::string::npos) << E.what();
    }
}

TEST(FormStreaming, HostileFormsAreReadErrorsThatSayWhatAndWhere)
{
    auto form = MakeForm();
    const std::string good = WriteForm(form.get(), Registry());
    const THandlerTable handlers = Handlers();
    const int live = TProbe::Live;
    std::string deep = "TPF0";
    for (int i = 0; i < 300; ++i) deep += std::string("\x06TProbe\x00\x00", 9);
    struct Case {
        std::string Data;
        std::string Message;
    } cases[] = {
        {"TPF1" + good.substr(4), "signature TPF0 is missing (at offset 0)"},
        {Replace(good, std::string("\x05" "Count\x04", 7), std::string("\x05" "Count\x2A", 7)), "Unknown value tag 42"},
        {Replace(good, "\x06TProbe\x01" "A", "\x06TWidge\x01" "A"), "Class TWidge not found"},
        {Replace(good, "\x05" "Count", "\x05" "Cound"), "Property Cound does not exist (at offset 17)"},
        {Replace(good, std::string("\x05Shade\x07", 7), std::string("\x05Shade\x02", 7)), "Invalid value (tag 2) for property Shade"},
        {Replace(good, std::string("\x04" "Text\x14", 6), std::string("\x04" "Text\x14\xFF\xFF\xFF\x7F", 10)),
         "String of 2147483647 bytes in property Text runs"},
        {Replace(good, std::string("\x04" "Text\x14", 6), std::string("\x04" "Text\x14\x00\x00\x00\x80", 10)), "Negative string length"},
        {Replace(good, "\x08" "FormPing", "\x08" "FormPong"), "Handler FormPong of event OnPing not found"},
        {good + "x", "Unexpected data after the form"},
        {deep, "nested deeper than 256"},
    };
    for (const Case& c : cases) {
        ExpectReadError(c.Data, c.Message, handlers);
        EXPECT_EQ(TProbe::Live, live) << c.Message;
    }

    const std::pair<std::string, std::string> texts[] = {
        {"object A: TProbe\n  Count = 1x\nend", "Line 2, column 11: Invalid number '1'"},
        {"object A: TProbe\n  Text = 'abc\nend", "Line 2, column 14: Unterminated string"},
        {"object A: TProbe\n  Blob = {ABC}\nend", "Line 2, column 14: Odd number"},
        {"object A: TProbe\n  Count 1\nend", "Line 2, column 9: '=' expected"},
        {"object A: TProbe\n  Shade = 5\nend", "for property Shade of type TShade (at line 2, column 3)"},
        {"object A: TProbe\n  Nope = 5\nend", "Property Nope does not exist (at line 2, column 3)"},
        {"object A: TProbe\n  Legacy = 5\nend", "Property Legacy cannot be read (at line 2, column 3)"},
        {"object A: TProbe\n  Thumb = {00}\nend", "Property Thumb cannot be read (at line 2, column 3)"},
        {"object end: TProbe\nend", "Line 1, column 11: Name or class expected, found the keyword end"},
        // A class name's length byte of 0xF0 or more would read back as the component's prefix byte.
        {"object A: T" + std::string(239, 'x') + "\nend", "Class name longer than 239 characters"},
    };
    for (const auto& [text, message] : texts) ExpectReadError(text, message, handlers);
}

// A form file that ends inside a value says which property the value belongs to and how long
// it was, in the reader and in the conversion to text alike.
TEST(FormStreaming, ValuesCutShortNameTheirPropertyAndLength)
{
    auto form = MakeForm();
    const std::string good = WriteForm(form.get(), Registry());
    // Where the value of the property named Name starts (its tag).
    auto valueAt = [&](const std::string& Name) {
        const std::size_t at = good.find(static_cast<char>(Name.size()) + Name);
        EXPECT_NE(at, std::string::npos) << Name;
        return at + 1 + Name.size();
    };
    const std::size_t text = valueAt("Text"), blob = valueAt("Blob"), shade = valueAt("Shade"), shades = valueAt("Shades");
    const std::size_t lines = valueAt("Lines.Strings"), count = valueAt("Count");
    const std::size_t color = valueAt("Color") - 6;
    // The second item opens with its list begin and Weight = 0.
    const std::size_t secondItem = good.find(std::string("\x01\x06Weight\x02\x00", 10));
    const struct {
        std::size_t Length;
        std::string Message;
    } cases[] = {
        {text + 15, "String of 89 bytes in property Text runs 79 bytes past the end of the form file (at offset " +
                        std::to_string(text) + ")"},
        {blob + 6, "Binary value of 44 bytes in property Blob runs 43 bytes past the end of the form file (at offset " +
                       std::to_string(blob) + ")"},
        {shade + 3, "Identifier of 6 bytes in property Shade runs 5 bytes past the end of the form file (at offset " +
                        std::to_string(shade + 1) + ")"},
        {shades + 11, "Set member of 6 bytes in property Shades runs 5 bytes past the end of the form file (at offset " +
                          std::to_string(shades + 9) + ")"},
        {color + 3, "Property name of 5 bytes runs 3 bytes past the end of the form file (at offset " + std::to_string(color) + ")"},
        {count + 3, "Unexpected end of the form file in property Count (at offset " + std::to_string(count) + ")"},
        {lines + 6, "The form file ends inside a list in property Lines.Strings, after 1 item (at offset " +
                        std::to_string(lines + 6) + ")"},
        {secondItem, "The form file ends inside a list in property Items, after 1 item (at offset " +
                         std::to_string(secondItem) + ")"},
    };
    ASSERT_EQ(form->Text().size(), 89u);
    const THandlerTable handlers = Handlers();
    for (const auto& c : cases) {
        const std::string cut = good.substr(0, c.Length);
        try {
            delete ReadForm(cut, nullptr, &handlers, nullptr, Registry());
            ADD_FAILURE() << "no error for " << c.Message;
        } catch (const EReadError& E) {
            EXPECT_EQ(E.what(), c.Message);
        }
        try {
            ObjectBinaryToText(cut);
            ADD_FAILURE() << "no error in the conversion for " << c.Message;
        } catch (const EReadError& E) {
            EXPECT_EQ(E.what(), c.Message);
        }
    }
}

// Every truncation and every single-byte change of a valid form reads as a form or raises
// EReadError, and a failed read leaves nothing behind (the sanitizer build checks for leaks).
TEST(FormStreaming, EveryTruncationAndByteFlipIsAReadErrorOrAForm)
{
    auto form = MakeForm();
    const std::string good = WriteForm(form.get(), Registry());
    const std::string text = ObjectBinaryToText(good);
    const THandlerTable handlers = Handlers();
    const int live = TProbe::Live;
    auto attempt = [&](const std::string& Data) {
        try {
            delete ReadForm(Data, nullptr, &handlers, nullptr, Registry());
        } catch (const EReadError&) {
        }
        try {
            ObjectBinaryToText(Data);
        } catch (const EReadError&) {
        }
        ASSERT_EQ(TProbe::Live, live);
    };
    for (std::size_t n = 0; n < good.size(); ++n) attempt(good.substr(0, n));
    for (std::size_t n = 0; n < text.size(); n += 3) attempt(text.substr(0, n));
    for (std::size_t i = 0; i < good.size(); ++i) {
        std::string flipped = good;
        flipped[i] = static_cast<char>(flipped[i] ^ 0xFF);
        attempt(flipped);
        flipped[i] = static_cast<char>(good[i] + 1);
        attempt(flipped);
    }
}

TEST(FormStreaming, FailedReadIntoAnExistingRootKeepsItsItems)
{
    auto form = MakeForm();
    const std::string good = WriteForm(form.get(), Registry());
    TProbe target(nullptr);
    target.Items.Add();
    TCollectionItem* kept = target.Items.Add();
    static_cast<TProbeItem*>(kept)->Label = "kept";
    // Fails at the child B, after the root's items were read.
    const std::string bad = Replace(good, "\x06TProbe\x01" "B", "\x06TWidge\x01" "B");
    const THandlerTable handlers = Handlers();
    EXPECT_THROW(ReadForm(bad, &target, &handlers, nullptr, Registry()), EReadError);
    ASSERT_EQ(target.Items.Count(), 2);
    EXPECT_EQ(target.Items.GetItem(1), kept);
    EXPECT_EQ(target.ComponentCount(), 0);
    EXPECT_FALSE(target.ComponentState.Contains(csLoading));

    ReadForm(good, &target, &handlers, nullptr, Registry());
    EXPECT_EQ(static_cast<TProbeItem*>(target.Items.GetItem(0))->Label, "first");
    EXPECT_EQ(target.ComponentCount(), 2);
}

TEST(FormStreaming, EventsBindOnlyToHandlersOfTheirType)
{
    const std::string text = "object P: TProbe\n  OnPing = Handler\nend";
    THandlerTable table;
    table.Add<std::function<void(int)>>("Handler", [](int) {});
    EXPECT_THROW(ReadForm(text, nullptr, &table, nullptr, Registry()), EReadError);
    EXPECT_THROW(ReadForm(text, nullptr, nullptr, nullptr, Registry()), EReadError);

    THandlerTable lenient;
    lenient.AcceptUnknown = true;
    std::unique_ptr<TComponent> read(ReadForm(text, nullptr, &lenient, nullptr, Registry()));
    EXPECT_EQ(read->HandlerName("OnPing"), "Handler");
    EXPECT_FALSE(static_cast<TProbe*>(read.get())->OnPing);
}

} // namespace
