// Long operations of the binding on its worker thread, driven through the headless back end: the
// grid keeps taking input, shows the rows it had and refuses edits while a sort runs; progress
// reaches the GUI thread in order; Escape and a second title click stop a sort; the grid or the
// binding may go while the worker runs; counts, pages and sums of a slow source never hold the
// GUI thread, and a sum in the making gives way to an edit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <sqlite3.h>
#include <thread>

#include "binding/GridBinding.h"
#include "binding/MemorySource.h"
#include "binding/SqliteSource.h"
#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

using namespace std::chrono_literals;

enum { Id, Name, Amount };

std::shared_ptr<TMemoryStore> MakeStore(int Rows)
{
    auto store = std::make_shared<TMemoryStore>();
    store->Columns = {{"Id", TSourceColumnKind::Integer},
                      {"Name", TSourceColumnKind::Text},
                      {"Amount", TSourceColumnKind::Number}};
    for (int i = 0; i < Rows; ++i)
        store->Add({std::to_string(i + 1), "Name " + std::to_string((i * 7) % Rows), std::to_string(Rows - i)});
    return store;
}

// A source whose order takes Steps steps, each let through by the test (Allow), reporting its
// progress and asking it again while it waits, as a database does while it sorts. A step nobody
// lets through goes on by itself after a few seconds, so that a binding that waits on the GUI
// thread makes the test fail instead of hang.
class TSlowSource : public TMemorySource {
public:
    static constexpr int Steps = 10;
    using TMemorySource::TMemorySource;

    void SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress = {}) override
    {
        Step(Progress);
        TMemorySource::SetOrder(Col, Direction);
        if (Progress) Progress(1);
        Running = false;
    }
    void Refresh(const TSourceProgress& Progress = {}) override
    {
        Step(Progress);
        TMemorySource::Refresh();
        Running = false;
    }
    void Step(const TSourceProgress& Progress)
    {
        Running = true;
        const auto giveUp = std::chrono::steady_clock::now() + 5s;
        for (int step = 0; step < Steps; ++step) {
            std::unique_lock lock(FLock);
            do {
                lock.unlock();
                if (Progress && !Progress(static_cast<double>(step) / Steps)) {
                    Running = false;
                    throw ESourceCancelled();
                }
                lock.lock();
            } while (FAllowed <= step && std::chrono::steady_clock::now() < giveUp && (FChanged.wait_for(lock, 2ms), true));
            Reached = step + 1;
        }
    }
    void Allow(int StepsMore)
    {
        std::lock_guard lock(FLock);
        FAllowed += StepsMore;
        FChanged.notify_all();
    }
    // Lets no step through until allowed again.
    void Reset()
    {
        std::lock_guard lock(FLock);
        FAllowed = 0;
        Reached = 0;
    }
    // A call on the worker that is waiting for the test.
    std::atomic<bool> Running{false};
    std::atomic<int> Reached{0};

    // Counts and page reads, or writes, held back: each waits for a ticket (Let), or at most
    // AutoLet.
    std::int64_t RowCount() override
    {
        Gate(FHoldReads);
        return TMemorySource::RowCount();
    }
    void ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows) override
    {
        Gate(FHoldReads);
        TMemorySource::ReadRows(First, Count, Rows);
    }
    std::string UpdateCell(std::int64_t Row, int Col, const std::string& Value) override
    {
        Gate(FHoldWrites);
        return TMemorySource::UpdateCell(Row, Col, Value);
    }
    std::string InsertRecord(std::int64_t& Row) override
    {
        Gate(FHoldWrites);
        return TMemorySource::InsertRecord(Row);
    }
    std::string DeleteRecord(std::int64_t Row) override
    {
        Gate(FHoldWrites);
        return TMemorySource::DeleteRecord(Row);
    }
    void HoldReads(std::chrono::milliseconds AutoLet = 5s) { Hold(FHoldReads, AutoLet); }
    void HoldWrites() { Hold(FHoldWrites, 5s); }
    void Let(int Reads)
    {
        std::lock_guard lock(FLock);
        FTickets += Reads;
        FChanged.notify_all();
    }
    void ReleaseReads()
    {
        std::lock_guard lock(FLock);
        FHoldReads = FHoldWrites = false;
        FChanged.notify_all();
    }
    // Calls held back now.
    std::atomic<int> ReadsWaiting{0};

