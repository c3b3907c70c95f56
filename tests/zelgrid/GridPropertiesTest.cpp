#include <gtest/gtest.h>

#include "ZelGridTestSupport.h"

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
        "OnMouseLeave", "RowCount", "DataRowHeight", "TitleHeight", "LayoutIndex", "OnPrintGrid", "OnMoveToRow"};
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
