// The demo's layouts across a restart: what the user changed comes back from the layout file,
// and a file that cannot be used leaves the built-in layouts shown and the file untouched.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "apps/zelgrid-demo/DemoForm.h"
#include "binding/GeneratedOrdersSource.h"
#include "tests/demo/DemoSources.h"
#include "apps/zelgrid-demo/LayoutFile.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

namespace {

std::string ReadAll(const std::string& Path)
{
    std::ifstream in(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& Path, const std::string& Data)
{
    std::ofstream(Path, std::ios::binary) << Data;
}

class DemoLayoutFileTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TGeneratedOrdersSource Table{20};
    std::string Folder = ::testing::TempDir() + "demo_layouts_" + std::to_string(::getpid());
    std::string Path = Folder + "/sub/orders.layout";

    ~DemoLayoutFileTest() override { std::filesystem::remove_all(Folder); }

    std::unique_ptr<TDemoForm> NewForm(TTableSource& Data, TDemoLayoutFile* File = nullptr, std::string* Problem = nullptr)
    {
        auto form = std::make_unique<TDemoForm>(nullptr, Data);
        if (File) *Problem = File->Load(*form);
        form->Show();
        ProcessMessages();
        return form;
    }
    std::vector<TPixel> Frame(TDemoForm& Form)
    {
        ProcessMessages();
        const std::unique_ptr<TBitmap> frame = CaptureWindow(Form.Handle());
        return {frame->Bits(), frame->Bits() + frame->Width() * frame->Height()};
    }
};

} // namespace

TEST_F(DemoLayoutFileTest, WidthOrderAndLayoutComeBackAfterARestart)
{
    std::vector<TPixel> frame;
    std::string problem;
    // The file is a link into a folder kept elsewhere (not there yet): the link must stay.
    std::filesystem::create_directories(Folder + "/sub");
    std::filesystem::create_symlink("../kept/orders.layout", Path);
    {
        TDemoLayoutFile file(Path);
        auto form = NewForm(Table, &file, &problem);
        EXPECT_EQ(problem, "") << "no file yet is no problem";
        TZelGridColumns* overview = form->Grid()->Layout()->GetItem(0)->GeTZelColumns();
        overview->GeTZelColumn(2)->SetWidth(211);
        overview->GeTZelColumn(3)->SetIndex(0);
        form->SwitchLayout();
        form->Grid()->Layout()->GetItem(1)->GeTZelColumns()->GeTZelColumn(1)->SetVisible(false);
        frame = Frame(*form);
        EXPECT_EQ(file.Save(*form), "") << "the save creates the missing folders";
    }
    EXPECT_TRUE(std::filesystem::is_symlink(Path));
    EXPECT_TRUE(std::filesystem::is_regular_file(Folder + "/kept/orders.layout"));
    TDemoLayoutFile file(Path);
    auto form = NewForm(Table, &file, &problem);
    EXPECT_EQ(problem, "");
    TZelGrid* grid = form->Grid();
    EXPECT_EQ(grid->LayoutIndex(), 1);
    EXPECT_NE(form->StatusText().find("Details"), std::string::npos);
    EXPECT_FALSE(grid->Columns()->GeTZelColumn(1)->Visible());
    TZelGridColumns* overview = grid->Layout()->GetItem(0)->GeTZelColumns();
    EXPECT_EQ(overview->GeTZelColumn(0)->Title()->GetCaption(), "Amount");
    EXPECT_EQ(overview->GeTZelColumn(3)->Title()->GetCaption(), "Customer");
    EXPECT_EQ(overview->GeTZelColumn(3)->GetWidth(), 211);
    EXPECT_EQ(Frame(*form), frame) << "the restarted form looks as the first one did";

    // The moved column still shows its own field, and edits go there.
    form->SwitchLayout();
    std::string text;
    grid->OnGetDataCell(0, 2, text);
    EXPECT_EQ(text, SourceCell(Table, 3, 2));
    grid->AMoveColRow(grid->DataToRawColumn(0), 2 + grid->TitleRows(), true, true);
    Session.Input.TypeText("42.5");
    grid->HideEditor();
    EXPECT_EQ(SourceCell(Table, 3, 2), "42.5");
}

