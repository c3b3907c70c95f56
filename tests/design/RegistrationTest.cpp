// The package as the designer meets it: Register's palette entry and editors, the layout editor
// opened from the verb, the double click and the Layout property, and what the designer is told.
#include "EditorFixture.h"
#include "host/controls/Menus.h"
#include "host/core/ObjectWatch.h"
#include "host/streaming/Resources.h"
#include "package/Zelpack4.h"

#include <cstring>

namespace {

class TCountingDesigner : public IFormDesigner {
public:
    explicit TCountingDesigner(TComponent* ARoot) : FRoot(ARoot) {}
    void Modified() override { ++Changes; }
    TComponent* Root() const override { return FRoot; }
    int Changes = 0;

private:
    TComponent* FRoot;
};

// A grid class of its own that is not a TZelGrid: it gets the grid's component editor, whose
// layout editor cannot take it.
class TOtherGrid : public TCustomZelGrid {
public:
    using TCustomZelGrid::TCustomZelGrid;
};

// Holds a layout collection reference that may be empty, as the property list may meet one.
class TLayoutHolder : public TPersistent {
public:
    TZelColLayout* Layout() const { return FLayout; }
    void SetLayout(TZelColLayout* Value) { FLayout = Value; }

private:
    TZelColLayout* FLayout = nullptr;
};

class RegistrationTest : public LayoutEditorTest {
protected:
    TComponent Form1{nullptr};
    TCountingDesigner Designer{&Form1};
    // Captions of the dialogs the designer's actions showed, in order.
    std::vector<std::string> Shown;

    RegistrationTest()
    {
        Zelpack4Initialize();
        Zelpack4Initialize();
        Register();
        Form1.SetName("Form1");
        Form1.InsertComponent(Grid.get());
        Grid->SetName("ZelGrid1");
    }
    ~RegistrationTest() override
    {
        Form1.RemoveComponent(Grid.get());
        ClearDesignerRegistrations();
    }