private:
    void Hold(bool& What, std::chrono::milliseconds AutoLet)
    {
        std::lock_guard lock(FLock);
        What = true;
        FAutoLet = AutoLet;
        FTickets = 0;
    }
    void Gate(const bool& Holding)
    {
        std::unique_lock lock(FLock);
        if (!Holding) return;
        ++ReadsWaiting;
        const auto began = std::chrono::steady_clock::now();
        while (Holding && FTickets == 0 && std::chrono::steady_clock::now() < began + FAutoLet)
            FChanged.wait_for(lock, 1ms);
        if (FTickets > 0) --FTickets;
        --ReadsWaiting;
    }

    std::mutex FLock;
    std::condition_variable FChanged;
    int FAllowed = 0;
    bool FHoldReads = false;
    bool FHoldWrites = false;
    int FTickets = 0;
    std::chrono::milliseconds FAutoLet{5s};
};

struct TProgressEvent {
    double Fraction;
    std::string Text;
    std::thread::id Thread;
};

class LongOperationTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    std::shared_ptr<TMemoryStore> Store = MakeStore(500);
    TSlowSource Source{Store};
    TForm* Form = new TForm(nullptr);
    TZelGrid* Grid = new TZelGrid(Form);
    std::unique_ptr<TGridBinding> Binding;
    std::vector<TProgressEvent> Events;
    int Dialogs = 0;
    TModalHookGuard Hook{[this](TCustomForm* Dialog) {
        ++Dialogs;
        Dialog->SetModalResult(mrOk);
    }};

    LongOperationTest()
    {
        Form->SetBounds(0, 0, 420, 360);
        Grid->SetAlign(alClient);
        Grid->SetParent(Form);
        Binding = std::make_unique<TGridBinding>(Grid, Source);
        Binding->OnProgress = [this](double Fraction, const std::string& Text) {
            Events.push_back({Fraction, Text, std::this_thread::get_id()});
        };
        Form->SetActiveControl(Grid);
        Form->Show();
        ProcessMessages();
    }
    ~LongOperationTest() override
    {
        Source.Allow(TSlowSource::Steps);
        Source.ReleaseReads();
        Binding.reset();
        delete Form;
    }

    void ClickTitle(int DataCol)
    {
        const TRect title = Grid->CellRect(Grid->DataToRawColumn(DataCol), 0);
        Session.Input.Click(Grid->Handle(), {(title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2});
    }
    // Runs the message loop (its clock in poll intervals) until Done or five seconds have passed.
    template <class F> bool PumpUntil(F Done)
    {
        const auto giveUp = std::chrono::steady_clock::now() + 5s;
        while (!Done()) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            Session.Input.Wait(TGridBinding::PollInterval);
            std::this_thread::sleep_for(1ms);
        }
        ProcessMessages();
        return true;
    }
    std::string Shown(int DataCol, int DataRow)
    {
        std::string text;
        Grid->OnGetDataCell(DataCol, DataRow, text);
        return text;
    }
    // A new form and grid, the binding over them made by the test.
    void NewGrid()
    {
        Binding.reset();
        delete Form;
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 420, 360);
        Grid = new TZelGrid(Form);
        Grid->SetAlign(alClient);
        Grid->SetParent(Form);
    }
    // The store's amounts added up, in ten-thousandths.
    std::int64_t AmountSum() const
    {
        std::int64_t sum = 0;
        for (const TMemoryRecord& record : Store->Records) sum += std::llround(std::stod(record.Cells[Amount]) * 10000);
        return sum;
    }
};

} // namespace

