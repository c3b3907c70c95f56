#include <gtest/gtest.h>

#include "ZelGridTestSupport.h"
#include "host/controls/Menus.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"

namespace {

class GridProperties : public ZelGridTest {
protected:
    void SetUp() override { RegisterZelGridProperties(Registry); }

    // The grid's own published properties, in order: everything after the control classes'.
    std::vector<std::string> OwnNames() const
    {
        std::vector<std::string> names;
        for (const TPropInfo& prop : Registry.FindClass("TZelGrid")->OwnProperties()) names.push_back(prop.Name);
        return names;
    }
    // The properties a form writer would write for the grid as it is.
    std::vector<std::string> Written()
    {
        std::vector<std::string> names;
        for (const TPropInfo* prop : Registry.ClassOf(Grid)->Properties())
            if (prop->ShouldWrite(Grid)) names.push_back(prop->Name);
        return names;
    }

    TPropertyRegistry Registry;
};

} // namespace

TEST_F(GridProperties, PublishedInDeclarationOrder)
{
    const std::vector<std::string> expected{
        "Layout", "BlindedColor", "Blinded", "Flat", "StopOnNonVisibleCol", "Align", "BorderStyle", "Color", "Ctl3D",
        "DefaultDrawing", "DragCursor", "DragMode", "Enabled", "FixedColor", "Font", "Options", "ParentColor",
        "ParentCtl3D", "ParentFont", "ParentShowHint", "PopupMenu", "ReadOnly", "ShowHint", "TabOrder", "TabStop", "TitleFont",
        "Visible", "OnColEnter", "OnColExit", "OnColumnMoved", "OnDrawDataCell", "OnDrawColumnCell", "OnMouseDown",
        "OnMouseUp", "OnLayoutChange", "OnGetDataCell", "OnValidateData", "OnColSized", "OnDblClick", "OnDragDrop",
        "OnDragOver", "OnEditButtonClick", "OnEndDrag", "OnEnter", "OnExit", "OnKeyDown", "OnKeyPress", "OnKeyUp",
        "OnStartDrag", "OnCopyCell", "OnPasteCell", "OnCopyRecord", "OnPasteRecord", "OnAppendRecord",
        "OnDeleteRecord", "OnGetRowCount", "OnSetDefaultValue", "OnGetSummary", "SelectedColor", "OnMouseEnter",
        "OnMouseLeave", "RowCount", "DataRowHeight", "TitleHeight", "LayoutIndex", "OnPrintGrid", "OnMoveToRow", "OnTitleClick"};
    EXPECT_EQ(OwnNames(), expected);
}

TEST_F(GridProperties, ANewGridWritesOnlyWhatDiffersFromTheStreamDefaults)
{
    // Left..Height always; the grid's own values without defaults always; the constructor's
    // flat look (no border, no 3D, so no parent 3D either) differs from the stream defaults.
    // ShowHint follows the parent, so it stays out: reading it would clear ParentShowHint.
    EXPECT_EQ(Written(), (std::vector<std::string>{"Left", "Top", "Width", "Height", "Layout", "BlindedColor",
                                                   "Blinded", "Flat", "BorderStyle", "Ctl3D", "Font", "ParentCtl3D",
                                                   "TitleFont", "SelectedColor", "RowCount",
                                                   "DataRowHeight", "TitleHeight", "LayoutIndex"}));
}

TEST_F(GridProperties, OptionsAreASixteenBitSetWrittenByName)
{
    const TPropInfo* options = Registry.FindClass("TZelGrid")->FindProperty("Options");
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(options->ShouldWrite(Grid));
    Grid->SetOptions({dgEditing, dgTitles});
    EXPECT_TRUE(options->ShouldWrite(Grid));
    EXPECT_EQ(options->GetAsText(Grid), "[dgEditing,dgTitles]");
    options->SetAsText(Grid, "[dgIndicator,dgRowSelect]");
    EXPECT_EQ(Grid->Options(), (TZelGridOptions{dgIndicator, dgRowSelect}));
    EXPECT_THROW(options->SetAsText(Grid, "[dgNoSuchOption]"), EConvertError);
    EXPECT_EQ(Grid->Options(), (TZelGridOptions{dgIndicator, dgRowSelect}));
}

