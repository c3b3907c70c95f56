// Saving the demo's changes: the destination is checked before anything is edited, the file is
// replaced only by a complete new one, and a save that fails when the window closes keeps the
// window open, the old file whole and the edits, which Ctrl+S then saves elsewhere.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "apps/zelgrid-demo/DemoForm.h"
#include "binding/GeneratedOrdersSource.h"
#include "tests/demo/DemoSources.h"
#include "apps/zelgrid-demo/ReplaceFile.h"
#include "host/controls/Application.h"
#include "host/controls/Memo.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& Path)
{
    std::ifstream in(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Files written beside the destination and left there (temporary files of a failed save).
std::vector<std::string> Leftovers(const std::string& Folder, const std::vector<std::string>& Expected)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(Folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(Expected.begin(), Expected.end(), name) == Expected.end()) found.push_back(name);
    }
    return found;
}

// Files larger than Bytes cannot be written while it lives: a full disk, also for root.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t Bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &FOld);
        FOldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = Bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldSignal);
    }

private:
    rlimit FOld{};
    void (*FOldSignal)(int) = nullptr;
};

class DemoSaveChangesTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    std::string Folder = ::testing::TempDir() + "demo_save_" + std::to_string(::getpid());
    std::unique_ptr<TGeneratedOrdersSource> Source = std::make_unique<TGeneratedOrdersSource>(20);
    TDemoForm* Form = nullptr;
    TZelGrid* Grid = nullptr;
    // What the dialogs were, and how the next ones are answered.
    std::vector<std::string> Dialogs;
    TModalResult ErrorAnswer = mrOk;
    std::string SaveAsPath;
    TModalHookGuard Hook{[this](TCustomForm* Dialog) {
        Dialogs.push_back(Dialog->Caption());
        if (Dialog->Caption() == "Save changes as") {
            for (int i = 0; i < Dialog->ComponentCount(); ++i)
                if (auto* name = dynamic_cast<TMemo*>(Dialog->Components(i))) name->SetText(SaveAsPath);
            Dialog->SetModalResult(mrOk);
        } else {
            Dialog->SetModalResult(Dialog->Caption() == "Error" ? ErrorAnswer : mrOk);
        }
    }};

    DemoSaveChangesTest() { fs::create_directories(Folder); }
    ~DemoSaveChangesTest() override
    {
        delete Form;
        fs::remove_all(Folder);
    }

    void OpenForm(const std::string& ChangesFile)
    {
        Form = new TDemoForm(nullptr, *Source);
        Form->SetChangesFile(ChangesFile);
        Grid = Form->Grid();
        Form->Show();
        ProcessMessages();
    }
    // Deletes record 2 with the Delete key and types an amount into record 4.
    void EditInTheWindow()
    {
        Grid->AMoveColRow(Grid->DataToRawColumn(3), 1 + Grid->TitleRows(), true, true);
        Session.Input.PressKey(VK_DELETE);
        Grid->AMoveColRow(Grid->DataToRawColumn(3), 2 + Grid->TitleRows(), true, true);
        Session.Input.TypeText("77.5");
        Grid->HideEditor();
        ASSERT_EQ(Source->RowCount(), 19);
        ASSERT_EQ(SourceCell(*Source, 3, 2), "77.5");
    }
};

} // namespace

TEST_F(DemoSaveChangesTest, DestinationIsCheckedBeforeAnythingIsEdited)
{
    std::ofstream(Folder + "/old.csv") << "old";
    std::ofstream(Folder + "/plain") << "x";
    fs::create_directories(Folder + "/dir.csv");
    ASSERT_EQ(::mkfifo((Folder + "/fifo.csv").c_str(), 0600), 0);
    fs::create_symlink("missing/target.csv", Folder + "/dangling.csv");
    fs::create_symlink("old.csv", Folder + "/link.csv");
    struct TCase {
        std::string Path;
        const char* Says; // nullptr: can be written
    } cases[] = {
        {Folder + "/new.csv", nullptr},
        {Folder + "/old.csv", nullptr},
        {Folder + "/link.csv", nullptr},
        {Folder + "/dir.csv", "is a directory"},
        {Folder + "/fifo.csv", "is a fifo"},
        {"/dev/null", "is a character device"},
        {Folder + "/missing/changes.csv", "cannot be reached"},
        {Folder + "/dangling.csv", "cannot be reached"},
        {Folder + "/plain/changes.csv", "Not a directory"},
        {"", "no file"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path);
        const std::string problem = ReplaceDestinationProblem(c.Path);
        EXPECT_TRUE(c.Says ? problem.find(c.Says) != std::string::npos : problem.empty()) << problem;
    }
    EXPECT_EQ(ReadAll(Folder + "/old.csv"), "old") << "checking writes nothing";
}