TEST_F(LongOperationTest, ASortOnTheWorkerLeavesInputToTheUserAndRepaintsInTheNewOrderWhenDone)
{
    ClickTitle(Amount);
    // The click returned while the sort waits for its first step: the worker has it.
    ASSERT_TRUE(Binding->Busy());
    ASSERT_TRUE(Source.Running);
    EXPECT_EQ(Source.Reached, 0);

    // Keys are handled meanwhile, over the rows shown before.
    const int row = Grid->Row();
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Grid->Row(), row + 1);
    EXPECT_TRUE(Source.Running) << "the key was handled while the sort ran";
    EXPECT_EQ(Shown(Id, 0), "1");
    EXPECT_EQ(Shown(Amount, 0), "500");
    EXPECT_EQ(Shown(Id, 400), "") << "a row not cached shows empty; the source is the worker's";

    // An edit is refused with a message that says why, and changes nothing.
    Session.Input.TypeText("7");
    Session.Input.PressKey(VK_RETURN);
    Grid->HideEditor();
    EXPECT_EQ(Dialogs, 1);
    EXPECT_NE(Binding->LastError().find("Sorting by Amount"), std::string::npos) << Binding->LastError();
    EXPECT_EQ(Store->Records[1].Cells[Id], "2");
    Grid->DeleteRecord(0);
    EXPECT_EQ(Dialogs, 2);
    EXPECT_EQ(Store->Records.size(), 500u);

    // Progress arrives on the GUI thread, in order, named.
    Source.Allow(4);
    ASSERT_TRUE(PumpUntil([&] { return !Events.empty() && Events.back().Fraction >= 0.4; }));
    EXPECT_TRUE(Binding->Busy());
    Source.Allow(TSlowSource::Steps);
    const int pages = Binding->PagesRead();
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    ASSERT_EQ(Events.size(), TSlowSource::Steps + 2u) << "every step, the end of the sort and the end of the job";
    for (std::size_t i = 0; i < Events.size(); ++i) {
        EXPECT_EQ(Events[i].Thread, std::this_thread::get_id()) << i;
        if (i > 0) {
            EXPECT_GE(Events[i].Fraction, Events[i - 1].Fraction) << i;
        }
        EXPECT_EQ(Events[i].Text, i + 1 < Events.size() ? "Sorting by Amount" : "") << i;
    }
    EXPECT_EQ(Events.back().Fraction, 1.0);

    // Done: the source has the new order and the grid painted it.
    EXPECT_EQ(Source.OrderColumn(), Amount);
    EXPECT_GT(Binding->PagesRead(), pages) << "the end repainted the grid";
    EXPECT_EQ(Shown(Amount, 0), "1");
    EXPECT_EQ(Shown(Id, 0), "500");
}

TEST_F(LongOperationTest, EscapeAndASecondTitleClickStopTheRunningSortAndTheOldOrderStays)
{
    // Escape: the source keeps its order, the grid its rows, the status line is cleared.
    ClickTitle(Amount);
    ASSERT_TRUE(Binding->Busy());
    Source.Allow(2);
    ASSERT_TRUE(PumpUntil([&] { return Source.Reached >= 2; }));
    Session.Input.PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Source.Reached, 2) << "the sort stopped at the step it was at";
    EXPECT_EQ(Source.OrderColumn(), -1);
    EXPECT_EQ(Shown(Id, 0), "1");
    ASSERT_FALSE(Events.empty());
    EXPECT_EQ(Events.back().Text, "");
    EXPECT_EQ(Events.back().Fraction, 0.0);
    EXPECT_NE(Binding->LastError().find("Cancelled"), std::string::npos);
    EXPECT_EQ(Dialogs, 0) << "a cancel the user asked for is no error";

    // A click on another title during a sort stops it and sorts by the new one; a click on the
    // same title during that one turns its direction round.
    Source.Reset();
    ClickTitle(Amount);
    ASSERT_TRUE(Binding->Busy());
    ClickTitle(Name);
    ClickTitle(Name);
    Source.Allow(TSlowSource::Steps);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Source.OrderColumn(), Name);
    EXPECT_EQ(Source.OrderDirection(), TSortDirection::Descending);
    EXPECT_EQ(Shown(Name, 0), "Name 99");
    EXPECT_EQ(Dialogs, 0);

    // Cancel() drops a sort that waits as well as the running one.
    Source.Reset();
    ClickTitle(Id);
    ASSERT_TRUE(Binding->Busy());
    ClickTitle(Amount);
    Binding->Cancel();
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Source.OrderColumn(), Name);
}

