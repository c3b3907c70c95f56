#include <gtest/gtest.h>

#include <sstream>

#include "TestGrid.h"
#include "host/core/Exceptions.h"

namespace {

// A small text writer and reader that know nothing of the column classes: everything they do
// comes from the registry, as the form writer, reader and designer work.
class TRegistryForm {
public:
    explicit TRegistryForm(const TPropertyRegistry& Registry) : R(Registry) {}

    std::vector<std::string> Write(TPersistent* Instance, const std::string& Prefix = "") const
    {
        std::vector<std::string> lines;
        const TClassInfo* info = R.ClassOf(Instance);
        for (const TPropInfo* prop : info->Properties()) {
            if (!prop->ShouldWrite(Instance)) continue;
            if (prop->PropType->Kind != tkClass) {
                lines.push_back(Prefix + prop->Name + "=" + prop->GetAsText(Instance));
                continue;
            }
            TPersistent* object = prop->GetObj(Instance);
            if (auto* strings = dynamic_cast<TStrings*>(object)) {
                if (strings->Count() > 0) lines.push_back(Prefix + prop->Name + ".Strings=" + strings->GetText());
                continue;
            }
            for (const std::string& line : Write(object, Prefix + prop->Name + "."))
                lines.push_back(line);
        }
        return lines;
    }

    void Read(TPersistent* Instance, const std::vector<std::string>& Lines) const
    {
        for (const std::string& line : Lines) {
            const size_t equals = line.find('=');
            std::string path = line.substr(0, equals);
            const std::string value = line.substr(equals + 1);
            TPersistent* object = Instance;
            size_t dot;
            while ((dot = path.find('.')) != std::string::npos) {
                const std::string name = path.substr(0, dot);
                path = path.substr(dot + 1);
                if (path == "Strings") {
                    dynamic_cast<TStrings*>(Find(object, name)->GetObj(object))->SetText(value);
                    object = nullptr;
                    break;
                }
                object = Find(object, name)->GetObj(object);
            }
            if (object) Find(object, path)->SetAsText(object, value);
        }
    }

private:
    const TPropInfo* Find(TPersistent* Object, const std::string& Name) const
    {
        const TPropInfo* prop = R.ClassOf(Object)->FindProperty(Name);
        if (!prop) throw EReadError("no property " + Name);
        return prop;
    }
    const TPropertyRegistry& R;
};

class ColumnProperties : public ::testing::Test, public TGridFixture {
protected:
    void SetUp() override { RegisterColumnModelProperties(Registry); }

    std::vector<std::string> Names(const std::string& ClassName) const
    {
        std::vector<std::string> names;
        for (const TPropInfo* prop : Registry.FindClass(ClassName)->Properties()) names.push_back(prop->Name);
        return names;
    }

