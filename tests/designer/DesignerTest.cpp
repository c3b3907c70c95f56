// The designer's registries pick the editor for the nearest class, and the plain property editor
// reads and writes values through the property registry, telling the designer once per change.
#include "host/designer/Designer.h"

#include <gtest/gtest.h>

#include "host/controls/ControlProperties.h"
#include "host/controls/ExtCtrls.h"
#include "host/controls/StdCtrls.h"
#include "host/core/Exceptions.h"
#include "host/streaming/PropertyRegistry.h"

namespace {

class TCountingDesigner : public IFormDesigner {
public:
    void Modified() override { ++Changes; }
    TComponent* Root() const override { return nullptr; }
    int Changes = 0;
};

// Answers with a name fixed at registration, so a test sees which registration won.
template <int N>
class TNamedEditor : public TComponentEditor {
public:
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() override { return 1; }
    std::string GetVerb(int Index) override { return Index == 0 ? "verb" + std::to_string(N) : ""; }
    void ExecuteVerb(int Index) override { Ran = Index == 0 ? N : -1; }
    static inline int Ran = 0;
};

template <int N>
class TNamedProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    std::string GetValue() override { return "editor" + std::to_string(N); }
};

class DesignerTest : public ::testing::Test {
protected:
    DesignerTest() { RegisterControlProperties(); }
    ~DesignerTest() override { ClearDesignerRegistrations(); }
    TCountingDesigner Designer;
};

TEST_F(DesignerTest, TheNearestRegistrationServesAComponentAndDoubleClickRunsTheFirstVerb)
{
    TButton button(nullptr);
    TLabel label(nullptr);
    EXPECT_EQ(GetComponentEditor(&button, &Designer)->GetVerbCount(), 0);

    RegisterComponentEditor("TControl", ComponentEditorOf<TNamedEditor<1>>());
    RegisterComponentEditor("TButton", ComponentEditorOf<TNamedEditor<2>>());
    EXPECT_EQ(GetComponentEditor(&button, &Designer)->GetVerb(0), "verb2");
    EXPECT_EQ(GetComponentEditor(&label, &Designer)->GetVerb(0), "verb1");
    RegisterComponentEditor("TButton", ComponentEditorOf<TNamedEditor<3>>());
    std::unique_ptr<TComponentEditor> editor = GetComponentEditor(&button, &Designer);
    EXPECT_EQ(editor->GetVerb(1), "");
    editor->Edit();
    EXPECT_EQ(TNamedEditor<3>::Ran, 3);
    EXPECT_EQ(editor->Component(), &button);
    EXPECT_EQ(editor->GetDesigner(), &Designer);
}

TEST_F(DesignerTest, APropertyEditorNamingThePropertyBeatsOneForEveryPropertyOfItsType)
{
    TPropertyRegistry& R = PropertyRegistry();
    TButton button(nullptr);
    const TClassInfo* info = R.ClassOf(&button);
    const TPropInfo* caption = info->FindProperty("Caption");
    const TPropInfo* hint = info->FindProperty("Hint");
    RegisterPropertyEditor(&R.Type("string"), "TControl", "", PropertyEditorOf<TNamedProperty<1>>());
    RegisterPropertyEditor(&R.Type("string"), "TControl", "caption", PropertyEditorOf<TNamedProperty<2>>());
    RegisterPropertyEditor(&R.Type("Integer"), "TButton", "", PropertyEditorOf<TNamedProperty<3>>());
    RegisterPropertyEditor(&R.Type("string"), "TLabel", "", PropertyEditorOf<TNamedProperty<4>>());
    EXPECT_EQ(GetPropertyEditor(&button, caption, &Designer)->GetValue(), "editor2");
    EXPECT_EQ(GetPropertyEditor(&button, hint, &Designer)->GetValue(), "editor1");
    const TPropInfo* cancel = info->FindProperty("Cancel");
    EXPECT_EQ(GetPropertyEditor(&button, cancel, &Designer)->GetValue(), "False");
}

TEST_F(DesignerTest, ThePlainPropertyEditorEditsThroughTheRegistryAndReportsEachChange)
{
    TButton button(nullptr);
    const TClassInfo* info = PropertyRegistry().ClassOf(&button);
    std::unique_ptr<TPropertyEditor> width = GetPropertyEditor(&button, info->FindProperty("Width"), &Designer);
    width->SetValue("120");
    EXPECT_EQ(button.Width(), 120);
    EXPECT_EQ(Designer.Changes, 1);
    EXPECT_THROW(width->SetValue("abc"), EConvertError);
    EXPECT_EQ(button.Width(), 120);
    EXPECT_EQ(Designer.Changes, 1);
    EXPECT_EQ(width->GetValue(), "120");
    EXPECT_EQ(width->GetName(), "Width");
    EXPECT_FALSE(width->GetAttributes().Contains(paValueList));

    std::unique_ptr<TPropertyEditor> cancel = GetPropertyEditor(&button, info->FindProperty("Cancel"), &Designer);
    std::vector<std::string> values;
    cancel->GetValues([&](const std::string& v) { values.push_back(v); });
    EXPECT_EQ(values, (std::vector<std::string>{"False", "True"}));
    EXPECT_TRUE(cancel->GetAttributes().Contains(paValueList));

    TLabel label(nullptr);
    std::unique_ptr<TPropertyEditor> font =
        GetPropertyEditor(&label, PropertyRegistry().ClassOf(&label)->FindProperty("Font"), &Designer);
    EXPECT_EQ(font->GetValue(), "(TFont)");
    EXPECT_NE(font->GetOrdValue(), 0);
    EXPECT_TRUE(font->GetAttributes().Contains(paSubProperties));
    std::vector<std::string> subs;
    font->GetProperties([&](std::unique_ptr<TPropertyEditor> e) { subs.push_back(e->GetName()); });
    EXPECT_NE(std::find(subs.begin(), subs.end(), "Size"), subs.end());
    EXPECT_THROW(font->GetComponent(1), EListError);
}

TEST_F(DesignerTest, OnlyCreatableRegisteredClassesGoOnThePalette)
{
    RegisterComponents("Standard", {"TButton", "TLabel"});
    RegisterComponents("Standard", {"TLabel"});
    EXPECT_THROW(RegisterComponents("Standard", {"TPanel", "TNoSuchClass"}), EInvalidCast);
    EXPECT_THROW(RegisterComponents("Standard", {"TControl"}), EInvalidCast);
    ASSERT_EQ(PaletteEntries().size(), 2u);
    EXPECT_EQ(PaletteEntries()[1].ClassName, "TLabel");
    EXPECT_EQ(PaletteEntries()[1].Page, "Standard");
}

} // namespace