TEST_F(LongOperationTest, TheGridOrTheBindingMayGoWhileTheWorkerRuns)
{
    // The grid goes: the sort ends on its own, the binding touches no grid.
    ClickTitle(Amount);
    ASSERT_TRUE(Binding->Busy());
    delete Form;
    Form = nullptr;
    Source.Allow(TSlowSource::Steps);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Source.OrderColumn(), Amount);
    EXPECT_EQ(Events.back().Text, "");

    // The binding goes: the worker is stopped and joined, no timer of it is left to fire.
    Form = new TForm(nullptr);
    auto* grid = new TZelGrid(Form);
    grid->SetParent(Form);
    Binding = std::make_unique<TGridBinding>(grid, Source);
    Form->Show();
    ProcessMessages();
    Source.Reset();
    grid->TitleClick(Name);
    ASSERT_TRUE(Binding->Busy());
    Binding.reset();
    EXPECT_FALSE(Source.Running);
    EXPECT_EQ(Source.Reached, 0);
    Session.Input.Wait(10 * TGridBinding::PollInterval);
    EXPECT_EQ(Source.OrderColumn(), Amount);

    // A handler that frees the binding when told of progress.
    Binding = std::make_unique<TGridBinding>(grid, Source);
    Binding->OnProgress = [this](double, const std::string&) { Binding.reset(); };
    grid->TitleClick(Id);
    ASSERT_TRUE(PumpUntil([&] { return !Binding; }));
    Session.Input.Wait(10 * TGridBinding::PollInterval);
    EXPECT_EQ(Source.OrderColumn(), Amount);
}

TEST_F(LongOperationTest, APreparedBindingShowsNoRowsUntilItsSourceIsReadyThenWidensTheColumnsLeftAsBuilt)
{
    NewGrid();
    // An amount wider than its caption, so that the data would widen that column too.
    Store->Records[0].Cells[Amount] = "123456789012345.5";
    Source.Reset();
    Binding = std::make_unique<TGridBinding>(Grid, Source, true);
    ASSERT_TRUE(Binding->Busy());
    Form->Show();
    ProcessMessages();
    EXPECT_LE(Grid->RowCount(), Grid->TitleRows() + 1) << "no records, at most the grid's empty row";
    EXPECT_EQ(Shown(Name, 0), "");
    TZelGridColumns* columns = Grid->Columns();
    const int nameWidth = columns->GeTZelColumn(Name)->GetWidth();
    columns->GeTZelColumn(Amount)->SetWidth(77);

    Source.Allow(TSlowSource::Steps);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Grid->RowCount(), 500 + Grid->TitleRows());
    EXPECT_EQ(Shown(Name, 0), "Name 0");
    EXPECT_EQ(Shown(Amount, 0), "123456789012345.5");
    EXPECT_GT(columns->GeTZelColumn(Name)->GetWidth(), nameWidth) << "as wide as its data now";
    EXPECT_EQ(columns->GeTZelColumn(Amount)->GetWidth(), 77) << "a column resized meanwhile keeps its width";
}