    // Runs a designer action; Script plays the user in the layout editor it opens.
    void Run(const std::function<void()>& Action, const std::function<void()>& Script)
    {
        TModalHookGuard hook([&](TCustomForm* Form) {
            Editor = dynamic_cast<TGridEditor*>(Form);
            ASSERT_NE(Editor, nullptr) << "only the layout editor opens";
            EXPECT_EQ(Editor->Owner(), &Application());
            Shown.push_back(Editor->Caption());
            Script();
        });
        Action();
        Editor = nullptr;
    }
    std::unique_ptr<TPropertyEditor> LayoutProperty()
    {
        const TPropInfo* prop = PropertyRegistry().ClassOf(Grid.get())->FindProperty("Layout");
        return GetPropertyEditor(Grid.get(), prop, &Designer);
    }
    int Width(int Layout, int Column) const
    {
        return Grid->Layout()->GetItem(Layout)->GeTZelColumns()->GeTZelColumn(Column)->GetWidth();
    }
};

TEST_F(RegistrationTest, RegisterOffersThePaletteImageTheVerbAndTheLayoutProperty)
{
    // Initialising after a finalisation registers nothing twice.
    EXPECT_TRUE(Zelpack4Initialized());
    Zelpack4Finalize();
    EXPECT_FALSE(Zelpack4Initialized());
    EXPECT_NO_THROW(Zelpack4Initialize());
    ASSERT_EQ(PaletteEntries().size(), 1u);
    EXPECT_EQ(PaletteEntries()[0].Page, "OSKU SYSTEMS");
    EXPECT_EQ(PaletteEntries()[0].ClassName, "TZelGrid");
    // The palette image is found by the class name in capitals: 24 x 24 in 16 colours.
    TBitmap image;
    image.LoadFromResourceName("TZELGRID");
    EXPECT_EQ(image.Width(), 24);
    EXPECT_EQ(image.Height(), 24);
    const std::span<const std::uint8_t> bmp = LoadResource("TZELGRID");
    ASSERT_GE(bmp.size(), 30u);
    std::uint16_t bitCount = 0;
    std::memcpy(&bitCount, bmp.data() + 28, sizeof bitCount);
    EXPECT_EQ(bitCount, 4);

    std::unique_ptr<TComponentEditor> editor = GetComponentEditor(Grid.get(), &Designer);
    ASSERT_NE(dynamic_cast<TLayoutEditor*>(editor.get()), nullptr);
    EXPECT_EQ(editor->GetVerbCount(), 1);
    EXPECT_EQ(editor->GetVerb(0), "&Layout Editor...");
    EXPECT_EQ(editor->GetVerb(1), "");
    EXPECT_EQ(editor->GetVerb(-1), "");
    Run([&] { editor->ExecuteVerb(1); }, [] {});
    EXPECT_TRUE(Shown.empty()) << "only verb 0 acts";

    // The double click opens the verb's dialog; OK without a change tells the designer nothing.
    const int owned = Application().ComponentCount();
    Run([&] { editor->Edit(); }, [&] { Press(Editor->OkBtn); });
    EXPECT_EQ(Application().ComponentCount(), owned) << "the dialog is freed";
    EXPECT_EQ(Designer.Changes, 0);

    std::unique_ptr<TPropertyEditor> layout = LayoutProperty();
    ASSERT_NE(dynamic_cast<TPropertyLayoutEdit*>(layout.get()), nullptr);
    EXPECT_EQ(layout->GetValue(), "(TColLayout)");
    EXPECT_EQ(layout->GetAttributes(), TPropertyAttributes{paDialog});
    // An accepted edit and OK: the property editor tells the designer once.
    Run([&] { layout->Edit(); }, [&] {
        Type("Layout0/Column0/Width", "120");
        Press(Editor->OkBtn);
    });
    EXPECT_EQ(Width(0, 0), 120);
    EXPECT_EQ(Designer.Changes, 1);
    EXPECT_EQ(Shown, (std::vector<std::string>{"Form1.ZelGrid1 LayoutEditor", "ZelGrid1.Layout"}));

    // An empty layout reference.
    TPropertyRegistry& R = PropertyRegistry();
    if (!R.FindClass("TLayoutHolder"))
        R.RegisterClass<TLayoutHolder>("TLayoutHolder", "TPersistent")
            .Property("Layout", R.Type("TZelColLayout"), &TLayoutHolder::Layout, &TLayoutHolder::SetLayout);
    TLayoutHolder holder;
    TPropertyLayoutEdit empty(&Designer, 1);
    empty.SetPropEntry(0, &holder, R.FindClass("TLayoutHolder")->FindProperty("Layout"));
    EXPECT_EQ(empty.GetValue(), "(None)");
    holder.SetLayout(Grid->Layout());
    EXPECT_EQ(empty.GetValue(), "(TColLayout)");
}

TEST_F(RegistrationTest, CancelTellsNothingApplyThenCancelTellsOnceAndAnotherGridClassIsRefused)
{
    std::unique_ptr<TComponentEditor> editor = GetComponentEditor(Grid.get(), &Designer);
    const std::string before = Layouts();
    Run([&] { editor->ExecuteVerb(0); }, [&] {
        Type("Layout0/Column0/Width", "120");
        Type("Layout1/Column0/Title Caption", "Remark");
        Press(Editor->CancelBtn);
    });
    EXPECT_EQ(Layouts(), before);
    EXPECT_EQ(Designer.Changes, 0);

    Run([&] { LayoutProperty()->Edit(); }, [&] {
        Type("Layout0/Column0/Width", "120");
        Press(Editor->ApplyBtn);
        Type("Layout0/Column0/Width", "130");
        Press(Editor->CancelBtn);
    });
    EXPECT_EQ(Width(0, 0), 120);
    EXPECT_EQ(Designer.Changes, 1);

    // A grid that is no TZelGrid: the dialog is made and freed again, the error reaches the
    // designer, and nothing is shown or reported.
    TOtherGrid other(&Form1);
    other.SetName("OtherGrid1");
    std::unique_ptr<TComponentEditor> otherEditor = GetComponentEditor(&other, &Designer);
    ASSERT_NE(dynamic_cast<TLayoutEditor*>(otherEditor.get()), nullptr);
    const int owned = Application().ComponentCount();
    try {
        Run([&] { otherEditor->Edit(); }, [] {});
        ADD_FAILURE() << "no EInvalidCast";
    } catch (const EInvalidCast& e) {
        EXPECT_EQ(e.Message(), "Invalid class typecast");
    }
    EXPECT_EQ(Application().ComponentCount(), owned);
    EXPECT_EQ(Shown.size(), 2u);
    EXPECT_EQ(Designer.Changes, 1);
}

// Ctrl+V with nothing copied, over every kind of node: Paste is disabled, so the shortcut runs
// nothing, the change flag stays clear, OK writes nothing and the designer is not told.
TEST_F(RegistrationTest, PasteShortcutWithNothingCopiedChangesNothingAndTellsNothing)
{
    std::unique_ptr<TComponentEditor> editor = GetComponentEditor(Grid.get(), &Designer);
    const std::string before = Layouts();
    TObjectWatch firstColumn(Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(0));
    Run([&] { editor->ExecuteVerb(0); }, [&] {
        for (const char* path : { "Layout0", "Layout0/Column1", "Layout1/Column0/Width" }) {
            TTreeNode* node = Select(path);
            const TRect r = Editor->GridLay->CaptionRect(node);
            Session.Input.Click(Editor->GridLay->Handle(), { r.Left + 30, r.Top + 4 }, mbRight);
            ASSERT_TRUE(Editor->GridMenu->IsOpen());
            EXPECT_FALSE(Editor->Paste->Enabled()) << path;
            Session.Input.PressKey(VK_ESCAPE);
            EXPECT_EQ(Keys('V', { ssCtrl }), 0) << path;
            EXPECT_FALSE(Editor->Modified()) << path;
        }
        Press(Editor->OkBtn);
    });
    EXPECT_EQ(Designer.Changes, 0);
    EXPECT_TRUE(firstColumn) << "OK wrote nothing";
    EXPECT_EQ(Layouts(), before);
}

} // namespace
