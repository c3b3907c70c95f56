// The layout editor driven as a user drives it: rows edited in place, OK, Cancel and Apply.
#include "EditorFixture.h"
#include "host/controls/FontDialog.h"
#include "host/controls/ListBox.h"
#include "host/controls/Menus.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/Paint.h"
#include "outline/PopupList.h"
#include "tests/support/Golden.h"
#include "tests/support/WindowPicture.h"

TEST_F(LayoutEditorTest, EditedWidthAndCaptionReachTheGridOnOk)
{
    const bool changed = Open([&] {
        EXPECT_EQ(Editor->Caption(), "Form1.ZelGrid1 LayoutEditor");
        EXPECT_EQ(Editor->ClientWidth(), 487) << "the form is read from its resource";
        EXPECT_EQ(Editor->GridLay->WidthOutline(), 200);
        EXPECT_EQ(Editor->GridMenu->Items()->Count(), 8);
        EXPECT_EQ(Editor->GridLay->Items()->TopCount(), 2);
        EXPECT_FALSE(Node("Layout0")->Expanded()) << "the tree opens with its layouts collapsed";
        EXPECT_EQ(Node("Layout0")->Count(), 2);
        EXPECT_EQ(Node("Layout0/Column0")->Count(), 17);
        EXPECT_EQ(Value("Layout0"), "...");
        EXPECT_EQ(Value("Layout0/Column0"), "...");
        EXPECT_EQ(Value("Layout0/Column0/Width"), "80");
        EXPECT_EQ(Value("Layout0/Column1/Alignment"), "Right");
        EXPECT_EQ(Value("Layout0/Column0/Title Caption"), "Name");
        EXPECT_EQ(Value("Layout0/Column0/PickList"), "...");
        EXPECT_EQ(Value("Layout1/Column0/Title Caption"), "Note");

        Type("Layout0/Column0/Width", "120");
        EXPECT_EQ(Value("Layout0/Column0/Width"), "120");
        EXPECT_TRUE(Editor->Modified());
        // A typed character starts the edit with it.
        Select("Layout0/Column1/Title Caption");
        Session.Input.TypeText("Amount");
        Session.Input.PressKey(VK_RETURN);
        // A drop-down row offers its table and takes a pick.
        Select("Layout1/Column0/Alignment");
        Session.Input.PressKey(VK_F2);
        Session.Input.PressKey(VK_DOWN, { ssAlt });
        ASSERT_TRUE(Editor->GridLay->Editor()->ListVisible());
        Session.Input.PressKey(VK_DOWN);
        Session.Input.PressKey(VK_DOWN);
        Session.Input.PressKey(VK_RETURN);
        Session.Input.PressKey(VK_RETURN);
        EXPECT_EQ(Value("Layout1/Column0/Alignment"), "Center");
        EXPECT_EQ(Layouts(),
            "[Name:80:0:clWindow:MS Sans Serif:1 Qty:64:1:clWindow:MS Sans Serif:1][Note:64:0:clWindow:MS Sans "
            "Serif:1]")
            << "nothing reaches the grid before OK";
        // A value still being typed when OK is pressed is taken too.
        Select("Layout1/Column0/Width");
        Session.Input.PressKey(VK_F2);
        Session.Input.TypeText("150");
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    TZelColLayout* layouts = Grid->Layout();
    EXPECT_EQ(layouts->GetItem(1)->GeTZelColumns()->GeTZelColumn(0)->GetWidth(), 150);
    ASSERT_EQ(layouts->Count(), 2);
    EXPECT_EQ(layouts->GetItem(0)->GeTZelColumns()->GeTZelColumn(0)->GetWidth(), 120);
    EXPECT_EQ(layouts->GetItem(0)->GeTZelColumns()->GeTZelColumn(1)->Title()->GetCaption(), "Amount");
    EXPECT_EQ(layouts->GetItem(1)->GeTZelColumns()->GeTZelColumn(0)->GetAlignment(), taCenter);
}

TEST_F(LayoutEditorTest, RefusedTextsChangeNothingAndOkWithoutChangeWritesNothing)
{
    TObjectWatch firstColumn(Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(0));
    const std::string before = Layouts();
    const bool changed = Open([&] {
        TZelColumnRec* rec = TGridEditor::NodeRecord(Node("Layout0/Column0"));
        // Texts the conversions refuse: the error passes out of the tree, and the record and
        // the change flag stay as they were.
        const struct {
            const char* Row;
            const char* Text;
        } refused[] = { { "Width", "abc" }, { "Width", "12a" }, { "Width", "" }, { "Width", "99999999999" },
            { "Dropdown Rows", "7.5" }, { "Column Color", "clNoSuchColour" } };
        for (const auto& r : refused) {
            Select(std::string("Layout0/Column0/") + r.Row);
            Session.Input.PressKey(VK_F2);
            Session.Input.PressKey('A', { ssCtrl });
            Session.Input.PressKey(VK_DELETE);
            Session.Input.TypeText(r.Text);
            EXPECT_THROW(Session.Input.PressKey(VK_RETURN), EConvertError) << r.Row << " " << r.Text;
            Session.Input.KeyUp(VK_RETURN);
            EXPECT_TRUE(Editor->GridLay->EditorMode()) << "the refused text stays in the editor";
            Session.Input.PressKey(VK_ESCAPE);
        }
        EXPECT_EQ(rec->Width, 80);
        EXPECT_EQ(rec->DropDownRows, 7);
        EXPECT_EQ(rec->Color, clWindow);
        EXPECT_FALSE(Editor->Modified());
        Press(Editor->OkBtn);
    });
    EXPECT_FALSE(changed);
    EXPECT_TRUE(firstColumn) << "OK without a change leaves the grid's columns in place";
    EXPECT_EQ(Layouts(), before);
}

TEST_F(LayoutEditorTest, AcceptedTextsFollowTheTables)
{
    Open([&] {
        TZelColumnRec* rec = TGridEditor::NodeRecord(Node("Layout0/Column0"));
        // Row, text typed, value shown afterwards, whether the change flag is set.
        const struct {
            const char* Row;
            const char* Text;
            const char* Shown;
        } cases[] = {
            { "Width", "0", "0" }, { "Dropdown Rows", "-3", "-3" }, { "Column Color", "clNone", "clNone" },
            { "Title Color", "$0000FF", "clRed" },
            { "Visible", "yes", "Yes" }, // the names are case-sensitive: nothing changes
            { "Visible", "No", "No" }, { "Type", "Procedure", "Procedure" }, { "ButtonStyle", "Ellipsis", "Ellipsis" },
            { "Format", "#,##0.00", "#,##0.00" },
            { "Font", "Serif;20", "MS Sans Serif;8;clWindowText" }, // typed font text is ignored
        };
        for (const auto& c : cases) {
            Editor->SetModified(false);
            Type(std::string("Layout0/Column0/") + c.Row, c.Text);
            EXPECT_EQ(Value(std::string("Layout0/Column0/") + c.Row), c.Shown) << c.Row << " " << c.Text;
            EXPECT_TRUE(Editor->Modified()) << c.Row << " " << c.Text;
        }
        EXPECT_EQ(rec->Color, static_cast<TColor>(0x1FFFFFFF));
        EXPECT_FALSE(rec->Visible);

        TStringList list;
        list.Add("kept");
        Editor->GridLay->GetPicklist(Node("Layout0/Column0/Column Color"), &list);
        ASSERT_EQ(list.Count(), 43);
        EXPECT_EQ(list.Strings(1), "clBlack");
        EXPECT_EQ(list.Strings(42), "clNone");
        rec->aType = tctCode;
        EXPECT_EQ(Value("Layout0/Column0/Type"), "Code");
        Press(Editor->OkBtn);
    });
    TZelColumn* column = Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(0);
    EXPECT_FALSE(column->Visible()) << "a column hidden in the editor is hidden in the grid";
    EXPECT_EQ(column->aType, tctCode);
}

TEST_F(LayoutEditorTest, ApplyWritesAndStaysOpenAndCancelKeepsWhatWasApplied)
{
    int shown = 0;
    const bool changed = Open([&] {
        ++shown;
        Type("Layout1/Column0/Title Caption", "Remark");
        Press(Editor->ApplyBtn);
        EXPECT_TRUE(Editor->Visible()) << "Apply leaves the dialog open";
        EXPECT_TRUE(Editor->Modified());
        EXPECT_EQ(Grid->Layout()->GetItem(1)->GeTZelColumns()->GeTZelColumn(0)->Title()->GetCaption(), "Remark");
        Type("Layout1/Column0/Width", "99");
        Press(Editor->CancelBtn);
        EXPECT_FALSE(Editor->Modified());
    });
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(changed) << "the applied change is still reported";
    TZelColumn* column = Grid->Layout()->GetItem(1)->GeTZelColumns()->GeTZelColumn(0);
    EXPECT_EQ(column->Title()->GetCaption(), "Remark");
    EXPECT_EQ(column->GetWidth(), 64) << "the edit after Apply was cancelled";
}

TEST_F(LayoutEditorTest, EditorWithAnOpenColumnLooks)
{
    Open([&] {
        // Layout0 closed, Layout1 and its column open, the Width row being edited.
        Type("Layout1/Column0/Width", "75");
        Select("Layout1/Column0/Width");
        Session.Input.PressKey(VK_F2);
        ProcessMessages();
        const std::unique_ptr<TBitmap> form = CaptureWindow(Editor->Handle());
        ExpectMatchesGolden("layout_editor_open_column", *form);
        Session.Input.PressKey(VK_ESCAPE);
        Press(Editor->CancelBtn);
    });
}

TEST_F(LayoutEditorTest, FontRowsAreChosenInTheFontDialog)
{
    const bool changed = Open([&] {
        std::string offered;
        TModalResult answer = mrOk;
        int opened = 0;
        OtherDialog = [&](TCustomForm* Form) {
            ++opened;
            auto* dialog = dynamic_cast<TFontDialogForm*>(Form);
            ASSERT_NE(dialog, nullptr);
            TListBox* sizes = dialog->SizeList();
            offered = sizes->Items()->Get(sizes->ItemIndex());
            ClickLine(sizes, "12");
            auto* button = dynamic_cast<TButton*>(Form->FindComponent(answer == mrOk ? "OkBtn" : "CancelBtn"));
            Press(button);
        };
        const auto clickEllipsis = [&](const std::string& Path) {
            Select(Path);
            Session.Input.PressKey(VK_F2);
            ClickEditorButton();
            Session.Input.PressKey(VK_RETURN);
        };
        answer = mrCancel;
        clickEllipsis("Layout0/Column0/Title Font");
        EXPECT_EQ(offered, "8") << "the dialog opens on the record's font";
        EXPECT_EQ(TGridEditor::NodeRecord(Node("Layout0/Column0"))->Titlefont->Size(), 8)
            << "a cancelled font dialog changes nothing";
        answer = mrOk;
        clickEllipsis("Layout0/Column0/Title Font");
        EXPECT_EQ(opened, 2);
        EXPECT_EQ(TGridEditor::NodeRecord(Node("Layout0/Column0"))->Titlefont->Size(), 12);
        EXPECT_NE(Value("Layout0/Column0/Title Font").find(";12;"), std::string::npos);
        EXPECT_EQ(Value("Layout0/Column0/Font"), "MS Sans Serif;8;clWindowText") << "only the title font changed";
        EXPECT_TRUE(Editor->Modified());
        OtherDialog = nullptr;
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(0)->Title()->GetFont()->Size(), 12);
}

TEST_F(LayoutEditorTest, PickListRowDropsItsNamesAndTakesTheOneClicked)
{
    const bool changed = Open([&] {
        // A double click on the value opens the editor, Alt+Down drops the list.
        TTreeNode* row = Select("Layout0/Column1/Type");
        const TRect value = Editor->GridLay->ValueRect(row);
        Session.Input.DoubleClick(Editor->GridLay->Handle(), { value.Left + 8, value.Top + value.Height() / 2 });
        ASSERT_TRUE(Editor->GridLay->EditorMode());
        TOutInplaceEdit* edit = Editor->GridLay->Editor();
        EXPECT_TRUE(edit->Focused()) << "the second press of the double click leaves the focus in the editor";
        Session.Input.PressKey(VK_DOWN, { ssAlt });
        ASSERT_TRUE(edit->ListVisible());
        TPopupList* list = edit->List();
        ASSERT_EQ(list->Count(), 6);
        EXPECT_EQ(list->Items()->Get(list->ItemIndex()), edit->Text()) << "the list opens on the row's value";
        ProcessMessages();
        ExpectMatchesGolden("layout_editor_pick_list", *WindowPicture(Editor->Handle(), { list->Handle() }));

        // Escape closes it, a click on the button drops it again.
        Session.Input.PressKey(VK_ESCAPE);
        EXPECT_FALSE(edit->ListVisible());
        EXPECT_TRUE(Editor->GridLay->EditorMode());
        ClickEditorButton();
        ASSERT_TRUE(edit->ListVisible());
        // A click on "Currency" closes the list with that name in the editor.
        const TRect currency = list->ItemRect(list->Items()->IndexOf("Currency"));
        TRect listRect;
        GetWindowRect(list->Handle(), listRect);
        Session.Input.Click(list->Handle(),
            { currency.Left - listRect.Left + 8, currency.Top - listRect.Top + currency.Height() / 2 });
        EXPECT_FALSE(edit->ListVisible());
        EXPECT_EQ(edit->Text(), "Currency");
        Session.Input.PressKey(VK_RETURN);
        EXPECT_EQ(Value("Layout0/Column1/Type"), "Currency");
        EXPECT_EQ(TGridEditor::NodeRecord(Node("Layout0/Column1"))->aType, tctCurrency);
        EXPECT_TRUE(Editor->Modified());
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(1)->aType, tctCurrency);
}

TEST_F(LayoutEditorTest, FontDialogOverTheEditorChoosesTheColumnFont)
{
    const bool changed = Open([&] {
        int opened = 0;
        OtherDialog = [&](TCustomForm* Form) {
            ++opened;
            auto* dialog = dynamic_cast<TFontDialogForm*>(Form);
            ASSERT_NE(dialog, nullptr);
            // The families installed differ between machines: the picture keeps the three that
            // every machine with the default faces has.
            TListBox* families = dialog->FamilyList();
            for (int i = families->Items()->Count() - 1; i >= 0; --i) {
                const std::string family = families->Items()->Get(i);
                if (family != "DejaVu Sans" && family != "DejaVu Sans Mono" && family != "DejaVu Serif")
                    families->Items()->Delete(i);
            }
            families->SetItemIndex(families->Items()->IndexOf("DejaVu Sans"));
            ProcessMessages();
            ExpectMatchesGolden("layout_editor_font_dialog", *CaptureWindow(Form->Handle()));

            ClickLine(families, "DejaVu Serif");
            ClickLine(dialog->StyleList(), "Bold");
            ClickLine(dialog->SizeList(), "10");
            ClickLine(dialog->ColorList(), "Maroon");
            Press(dynamic_cast<TButton*>(Form->FindComponent("OkBtn")));
        };
        Select("Layout0/Column1/Font");
        Session.Input.PressKey(VK_F2);
        ClickEditorButton();
        EXPECT_EQ(opened, 1);
        TOutInplaceEdit* edit = Editor->GridLay->Editor();
        // Back from the dialog the edit goes on, showing the new font, and Enter ends it.
        ASSERT_TRUE(Editor->GridLay->EditorMode());
        EXPECT_TRUE(edit->Focused());
        EXPECT_EQ(edit->Text(), "DejaVu Serif;10;clMaroon");
        ProcessMessages();
        ExpectMatchesGolden("layout_editor_font_chosen", *CaptureWindow(Editor->Handle()));
        Session.Input.PressKey(VK_RETURN);
        EXPECT_FALSE(Editor->GridLay->EditorMode());
        const TFont* font = TGridEditor::NodeRecord(Node("Layout0/Column1"))->Font.get();
        EXPECT_EQ(font->Name(), "DejaVu Serif");
        EXPECT_TRUE(font->Style().Contains(fsBold));
        EXPECT_EQ(font->Size(), 10);
        EXPECT_EQ(font->Color(), clMaroon);
        EXPECT_EQ(Value("Layout0/Column1/Font"), "DejaVu Serif;10;clMaroon");
        OtherDialog = nullptr;
        Press(Editor->OkBtn);
    });
    EXPECT_TRUE(changed);
    const TFont* font = Grid->Layout()->GetItem(0)->GeTZelColumns()->GeTZelColumn(1)->GetFont();
    EXPECT_EQ(font->Name(), "DejaVu Serif");
    EXPECT_EQ(font->Size(), 10);
}