TEST_F(LongOperationTest, CountPagesAndSumsOfASlowSourceComeFromTheWorkerAndASumGivesWayToAnEdit)
{
    // Ten pages of sums' reading, an amount wider than its caption in the first record.
    for (int i = 500; i < 40000; ++i) Store->Add({std::to_string(i + 1), "Name", std::to_string(i % 977)});
    Store->Records[0].Cells[Amount] = "1234567890.5";
    Source.TMemorySource::Refresh();
    NewGrid();

    // The count: the binding is made and the grid shown while the source still counts.
    Source.HoldReads();
    Binding = std::make_unique<TGridBinding>(Grid, Source);
    Binding->OnProgress = [this](double Fraction, const std::string& Text) {
        Events.push_back({Fraction, Text, std::this_thread::get_id()});
    };
    EXPECT_EQ(Source.ReadsWaiting, 1) << "the count waits on the worker, not on the GUI thread";
    EXPECT_TRUE(Binding->Busy());
    Form->SetActiveControl(Grid);
    Form->Show();
    ProcessMessages();
    EXPECT_LE(Grid->RowCount(), Grid->TitleRows() + 1);
    TZelColumn* amount = Grid->Columns()->GeTZelColumn(Amount);
    const int captionWidth = amount->GetWidth();

    // The first page: the grid has its rows and takes keys while the page is on its way.
    Source.Let(1);
    ASSERT_TRUE(PumpUntil([&] { return Grid->RowCount() == 40000 + Grid->TitleRows() && Source.ReadsWaiting == 1; }));
    EXPECT_EQ(Shown(Name, 0), "");
    const int row = Grid->Row();
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Grid->Row(), row + 1);
    Source.Let(1);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Shown(Name, 0), "Name 0");
    EXPECT_GT(amount->GetWidth(), captionWidth) << "widened by the rows when they came";
    ASSERT_FALSE(Events.empty());
    EXPECT_EQ(Events.back().Text, "") << "the status line is cleared";

    // The sum: no total while the worker adds up, the progress named.
    amount->ColumnSumEnable = true;
    EXPECT_EQ(amount->GetSummary().Value, 0);
    EXPECT_EQ(Source.ReadsWaiting, 1);
    Source.Let(2);
    ASSERT_TRUE(PumpUntil([&] { return !Events.empty() && Events.back().Text == "Summing Amount" && Source.ReadsWaiting == 1; }));

    // A page the view needs comes first: the sum steps aside between two reads, and goes on from
    // there when asked for again.
    Source.HoldReads(10ms);
    EXPECT_EQ(Shown(Id, 30000), "30001");
    Source.HoldReads();
    const std::size_t told = Events.size();
    EXPECT_EQ(amount->GetSummary().Value, 0);
    Source.Let(1);
    ASSERT_TRUE(PumpUntil([&] { return Events.size() > told && Source.ReadsWaiting == 1; }));
    EXPECT_EQ(Events[told].Text, "Summing Amount");
    EXPECT_GT(Events[told].Fraction, 0.1) << "the sum went on from where it stepped aside";

    // An edit meanwhile is stored, not refused: the sum stops between two reads and is made
    // again afterwards, exact.
    Source.HoldReads(10ms);
    Grid->AMoveColRow(Grid->DataToRawColumn(Amount), 1 + Grid->TitleRows(), true, true);
    Session.Input.TypeText("7");
    Session.Input.PressKey(VK_RETURN);
    Grid->HideEditor();
    EXPECT_EQ(Dialogs, 0) << Binding->LastError();
    EXPECT_EQ(Store->Records[1].Cells[Amount], "7");
    EXPECT_TRUE(PumpUntil([&] { return Events.back().Text.empty(); })) << "the stopped sum clears the status line";
    Source.ReleaseReads();
    ASSERT_TRUE(PumpUntil([&] { return amount->GetSummary().Value != 0 && !Binding->Busy(); }));
    EXPECT_EQ(amount->GetSummary().Value, AmountSum());
    Grid->AMoveColRow(Grid->DataToRawColumn(Amount), 2 + Grid->TitleRows(), true, true);
    Session.Input.TypeText("8");
    Session.Input.PressKey(VK_RETURN);
    Grid->HideEditor();
    EXPECT_EQ(amount->GetSummary().Value, AmountSum()) << "a known sum follows the edit";

    // Escape stops a sum, which is not begun again until the cache is dropped.
    Binding->DropCache();
    Source.HoldReads();
    EXPECT_EQ(amount->GetSummary().Value, 0);
    ASSERT_TRUE(Binding->Busy());
    Session.Input.PressKey(VK_ESCAPE);
    Source.ReleaseReads();
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    Source.HoldReads();
    EXPECT_EQ(amount->GetSummary().Value, 0);
    EXPECT_FALSE(Binding->Busy());
    EXPECT_EQ(Source.ReadsWaiting, 0);
    EXPECT_EQ(Dialogs, 0);
}

