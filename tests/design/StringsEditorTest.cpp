// The strings editor, opened from a column's PickList row: lines typed in the memo, Enter and
// Escape kept by the memo, Cancel keeping the old lines, and an emptied list reaching the grid.
#include "EditorFixture.h"
#include "design/StrEde.h"
#include "host/controls/Memo.h"
#include "host/windows/Paint.h"
#include "tests/support/Golden.h"

TEST_F(LayoutEditorTest, PickListIsEditedInTheStringsDialog)
{
    TZelColumn* qty = Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(1);
    qty->GetPickList()->SetText("a\r\nb\r\n");
    std::vector<std::string> shown;
    std::function<void(TStringsEd*)> answer;
    OtherDialog = [&](TCustomForm* Form) {
        auto* dialog = dynamic_cast<TStringsEd*>(Form);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->Caption(), "PickList Values");
        shown.push_back(dialog->StrMemo()->Lines()->GetText());
        answer(dialog);
    };
    const auto button
        = [&](TStringsEd* Dialog, const char* Name) { Press(dynamic_cast<TButton*>(Dialog->FindComponent(Name))); };
    const auto clickEllipsis = [&] {
        Select("Layout0/Column1/PickList");
        Session.Input.PressKey(VK_F2);
        const TRect r = Editor->GridLay->Editor()->ButtonRect();
        Session.Input.Click(Editor->GridLay->Editor()->Handle(), { r.Left + 4, r.Top + 4 });
        Session.Input.PressKey(VK_ESCAPE);
    };
    const auto picklist = [&] { return TGridEditor::NodeRecord(Node("Layout0/Column1"))->PickListText; };

    Open([&] {
        // Enter and Escape typed in the memo stay there; Escape on a button cancels.
        answer = [&](TStringsEd* D) {
            Session.Input.PressKey(VK_END, { ssCtrl });
            Session.Input.PressKey(VK_RETURN);
            Session.Input.TypeText("c");
            Session.Input.PressKey(VK_ESCAPE);
            EXPECT_EQ(D->ModalResult(), mrNone);
            Session.Input.PressKey(VK_TAB);
            Session.Input.PressKey(VK_ESCAPE);
        };
        clickEllipsis();
        EXPECT_EQ(picklist(), "a\r\nb\r\n");

        answer = [&](TStringsEd* D) {
            Session.Input.PressKey(VK_END, { ssCtrl });
            Session.Input.PressKey(VK_RETURN);
            Session.Input.TypeText("c");
            Session.Input.PressKey(VK_RETURN);
            ProcessMessages();
            ExpectMatchesGolden("strings_editor", *CaptureWindow(D->Handle()));
            button(D, "OkBtn");
        };
        clickEllipsis();
        EXPECT_EQ(picklist(), "a\r\nb\r\nc\r\n") << "the empty last line is dropped";

        answer = [&](TStringsEd* D) {
            Session.Input.PressKey('A', { ssCtrl });
            Session.Input.PressKey(VK_DELETE);
            button(D, "OkBtn");
        };
        clickEllipsis();
        EXPECT_EQ(picklist(), TZelColumnRec::EmptyPickListText());
        EXPECT_EQ(Value("Layout0/Column1/PickList"), "...");
        OtherDialog = nullptr;
        Press(Editor->OkBtn);
    });
    EXPECT_EQ(shown, (std::vector<std::string> { "a\r\nb\r\n", "a\r\nb\r\n", "a\r\nb\r\nc\r\n" }));
    qty = Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(1);
    EXPECT_EQ(qty->GetPickList()->Count(), 0) << "the emptied pick list reached the grid";
}

TEST(StringsEditor, DialogBelongsToTheApplicationForTheLengthOfTheCall)
{
    THeadlessSession session;
    const int owned = Application().ComponentCount();
    TStringList list;
    list.Add("kept");
    int shown = 0;
    TModalHookGuard hook([&](TCustomForm* Form) {
        ++shown;
        EXPECT_EQ(Form->Owner(), &Application());
        EXPECT_EQ(Application().ComponentCount(), owned + 1);
        Form->SetModalResult(mrOk);
    });
    EXPECT_TRUE(GetStrings("Lines", &list));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Application().ComponentCount(), owned) << "the dialog is freed before GetStrings returns";
    EXPECT_EQ(list.GetText(), "kept\r\n");
}
