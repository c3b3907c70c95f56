// zelgrid-designer's document and window driven headless as a user does: clicks and right clicks
// on the designed form, typing in the property list, saving and closing.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "apps/zelgrid-designer/DesignerWindow.h"
#include "apps/zelgrid-designer/FormDesigner.h"
#include "apps/zelgrid-designer/PropertyList.h"
#include "design/GridEditor.h"
#include "host/controls/Application.h"
#include "host/controls/Menus.h"
#include "host/controls/StdCtrls.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "package/Zelpack4.h"
#include "zelgrid/Zelgrid.h"

namespace {

std::string ReadAll(const std::string& Path)
{
    std::ifstream in(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DesignerAppTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    std::string Dir;
    std::string File;
    std::unique_ptr<TFormDesigner> Designer;
    std::unique_ptr<TDesignerWindow> Window;
    // Each dialog shown, as its caption and its buttons ("Confirm|Yes|No|Cancel"), and the
    // answer each gets.
    std::vector<std::string> Dialogs;
    TModalResult Answer = mrCancel;

    DesignerAppTest()
    {
        Zelpack4Initialize();
        ClearDesignerRegistrations();
        Register();
        RegisterDesignerEditors();
        char dir[] = "/tmp/zel-designer-XXXXXX";
        Dir = mkdtemp(dir);
        File = Dir + "/Form1.dfm";
        std::filesystem::copy_file(ZEL_DESIGNER_SAMPLE, File);
    }
    ~DesignerAppTest() override
    {
        Window.reset();
        Designer.reset();
        ClearDesignerRegistrations();
        std::filesystem::remove_all(Dir);
    }

    void Open(const std::string& Path)
    {
        Designer = std::make_unique<TFormDesigner>(Path);
        Window = std::make_unique<TDesignerWindow>(nullptr, *Designer);
        Window->ShowDesigner();
        ProcessMessages();
    }
    TZelGrid* Grid() const { return dynamic_cast<TZelGrid*>(Designer->FindDesigned("ZelGrid1")); }
    // Answers every dialog with Answer, remembering it.
    TModalHookGuard AnswerDialogs()
    {
        return TModalHookGuard([this](TCustomForm* Form) {
            std::string text = Form->Caption();
            for (int i = 0; i < Form->ComponentCount(); ++i)
                if (auto* button = dynamic_cast<TButton*>(Form->Components(i))) text += "|" + button->Caption();
            Dialogs.push_back(text);
            Form->SetModalResult(Answer);
        });
    }
    // The value column of a property row, as the list paints it.
    std::string Value(const std::string& Path)
    {
        TTreeNode* node = Window->Properties()->FindRow(Path);
        if (!node) return "(no row " + Path + ")";
        std::string text;
        bool flag = false;
        int number = 0;
        Window->Properties()->GetNodeData(node, text, flag, number);
        return text;
    }
    // Selects a property row with a click on its name.
    void Select(const std::string& Path)
    {
        TPropertyList* list = Window->Properties();
        TTreeNode* node = list->FindRow(Path);
        ASSERT_NE(node, nullptr) << Path;
        list->MakeVisible(node);
        const TRect r = list->CaptionRect(node);
        Session.Input.Click(list->Handle(), {r.Right - 4, r.Top + r.Height() / 2});
        ASSERT_EQ(list->Selected(), node) << Path;
    }
    // Selects a property row and types Text over its value, ending with Enter.
    void Type(const std::string& Path, const std::string& Text)
    {
        Select(Path);
        Session.Input.PressKey(VK_F2);
        Session.Input.PressKey('A', {ssCtrl});
        Session.Input.PressKey(VK_DELETE);
        Session.Input.TypeText(Text);
        Session.Input.PressKey(VK_RETURN);
    }
    // The designed form's pixel at a point of its client area (the capture holds the frame too).
    TPixel MarkPixel(int X, int Y)
    {
        ProcessMessages();
        const std::unique_ptr<TBitmap> shot = CaptureWindow(Designer->Form()->Handle());
        const TPoint origin = Designer->Form()->ClientToScreen({0, 0});
        return shot->Pixel(X + origin.X - Designer->Form()->Left(), Y + origin.Y - Designer->Form()->Top());
    }
    // A point inside the grid's first data cell, away from every column border.
    TPoint DataCell() const
    {
        const TRect r = Grid()->CellRect(1, 1);
        return {r.Left + r.Width() / 2, r.Top + r.Height() / 2};
    }
};

TEST_F(DesignerAppTest, ASessionSelectsOffersTheVerbEditsSavesAndAsksBeforeClosing)
{
    Open(File);
    auto hook = AnswerDialogs();
    TZelGrid* grid = Grid();
    ASSERT_NE(grid, nullptr);
    EXPECT_TRUE(grid->ComponentState.Contains(csDesigning));
    EXPECT_EQ(Designer->Selection(), Designer->Root()) << "the form is selected at first";
    EXPECT_EQ(Window->Caption(), "ZelGrid Designer - Form1.dfm");

    // A press on a data cell selects the grid and does not reach it: its current cell stays.
    const int row = grid->Row();
    Session.Input.Click(grid->Handle(), DataCell());
    EXPECT_EQ(Designer->Selection(), grid);
    EXPECT_EQ(Window->SelectionLabel()->Caption(), "ZelGrid1: TZelGrid");
    EXPECT_EQ(grid->Row(), row);
    EXPECT_EQ(Value("Layout"), "(TColLayout)");
    EXPECT_EQ(Value("Width"), "396");
    // Marks stand on the grid's corners.
    const TPixel mark = ColorToPixel(clHighlight);
    EXPECT_EQ(MarkPixel(grid->Left(), grid->Top()), mark);
    EXPECT_EQ(MarkPixel(grid->Left() + grid->Width(), grid->Top() + grid->Height()), mark);

    // A right click offers exactly the editor's verb.
    Session.Input.Click(grid->Handle(), DataCell(), mbRight);
    TPopupMenu* menu = Designer->VerbMenu();
    ASSERT_TRUE(menu->IsOpen());
    ASSERT_EQ(menu->Items()->Count(), 1);
    EXPECT_EQ(menu->Items()->Items(0)->Caption(), "&Layout Editor...");
    // Its accelerator, typed while the designed form has the keyboard, opens the layout editor.
    Session.Input.Activate(Designer->Form()->Handle());
    Session.Input.PressKey('L');
    EXPECT_FALSE(menu->IsOpen());
    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_EQ(Dialogs[0], "Form1.ZelGrid1 LayoutEditor|OK|Cancel|Apply...");
    // A double click runs the same editor; cancelled, nothing is modified.
    Session.Input.DoubleClick(grid->Handle(), DataCell());
    ASSERT_EQ(Dialogs.size(), 2u);
    EXPECT_EQ(Dialogs[1], "Form1.ZelGrid1 LayoutEditor|OK|Cancel|Apply...");
    EXPECT_FALSE(Designer->IsModified());
    // The Layout row's ellipsis runs the property editor.
    Select("Layout");
    Session.Input.PressKey(VK_F2);
    Session.Input.PressKey(VK_F2);
    ASSERT_EQ(Dialogs.size(), 3u);
    EXPECT_EQ(Dialogs[2], "ZelGrid1.Layout|OK|Cancel|Apply...");
    EXPECT_FALSE(Designer->IsModified());
    EXPECT_EQ(Value("Layout"), "(TColLayout)");

    // A typed value goes through the property editor and marks the form modified; a refused
    // one changes nothing.
    Type("Width", "300");
    EXPECT_EQ(grid->Width(), 300);
    EXPECT_EQ(MarkPixel(grid->Left() + 300, grid->Top()), mark) << "the marks follow the new width";
    EXPECT_TRUE(Designer->IsModified());
    EXPECT_EQ(Window->Caption(), "ZelGrid Designer - Form1.dfm *");
    EXPECT_THROW(Type("Width", "abc"), EConvertError);
    Session.Input.KeyUp(VK_RETURN);
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_EQ(grid->Width(), 300);

    // Ctrl+S saves the text form through a renamed temporary file.
    Session.Input.PressKey('S', {ssCtrl});
    EXPECT_FALSE(Designer->IsModified());
    EXPECT_EQ(Window->Caption(), "ZelGrid Designer - Form1.dfm");
    const std::string saved = ReadAll(File);
    EXPECT_EQ(saved.rfind("object Form1: TForm", 0), 0u) << "saved in the form it was read in";
    EXPECT_NE(saved.find("Width = 300"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir), std::filesystem::directory_iterator()), 1)
        << "no temporary file is left";

    // Closing with unsaved changes asks: Cancel keeps the window, No closes without saving.
    Type("Tag", "5");
    Dialogs.clear();
    Answer = mrCancel;
    Window->Close();
    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_EQ(Dialogs[0], "Confirm|Yes|No|Cancel");
    EXPECT_TRUE(Window->Visible());
    // The designed form's close box asks the same.
    PostMessage(Designer->Form()->Handle(), WM_CLOSE, 0, 0);
    ProcessMessages();
    EXPECT_EQ(Dialogs.size(), 2u);
    EXPECT_TRUE(Designer->Form()->Visible());
    Answer = mrNo;
    Window->Close();
    EXPECT_FALSE(Window->Visible());
    EXPECT_EQ(ReadAll(File), saved);
}

TEST_F(DesignerAppTest, ValuesComeFromTheEditorsAndNamesMustStayUniqueIdentifiers)
{
    Open(File);
    Designer->Select(Grid());
    // An enumeration drops down its names; a chosen one is set.
    TStringList names;
    Window->Properties()->GetPicklist(Window->Properties()->FindRow("Align"), &names);
    EXPECT_EQ(names.GetText(), "alNone\r\nalTop\r\nalBottom\r\nalLeft\r\nalRight\r\nalClient\r\n");
    Type("Blinded", "True");
    EXPECT_TRUE(Grid()->Blinded());
    // A font opens into rows of its own.
    TTreeNode* size = Window->Properties()->FindRow("Font.Size");
    ASSERT_NE(size, nullptr);
    size->Parent()->Expand(false);
    Type("Font.Size", "12");
    EXPECT_EQ(Grid()->Font()->Size(), 12);

    // Names the form file could not hold, or that another component has, are refused.
    for (const char* refused : {"", "1Grid", "Zel Grid", "Form1", "form1"}) {
        EXPECT_THROW(Type("Name", refused), EConvertError) << refused;
        Session.Input.KeyUp(VK_RETURN);
        Session.Input.PressKey(VK_ESCAPE);
    }
    EXPECT_EQ(Grid(), Designer->Selection());
    Type("Name", "Orders");
    EXPECT_EQ(Designer->FindDesigned("Orders"), Designer->Selection());
    EXPECT_EQ(Window->SelectionLabel()->Caption(), "Orders: TZelGrid");
}

TEST_F(DesignerAppTest, OkAfterAnEditInTheLayoutEditorMarksTheFormModified)
{
    Open(File);
    TModalHookGuard hook([](TCustomForm* Form) {
        auto* editor = dynamic_cast<TGridEditor*>(Form);
        ASSERT_NE(editor, nullptr);
        editor->NewLayoutClick(nullptr);
        editor->OkBtn->Click();
    });
    Designer->ExecuteVerb(Grid(), 0);
    EXPECT_EQ(Grid()->Layout()->Count(), 3);
    EXPECT_TRUE(Designer->IsModified());
    EXPECT_EQ(Window->Caption(), "ZelGrid Designer - Form1.dfm *");
}

TEST_F(DesignerAppTest, AColumnBorderPressReachesTheGridAndTheSizingMarksTheFormModified)
{
    Open(File);
    TZelGrid* grid = Grid();
    const int before = grid->ColWidths(1);
    const TRect title = grid->CellRect(1, 0);
    Session.Input.Drag(grid->Handle(), {title.Right, title.Top + 4}, {title.Right + 30, title.Top + 4});
    EXPECT_EQ(grid->ColWidths(1), before + 30);
    EXPECT_TRUE(Designer->IsModified());
    EXPECT_EQ(Designer->Selection(), Designer->Root()) << "the press went to the grid, not to the designer";
}

TEST_F(DesignerAppTest, SavingKeepsTheFormOfTheFileAndAFailedSaveKeepsTheChanges)
{
    // Saved without a change, the text form comes back byte for byte; opened through a
    // symbolic link, the link stays and the file it names is written.
    const std::string link = Dir + "/Link.dfm";
    std::filesystem::create_symlink(File, link);
    Open(link);
    Designer->Select(Grid());
    EXPECT_TRUE(Window->SaveCommand());
    EXPECT_EQ(ReadAll(File), ReadAll(ZEL_DESIGNER_SAMPLE));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    Window.reset();
    Designer.reset();

    // A binary copy of the sample is saved binary.
    const std::string binary = Dir + "/Form1.bin";
    {
        std::ofstream out(binary, std::ios::binary);
        out << ObjectTextToBinary(ReadAll(File));
    }
    Open(binary);
    Type("Caption", "Sales");
    Session.Input.Click(Window->SaveButton()->Handle(), {4, 4});
    const std::string saved = ReadAll(binary);
    EXPECT_EQ(saved.rfind("TPF0", 0), 0u);
    EXPECT_NE(saved.find("Sales"), std::string::npos);

    // The folder is gone: the error is shown, and the form stays modified.
    auto hook = AnswerDialogs();
    Answer = mrOk;
    Type("Caption", "Lost");
    std::filesystem::remove_all(Dir);
    EXPECT_FALSE(Window->SaveCommand());
    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_EQ(Dialogs[0], "Error|OK");
    EXPECT_TRUE(Designer->IsModified());
}

TEST_F(DesignerAppTest, AFileThatIsNoFormIsRefusedWithTheReason)
{
    const std::string bad = Dir + "/bad.dfm";
    std::ofstream(bad) << "object Form1: TForm\n  Width = \n";
    EXPECT_THROW(TFormDesigner{bad}, EReadError);
    const std::string grid = Dir + "/grid.dfm";
    std::ofstream(grid) << "object ZelGrid1: TZelGrid\nend\n";
    try {
        TFormDesigner designer(grid);
        ADD_FAILURE() << "a grid alone was taken as a form";
    } catch (const EReadError& E) {
        EXPECT_NE(std::string(E.what()).find("not a form"), std::string::npos) << E.what();
    }
}

} // namespace