TEST_F(LongOperationTest, AWriteTheSourceDoesNotAnswerGoesOnOnTheWorkerAndItsResultShowsWhenItComes)
{
    TZelColumn* amount = Grid->Columns()->GeTZelColumn(Amount);
    amount->ColumnSumEnable = true;
    ASSERT_EQ(amount->GetSummary().Value, AmountSum());
    auto enter = [&](int DataRow, const std::string& Text) {
        Grid->HideEditor();
        Grid->AMoveColRow(Grid->DataToRawColumn(Amount), DataRow + Grid->TitleRows(), true, true);
        Session.Input.TypeText(Text);
        Session.Input.PressKey(VK_RETURN);
        Grid->HideEditor();
    };

    // An edit: the grid goes on showing what the source holds until the source stored it.
    Source.HoldWrites();
    enter(1, "7");
    EXPECT_EQ(Source.ReadsWaiting, 1) << "the write waits on the worker, not on the GUI thread";
    EXPECT_EQ(Shown(Amount, 1), "499");
    EXPECT_EQ(Dialogs, 0);
    // Another edit meanwhile is refused, saying why.
    enter(2, "8");
    EXPECT_EQ(Dialogs, 1);
    EXPECT_NE(Binding->LastError().find("Storing the edit"), std::string::npos) << Binding->LastError();
    Source.Let(1);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Store->Records[1].Cells[Amount], "7");
    EXPECT_EQ(Store->Records[2].Cells[Amount], "498");
    EXPECT_EQ(Shown(Amount, 1), "7");
    EXPECT_EQ(amount->GetSummary().Value, AmountSum());
    EXPECT_EQ(Events.back().Text, "");

    // A refusal that comes late is shown then, and the value stays.
    enter(3, "lots");
    EXPECT_EQ(Dialogs, 1);
    Source.Let(1);
    ASSERT_TRUE(PumpUntil([&] { return Dialogs == 2; }));
    EXPECT_EQ(Shown(Amount, 3), "497");

    // A delete and an append: the row count and the current row follow when they are done.
    Grid->HideEditor();
    Grid->DeleteRecord(0);
    EXPECT_EQ(Grid->RowCount(), 500 + Grid->TitleRows());
    Source.Let(1);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Grid->RowCount(), 499 + Grid->TitleRows());
    EXPECT_EQ(Shown(Id, 0), "2");
    EXPECT_EQ(amount->GetSummary().Value, AmountSum());
    Grid->AMoveColRow(Grid->DataToRawColumn(Name), 498 + Grid->TitleRows(), true, true);
    Session.Input.PressKey(VK_DOWN);
    Source.Let(1);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Store->Records.size(), 500u);
    EXPECT_EQ(Grid->RowCount(), 500 + Grid->TitleRows());
    EXPECT_EQ(Grid->Row() - Grid->TitleRows(), 499);
    EXPECT_EQ(Dialogs, 2);
}

TEST_F(LongOperationTest, AnEditOfALockedSqliteDatabaseLandsWhenTheLockGoesOrIsRefusedWhenItsTimeoutEnds)
{
    const std::string file = ::testing::TempDir() + "binding_locked.db";
    std::filesystem::remove(file);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, amount REAL);"
                                  "INSERT INTO t VALUES (1, 'a', 1.5), (2, 'b', 2.5);", nullptr, nullptr, nullptr),
              SQLITE_OK);
    TSqliteOptions options;
    options.BusyTimeoutMs = 1000;
    TSqliteSource sqlite(file, "t", options);
    NewGrid();
    Binding = std::make_unique<TGridBinding>(Grid, sqlite);
    Form->SetActiveControl(Grid);
    Form->Show();
    ProcessMessages();
    auto enter = [&](const std::string& Text) {
        Grid->AMoveColRow(Grid->DataToRawColumn(Name), Grid->TitleRows(), true, true);
        Session.Input.TypeText(Text);
        Session.Input.PressKey(VK_RETURN);
        Grid->HideEditor();
    };

    // Another program holds the write lock: the edit waits on the worker, the old value shows.
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    enter("x");
    EXPECT_TRUE(Binding->Busy());
    EXPECT_EQ(Shown(Name, 0), "a");
    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    EXPECT_EQ(Shown(Name, 0), "x");
    EXPECT_EQ(Dialogs, 0);

    // A lock held past the busy timeout: the database's refusal in a box, the value kept.
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    enter("y");
    ASSERT_TRUE(PumpUntil([&] { return !Binding->Busy(); }));
    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(Dialogs, 1);
    EXPECT_NE(Binding->LastError().find("locked"), std::string::npos) << Binding->LastError();
    EXPECT_EQ(Shown(Name, 0), "x");
    Binding.reset();
    sqlite3_close(other);
    std::filesystem::remove(file);
}