    TPropertyRegistry Registry;
    TRegistryForm Form{Registry};
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(ColumnProperties, DeclarationOrderIsTheStreamingOrder)
{
    EXPECT_EQ(Names("TZelColumn"),
        (Lines{"ColumnSumEnable", "aType", "Tag", "Flags", "Alignment", "ButtonStyle", "Color", "DropDownRows", "Font",
            "PickList", "ReadOnly", "Title", "Width", "Format", "WordWrap", "Visible"}));
    EXPECT_EQ(Names("TZelColumnTitle"), (Lines{"Alignment", "Caption", "Color", "Font"}));
    EXPECT_EQ(Names("TZelLayoutItem"), Lines{"Columns"});
    EXPECT_EQ(Names("TZelColumnRec"),
        (Lines{"aType", "PickListText", "ColumnSumEnable", "Alignment", "ButtonStyle", "Color", "DropDownRows", "Font",
            "ReadOnly", "Titlefont", "TitleColor", "TitleCaption", "TitleAlignment", "Width", "Format", "WordWrap",
            "Visible"}));
    EXPECT_EQ(Names("TPassthroughColumn"), Names("TZelColumn"));
}

TEST_F(ColumnProperties, FreshColumnWritesOnlyTypeTagAndFlags)
{
    TZelColumn* column = AddColumns(2);
    EXPECT_EQ(Form.Write(column), (Lines{"aType=tctLogic", "Tag=0", "Flags=-1"}));
}

TEST_F(ColumnProperties, ValuesEqualToTheirDefaultsAreNotWritten)
{
    TZelColumn* column = AddColumns(3);
    column->SetWidth(Grid.DefaultColWidth());
    column->SetColor(Grid.Color());
    column->SetReadOnly(true);
    column->SetReadOnly(false);
    column->Title()->SetCaption("Col2");
    column->Title()->SetColor(Grid.FixedColor());
    EXPECT_EQ(Form.Write(column), (Lines{"aType=tctLogic", "Tag=0", "Flags=-1"}));
}

TEST_F(ColumnProperties, AssignedValuesAreWrittenInOrderWithIdentifiers)
{
    TZelColumn* column = AddColumns(1);
    column->Title()->SetColor(clRed);
    column->SetColor(RGB(0x56, 0x34, 0x12));
    column->SetReadOnly(true);
    column->SetWidth(100);
    column->SetButtonStyle(cbsEllipsis);
    column->Title()->SetAlignment(taCenter);
    column->SetFormat("0.00");
    column->GetPickList()->Add("a");
    EXPECT_EQ(Form.Write(column),
        (Lines{"aType=tctLogic", "Tag=0", "Flags=-1", "ButtonStyle=cbsEllipsis", "Color=1193046", "PickList.Strings=a\r\n",
            "ReadOnly=True", "Title.Alignment=taCenter", "Title.Color=clRed", "Width=100", "Format=0.00"}));
}

TEST_F(ColumnProperties, WrittenColumnReadsBackWithTheSameBookkeeping)
{
    TZelColumn* column = AddColumns(2);
    column->aType = tctCheckList;
    column->Tag = -3;
    column->ColumnSumEnable = true;
    column->DropDownRows = 11;
    column->SetAlignment(taRightJustify);
    column->GetFont()->SetStyle({fsBold, fsUnderline});
    column->Title()->SetCaption("Total");
    column->Title()->GetFont()->SetCharset(204);
    column->SetWordWrap(true);
    const Lines written = Form.Write(column);

    TGridFixture other;
    TZelColumn* copy = other.AddColumns(2);
    Form.Read(copy, written);
    EXPECT_EQ(Form.Write(copy), written);
    EXPECT_EQ(copy->AssignedValues(), column->AssignedValues());
    EXPECT_EQ(copy->aType, tctCheckList);
    EXPECT_EQ(copy->Tag, -3);
    EXPECT_EQ(copy->Title()->GetFont()->Charset(), 204);
}

TEST_F(ColumnProperties, HiddenColumnIsWrittenWithWidthMinusOneAndComesBackWithTheDefault)
{
    TZelColumn* column = AddColumns(1);
    column->SetWidth(100);
    column->SetVisible(false);
    const Lines written = Form.Write(column);
    EXPECT_EQ(written, (Lines{"aType=tctLogic", "Tag=0", "Flags=-1", "Width=-1", "Visible=False"}));

    TGridFixture other;
    TZelColumn* copy = other.AddColumns(1);
    Form.Read(copy, written);
    EXPECT_FALSE(copy->Visible());
    copy->SetVisible(true);
    EXPECT_EQ(copy->GetWidth(), other.Grid.DefaultColWidth());
}

TEST_F(ColumnProperties, DefaultCaptionDoesNotTravel)
{
    TZelColumn* column = AddColumns(2);
    column->Title()->SetCaption("Col1");
    TGridFixture other;
    TZelColumn* copy = other.AddColumns(2);
    Form.Read(copy, Form.Write(column));
    EXPECT_FALSE(copy->AssignedValues().Contains(cvTitleCaption));
}

TEST_F(ColumnProperties, RecordPropertiesAreAlwaysStored)
{
    TZelColumnRec rec;
    for (const TPropInfo* prop : Registry.FindClass("TZelColumnRec")->Properties()) {
        EXPECT_TRUE(prop->ShouldWrite(&rec)) << prop->Name;
        EXPECT_FALSE(prop->Default.has_value()) << prop->Name;
    }
    const TPropInfo* font = Registry.FindClass("TZelColumnRec")->FindProperty("Titlefont");
    TFont other;
    other.SetName("Arial");
    font->SetObj(&rec, &other);
    EXPECT_EQ(rec.Titlefont->Name(), "Arial");
    EXPECT_NE(rec.Titlefont.get(), &other);
}

TEST_F(ColumnProperties, BadValuesAreRefusedBeforeTheyReachAColumn)
{
    TZelColumn* column = AddColumns(1);
    const TClassInfo* info = Registry.ClassOf(column);
    EXPECT_THROW(info->FindProperty("aType")->SetOrd(column, 7), EConvertError);
    EXPECT_THROW(info->FindProperty("Tag")->SetAsText(column, "200"), EConvertError);
    EXPECT_THROW(info->FindProperty("ButtonStyle")->SetAsText(column, "cbsHuge"), EConvertError);
    EXPECT_THROW(info->FindProperty("Title")->SetObj(column, column->GetFont()), EInvalidCast);
    EXPECT_EQ(column->aType, tctLogic);
    EXPECT_EQ(column->Tag, 0);
    EXPECT_TRUE(column->AssignedValues().Empty());
}

TEST_F(ColumnProperties, ClassesAreFoundFromInstancesAndCollectionsNameTheirItems)
{
    TZelGridColumns passthrough{nullptr, nullptr, ItemClassOf<TPassthroughColumn>};
    EXPECT_EQ(Registry.ClassOf(passthrough.Add())->ClassName(), "TPassthroughColumn");
    EXPECT_EQ(Registry.ClassOf(Columns)->ItemClassName(), "TZelColumn");
    EXPECT_TRUE(Registry.ClassOf(Columns)->IsCollection());
    EXPECT_EQ(Registry.ClassOf(&Layouts)->ItemClassName(), "TZelLayoutItem");
    EXPECT_FALSE(Registry.ClassOf(Layouts.GetItem(0))->IsCollection());
    RegisterColumnModelProperties(Registry);
    EXPECT_EQ(Names("TZelColumnTitle").size(), 4u);
}