TEST_F(DemoLayoutFileTest, UnusableFileLeavesBuiltInLayoutsAndIsNotOverwritten)
{
    std::filesystem::create_directories(Folder + "/sub");
    TDemoLayoutFile(Path).Save(*NewForm(Table));
    const std::string good = ReadAll(Path);
    const std::unique_ptr<TMemorySource> csvSource = MemoryTable("Name,City\nAnn,Oslo\n");
    TMemorySource& csv = *csvSource;
    std::string extraLayout;
    {
        auto form = NewForm(Table);
        form->Grid()->Layout()->Add();
        extraLayout = form->LayoutForm();
    }
    const std::string builtIn = NewForm(Table)->LayoutForm();
    // The good file with a component read into the grid.
    auto carrying = [&](const std::string& Component) { return good.substr(0, good.rfind("end")) + Component + "end\n"; };
    struct TCase {
        const char* Name;
        std::string Data;
        const char* Says;
    } cases[] = {
        {"cut short", good.substr(0, good.size() / 2), "Line "},
        {"binary noise", std::string("\x01\x02\xFFnoise", 8), "Not a form file"},
        {"empty", "", "Not a form file"},
        {"too large to be one", good + std::string(1 << 20, ' '), "larger than"},
        {"another component", "object Form1: TForm\n  Caption = 'Orders'\nend\n", "holds a TForm"},
        {"a CSV table's layouts", NewForm(csv)->LayoutForm(), "is no column of this table"},
        {"three layouts", extraLayout, "3 layouts"},
        {"bad value", good.substr(0, good.find("LayoutIndex")) + "LayoutIndex = 'x'\nend\n", "LayoutIndex"},
        {"a nested grid", carrying("  object Inner: TZelGrid\n  end\n"), "(Inner: TZelGrid) inside the grid"},
        {"a form", carrying("  object Form1: TForm\n    Caption = 'Orders'\n  end\n"), "(Form1: TForm) inside the grid"},
        {"an unnamed component", carrying("  object TZelGrid\n  end\n"), "(an unnamed TZelGrid) inside the grid"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteAll(Path, c.Data);
        TDemoLayoutFile file(Path);
        std::string problem;
        auto form = NewForm(Table, &file, &problem);
        EXPECT_NE(problem.find(Path), std::string::npos) << problem;
        EXPECT_NE(problem.find(c.Says), std::string::npos) << problem;
        EXPECT_EQ(form->LayoutForm(), builtIn);
        form->SwitchLayout();
        EXPECT_NE(file.Save(*form).find("not saved"), std::string::npos);
        EXPECT_EQ(ReadAll(Path), c.Data) << "the file the user may still want is kept";
    }
}

TEST_F(DemoLayoutFileTest, DefaultPathFollowsTheConfigFolderAndTheTablesColumns)
{
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string oldHome = home ? home : "", oldConfig = config ? config : "";
    ::setenv("HOME", "/home/ann", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(DefaultLayoutPath(Table), "/cfg/zelgrid-demo/orders.layout");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(DefaultLayoutPath(Table), "/home/ann/.config/zelgrid-demo/orders.layout");
    const std::string a = DefaultLayoutPath(*MemoryTable("Name,City\n"));
    EXPECT_EQ(a, DefaultLayoutPath(*MemoryTable("Name,City\nAnn,Oslo\n")));
    EXPECT_NE(a, DefaultLayoutPath(*MemoryTable("NameC,ity\n")));
    EXPECT_EQ(a.rfind("/home/ann/.config/zelgrid-demo/table-", 0), 0u) << a;
    ::unsetenv("HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultLayoutPath(Table), "");
    if (home) ::setenv("HOME", oldHome.c_str(), 1);
    if (config) ::setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
}
