// Placing, hiding, reloading, and what the editor does when the focus leaves it.
#include "EditorFixture.h"

class FocusTest : public EditorTest {
protected:
    TEditOwner* Other = nullptr;
    FocusTest()
    {
        Other = new TEditOwner(Form);
        Other->SetTabStop(true);
        Other->SetBounds(0, 130, 200, 40);
        Other->SetParent(Form);
        ProcessMessages();
    }
};

TEST_F(FocusTest, PlacingAndHidingFollowTheOwnersFocus)
{
    Open();
    EXPECT_TRUE(Editor->IsShown());
    EXPECT_EQ(Editor->BoundsRect(), TEditOwner::CellRect());
    EXPECT_TRUE(Editor->Focused()) << "shown over a focused owner, the editor takes the focus";

    Editor->UpdateLoc({20, 40, 140, 60});
    EXPECT_EQ(Editor->Top(), 40);
    Editor->Hide();
    EXPECT_FALSE(Editor->IsShown());
    EXPECT_TRUE(Owner->Focused()) << "the focus goes back to the owner";
    Editor->UpdateLoc({20, 60, 140, 80});
    EXPECT_FALSE(Editor->IsShown()) << "UpdateLoc only moves";

    Other->SetFocus();
    Editor->Move(TEditOwner::CellRect());
    EXPECT_TRUE(Editor->IsShown());
    EXPECT_TRUE(Other->Focused()) << "an owner without the focus does not lose it to the editor";
    Editor->Move({});
    EXPECT_FALSE(Editor->IsShown()) << "an empty rectangle hides";
    EXPECT_TRUE(Log.empty()) << "placing and hiding call nobody back";
}

TEST_F(FocusTest, FocusLeavingEndsAChangedEditOnce)
{
    Open();
    Session.Input.TypeText("new");
    Log.clear();
    Other->SetFocus();
    EXPECT_EQ(Log, (std::vector<std::string>{"validate new", "data updated"}));
    EXPECT_FALSE(Editor->IsShown());
    EXPECT_TRUE(Editor->FSkipTextUpdate) << "the owner learns that the text was committed";
    EXPECT_EQ(Editor->Text(), "new");

    // Coming back through the owner and leaving again without a change commits nothing.
    Owner->SetFocus();
    Editor->Move(TEditOwner::CellRect());
    Log.clear();
    Other->SetFocus();
    EXPECT_TRUE(Log.empty());

    // Focus going to the owner itself is the owner's business.
    Open();
    Session.Input.TypeText("z");
    Log.clear();
    Owner->SetFocus();
    EXPECT_TRUE(Log.empty());
    EXPECT_TRUE(Editor->IsShown());

    // A text the owner has already committed is not validated again.
    Editor->SetFocus();
    Editor->FSkipTextUpdate = true;
    Other->SetFocus();
    EXPECT_TRUE(Log.empty());
}

TEST_F(FocusTest, RefusedTextIsGivenUpAndTheOwnerAskedToClose)
{
    CancelValidation = true;
    Open();
    Session.Input.TypeText("bad");
    Log.clear();
    Other->SetFocus();
    EXPECT_EQ(Log, (std::vector<std::string>{"validate bad", "hide request"}));
    EXPECT_TRUE(Editor->FSkipTextUpdate);
}

TEST_F(FocusTest, AlwaysShownEditorStaysWhenTheFocusLeaves)
{
    Editor->SetAlwaysShow(true);
    Open();
    Session.Input.TypeText("kept");
    Other->SetFocus();
    EXPECT_TRUE(Editor->IsShown());
    EXPECT_EQ(Editor->Text(), "kept");
}

TEST_F(FocusTest, HiddenEditorGettingTheFocusAsksTheOwner)
{
    Open();
    Other->SetFocus();
    ASSERT_FALSE(Editor->IsShown());
    Log.clear();
    // The form gives the focus back to the control that had it last.
    ::SetFocus(EW());
    EXPECT_EQ(Log, std::vector<std::string>{"update request"});
    EXPECT_TRUE(Owner->Focused()) << "an owner that does not show it takes the focus";

    Editor->OnUpdateEdit = [this](TCustomInplaceEdit*) { Editor->Move(TEditOwner::CellRect()); };
    Other->SetFocus();
    ::SetFocus(EW());
    EXPECT_TRUE(Editor->IsShown());
    EXPECT_TRUE(Editor->Focused());
}

TEST_F(FocusTest, ContentRefreshReloadsEverythingTheOwnerAnswers)
{
    Style = esDropDownList;
    Picks = {"a", "b"};
    Open();
    Editor->DropDown();
    Session.Input.TypeText("typed");
    Style = esEllipsisButton;
    CellReadOnly = true;
    CellText = "fresh";
    Picks = {"c"};
    Log.clear();
    Editor->UpdateContents();
    EXPECT_FALSE(Editor->ListVisible());
    EXPECT_EQ(Editor->EditStyle(), esEllipsisButton);
    EXPECT_TRUE(Editor->ReadOnly());
    EXPECT_EQ(Editor->Text(), "fresh");
    EXPECT_EQ(Editor->PickList()->GetText(), "c\r\n");
    EXPECT_TRUE(Log.empty()) << "loading raises no change notification";

    // An owner that names no style gets the plain box, not the previous cell's button.
    Editor->OnGetEditStyle = nullptr;
    Editor->UpdateContents();
    EXPECT_EQ(Editor->EditStyle(), esNoButton);
}