TEST_F(GridProperties, PropertiesSetThroughTheRegistryUseTheGridsSetters)
{
    const TClassInfo* info = Registry.FindClass("TZelGrid");
    info->FindProperty("LayoutIndex")->SetOrd(Grid, 3);
    EXPECT_EQ(Grid->Layout()->Count(), 2);
    EXPECT_EQ(Grid->LayoutIndex(), 1);
    info->FindProperty("TitleHeight")->SetOrd(Grid, -4);
    EXPECT_EQ(Grid->TitleHeight(), 0);
    info->FindProperty("SelectedColor")->SetAsText(Grid, "clHighlight");
    EXPECT_EQ(Grid->SelectedColor(), clHighlight);
    EXPECT_EQ(info->FindProperty("OnGetDataCell")->PropType->Kind, tkMethod);
    EXPECT_FALSE(info->FindProperty("OnGetDataCell")->ShouldWrite(Grid));
}

TEST_F(GridProperties, TenStandardPropertiesComeFromTheHostClasses)
{
    std::vector<std::string> inherited;
    for (const TPropInfo* prop : Registry.FindClass("TCustomZelGrid")->Properties()) inherited.push_back(prop->Name);
    EXPECT_EQ(inherited, (std::vector<std::string>{"Name", "Tag", "Left", "Top", "Width", "Height", "Cursor", "Hint",
                                                   "HelpContext", "TabStop"}));
    const TClassInfo* grid = Registry.FindClass("TZelGrid");
    EXPECT_TRUE(grid->FindProperty("TabStop")->Default == 1) << "re-published with default true";
    grid->FindProperty("Cursor")->SetAsText(Grid, "crIBeam");
    EXPECT_EQ(Grid->Cursor(), crIBeam);
    EXPECT_EQ(grid->FindProperty("Cursor")->GetAsText(Grid), "crIBeam");
}

// The grid's menu travels in a form file by name and opens on a right click and on the
// context-menu key.
TEST_F(GridProperties, PopupMenuStreamsByNameAndOpensOnRightClick)
{
    auto* menu = new TPopupMenu(Form);
    menu->SetName("GridMenu");
    // Items owned by their menu travel inside it.
    auto* item = new TMenuItem(menu);
    item->SetName("NewLayout");
    item->SetCaption("&New layout");
    menu->Items()->Add(item);
    Form->SetName("Form1");
    auto* streamed = new TZelGrid(Form);
    streamed->SetName("Grid1");
    streamed->SetPopupMenu(menu);
    Grid->SetPopupMenu(menu);
    const std::string text = ObjectBinaryToText(WriteForm(Form, Registry));
    EXPECT_NE(text.find("PopupMenu = GridMenu"), std::string::npos) << text;
    TForm copy(nullptr);
    ReadForm(text, &copy, nullptr, nullptr, Registry);
    auto* copiedGrid = dynamic_cast<TZelGrid*>(copy.FindComponent("Grid1"));
    ASSERT_NE(copiedGrid, nullptr);
    ASSERT_NE(copiedGrid->PopupMenu(), nullptr);
    EXPECT_EQ(copiedGrid->PopupMenu(), copy.FindComponent("GridMenu"));
    ASSERT_EQ(copiedGrid->PopupMenu()->Items()->Count(), 1) << "the item read inside the menu is in it";
    EXPECT_EQ(copiedGrid->PopupMenu()->Items()->Items(0)->Caption(), "&New layout");

    ShowGrid();
    Session.Input.Click(Grid->Handle(), {100, 60}, mbRight);
    EXPECT_TRUE(menu->IsOpen());
    EXPECT_EQ(menu->PopupComponent(), Grid);
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_FALSE(menu->IsOpen());
    Grid->SetFocus();
    Session.Input.PressKey(VK_APPS);
    EXPECT_TRUE(menu->IsOpen());
    Session.Input.PressKey(VK_ESCAPE);
}