TEST_F(DemoSaveChangesTest, FailedSaveKeepsTheWindowTheOldFileAndTheEditsUntilSavedElsewhere)
{
    struct TCase {
        const char* Name;
        bool DestinationBecomesDirectory; // otherwise the disk fills up
    } cases[] = {{"a full disk", false}, {"a directory in its place", true}};
    const std::string old = "change,Number\r\nkept,1\r\n";
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Folder + "/changes.csv";
        fs::remove_all(path);
        std::ofstream(path, std::ios::binary) << old;
        delete Form;
        Form = nullptr;
        Source = std::make_unique<TGeneratedOrdersSource>(20);
        OpenForm(path);
        EditInTheWindow();
        Dialogs.clear();
        {
            std::unique_ptr<TFileSizeLimit> fullDisk;
            if (c.DestinationBecomesDirectory) {
                fs::remove(path);
                fs::create_directories(path);
            } else {
                fullDisk = std::make_unique<TFileSizeLimit>(old.size());
            }
            Session.Input.PressKey('Q', TShiftState{ssCtrl});
            EXPECT_EQ(Dialogs, std::vector<std::string>{"Error"});
            EXPECT_TRUE(Form->Visible()) << "the window stays open";
            EXPECT_TRUE(Form->ChangesUnsaved());
            EXPECT_NE(Form->SaveChanges().find(c.DestinationBecomesDirectory ? "is a directory" : "File too large"),
                      std::string::npos);
        }
        if (!c.DestinationBecomesDirectory) {
            EXPECT_EQ(ReadAll(path), old) << "the old file is whole";
        }
        EXPECT_EQ(Leftovers(Folder, {"changes.csv"}), std::vector<std::string>{}) << "no temporary file is left";

        // Ctrl+S saves the edits to another file, which closing then keeps up to date.
        SaveAsPath = Folder + "/elsewhere.csv";
        Dialogs.clear();
        Session.Input.PressKey('S', TShiftState{ssCtrl});
        EXPECT_EQ(Dialogs, std::vector<std::string>{"Save changes as"});
        EXPECT_EQ(Form->ChangesFile(), SaveAsPath);
        EXPECT_EQ(ReadAll(SaveAsPath), Source->ChangesCsv());
        EXPECT_NE(ReadAll(SaveAsPath).find("\r\nchanged,4,"), std::string::npos);
        EXPECT_NE(ReadAll(SaveAsPath).find("\r\ndeleted,2,"), std::string::npos);
        EXPECT_NE(Form->StatusText().find("Changes saved"), std::string::npos) << Form->StatusText();
        Grid->AMoveColRow(Grid->DataToRawColumn(3), 5 + Grid->TitleRows(), true, true);
        Session.Input.TypeText("1.25");
        Form->Close(); // the text still in the cell editor is part of the changes
        EXPECT_FALSE(Form->Visible());
        EXPECT_EQ(Dialogs.size(), 1u) << "no error this time";
        EXPECT_EQ(ReadAll(SaveAsPath), Source->ChangesCsv()) << "closing saved the last edit too";
        EXPECT_NE(ReadAll(SaveAsPath).find(",1.25,"), std::string::npos);
        fs::remove(SaveAsPath);
    }
}

TEST_F(DemoSaveChangesTest, GivingTheChangesUpClosesWithoutWriting)
{
    const std::string path = Folder + "/changes.csv";
    OpenForm(path);
    EditInTheWindow();
    fs::create_directories(path);
    ErrorAnswer = mrIgnore;
    Form->Close();
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(Form->ChangesUnsaved());
    EXPECT_TRUE(fs::is_directory(path));
}
