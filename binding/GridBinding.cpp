#include "binding/GridBinding.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <mutex>

#include "binding/SourceValues.h"
#include "host/controls/Dialogs.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/WindowSystem.h"

namespace {

const std::string EmptyText;

// The widest a column becomes from its data; wider texts are cut, the user widens the column.
constexpr int MaxColumnWidth = 320;
constexpr int MinColumnWidth = 40;

Currency ValueOf(std::string_view Text)
{
    Currency value;
    return ParseSourceCurrency(Text, value) ? value : Currency{};
}

__extension__ typedef __int128 TWide;

// A sum as the grid's Currency: past its range it stays at the end it passed.
Currency Saturated(TWide Sum)
{
    if (Sum > INT64_MAX) return Currency::FromRaw(INT64_MAX);
    if (Sum < INT64_MIN) return Currency::FromRaw(INT64_MIN);
    return Currency::FromRaw(static_cast<std::int64_t>(Sum));
}

// Decimal digits with an optional sign as a wide number; false for anything else.
bool ParseWide(const std::string& Text, TWide& Value)
{
    std::size_t i = Text.empty() || (Text[0] != '-' && Text[0] != '+') ? 0 : 1;
    if (i == Text.size() || Text.size() - i > 36) return false;
    TWide v = 0;
    for (; i < Text.size(); ++i) {
        if (Text[i] < '0' || Text[i] > '9') return false;
        v = v * 10 + (Text[i] - '0');
    }
    Value = Text[0] == '-' ? -v : v;
    return true;
}

bool IsNumeric(TSourceColumnKind Kind) { return Kind == TSourceColumnKind::Integer || Kind == TSourceColumnKind::Number; }

// Adds column Col of the records from From on to Sum, in large pages that bypass the cache. When
// Progress asks it to stop, between two pages, Next is where it stopped; -1 once done.
void SumColumn(TTableSource& Source, int Col, std::int64_t From, TWide& Sum, std::int64_t& Next,
               const TSourceProgress& Progress)
{
    constexpr int Chunk = 4096;
    // A source that adds up faster than it reads does so, from the start only.
    if (std::string total; From <= 0 && Source.SumColumn(Col, total) && ParseWide(total, Sum)) {
        Next = -1;
        return;
    }
    const std::int64_t count = Source.RowCount();
    std::vector<TSourceRow> rows;
    for (std::int64_t first = std::max<std::int64_t>(From, 0); first < count; first += Chunk) {
        Next = first;
        if (!Progress(static_cast<double>(first) / static_cast<double>(count))) throw ESourceCancelled();
        Source.ReadRows(first, Chunk, rows);
        if (rows.empty()) break;
        for (const TSourceRow& row : rows)
            if (Col < static_cast<int>(row.size())) Sum += ValueOf(row[static_cast<std::size_t>(Col)]).Value;
    }
    Next = -1;
}

// Progress closer than this to the last one told is not told again.
constexpr double ProgressStep = 0.01;
constexpr UINT_PTR PollTimer = 1;

} // namespace

// What the worker shares with the GUI thread. The worker only appends progress and sets Done; the
// GUI thread takes them. Cancel is read by the worker's progress callback.
struct TGridBinding::TJobState {
    std::mutex Lock;
    std::condition_variable Ended;
    std::vector<double> Progress;
    double LastProgress = -1;
    bool Done = false;
    bool Cancelled = false;
    std::string Error;
    std::atomic<bool> Cancel{false};
    // What a read brought, taken by the GUI thread once Done.
    std::int64_t Count = 0;
    std::vector<TSourceRow> Rows;
    TWide Sum = 0;
    std::int64_t SumNext = -1;
    // What a write brought: the source's refusal, the appended record's position.
    std::string Refusal;
    std::int64_t Row = -1;
};

// A hidden window of the binding's own whose timer brings the worker's news to the GUI thread; it
// lives as long as the binding, whatever becomes of the grid.
class TGridBinding::TPump : public TMessageTarget {
public:
    explicit TPump(TGridBinding& Owner) : FOwner(Owner)
    {
        TCreateParams params;
        params.Style = WS_POPUP;
        params.Background = clNone;
        params.Target = this;
        if (!CreateWindowEx(params)) throw ESourceError("The binding could not make its window");
    }
    ~TPump() override
    {
        if (WindowHandle() && TWindowSystem::CurrentOrNull()) DestroyWindow(WindowHandle());
    }
    void Start() { SetTimer(WindowHandle(), PollTimer, PollInterval); }
    void Stop() { KillTimer(WindowHandle(), PollTimer); }

protected:
    void WMTimer(TWMTimer& Message) override
    {
        if (Message.TimerID() == PollTimer) FOwner.Poll();
        else TMessageTarget::WMTimer(Message);
    }

private:
    TGridBinding& FOwner;
};

TGridBinding::TGridBinding(TCustomZelGrid* Grid, TTableSource& Source, bool Prepare)
    : FGrid(Grid), FGridAlive(Grid), FSource(Source)
{
    if (!Grid) throw ESourceError("a binding needs a grid");
    ReadFields();
    Attach();
    if (Prepare) {
        TJob job;
        job.Kind = TJobKind::Refresh;
        job.Text = "Reading " + FSource.Description();
        StartJob(std::move(job));
    }
    TZelGridColumns* columns = FGrid->Columns();
    if (!columns || columns->Count() == 0) BuildLayout();
    FGrid->UpdateRowCount();
}

TGridBinding::~TGridBinding()
{
    // The source outlives the binding, so the worker may finish its call; it is asked to stop.
    if (FWorker.joinable()) {
        FState->Cancel = true;
        FWorker.join();
    }
    FPump.reset();
    if (!FGridAlive) return;
    FGrid->OnKeyDown = FChainedKeyDown;
    FGrid->OnGetRowCount = nullptr;
    FGrid->OnGetDataCell = nullptr;
    FGrid->OnValidateData = nullptr;
    FGrid->OnAppendRecord = nullptr;
    FGrid->OnDeleteRecord = nullptr;
    FGrid->OnGetSummary = nullptr;
    FGrid->OnTitleClick = nullptr;
}

void TGridBinding::Attach()
{
    FGrid->OnGetRowCount = [this](int& ARowCount) {
        ARowCount = static_cast<int>(std::min<std::int64_t>(RowCount(), INT_MAX - 1));
    };
    FGrid->OnGetDataCell = [this](int ACol, int ARow, std::string& AValue) {
        AValue = CellText(ARow, SourceColumnAt(ACol));
    };
    FGrid->OnValidateData = [this](int ACol, int ARow, const std::string& NewVal, bool& ACancel) {
        ValidateData(ACol, ARow, NewVal, ACancel);
    };
    FGrid->OnAppendRecord = [this](TObject*) { AppendRecord(); };
    FGrid->OnDeleteRecord = [this](int ARow) { DeleteRecord(ARow); };
    FGrid->OnGetSummary = [this](TObject*, int Acol, Currency& aSummary) { aSummary = Summary(Acol); };
    FGrid->OnTitleClick = [this](TObject*, int DataCol, TZelColumn*) { SortByColumn(DataCol); };
    // Escape stops a running operation; other keys and an application's handler go on as before.
    FChainedKeyDown = FGrid->OnKeyDown;
    FGrid->OnKeyDown = [this](TObject* Sender, WORD& Key, TShiftState Shift) {
        if (Key == VK_ESCAPE && Busy()) {
            Cancel();
            Key = 0;
        }
        if (FChainedKeyDown) FChainedKeyDown(Sender, Key, Shift);
    };
}

void TGridBinding::WidenFromData()
{
    TZelGridColumns* columns = FGrid->Columns();
    const std::vector<int> widths = MeasureWidths();
    // The rows are still on their way: the read that brings them widens the columns.
    if (Busy()) return;
    const std::vector<int> built = std::move(FCaptionWidths);
    FCaptionWidths.clear();
    if (!columns || built.size() != widths.size()) return;
    TLayoutGuard layout(FGrid);
    for (int i = 0; i < columns->Count(); ++i) {
        TZelColumn* column = columns->GeTZelColumn(i);
        const int field = column->Flags() - 1;
        if (field < 0 || field >= static_cast<int>(built.size())) continue;
        const auto f = static_cast<std::size_t>(field);
        if (column->GetWidth() == built[f] && widths[f] != built[f]) column->SetWidth(widths[f]);
    }
}

void TGridBinding::ReadFields()
{
    FFields = FSource.Columns();
    FWritable = FSource.Writable();
    FOrderCol = FSource.OrderColumn();
    FOrderDirection = FSource.OrderDirection();
}

std::vector<int> TGridBinding::MeasureWidths()
{
    const std::vector<TSourceColumn>& fields = FFields;
    // Widths from the first page of rows, which the first frame shows anyway.
    std::vector<int> widths(fields.size(), MinColumnWidth);
    TBitmap measure;
    TCanvas& canvas = *measure.Canvas();
    canvas.Font()->Assign(FGrid->TitleFont());
    for (std::size_t c = 0; c < fields.size(); ++c)
        widths[c] = std::max(widths[c], canvas.TextWidth(fields[c].Name) + 8);
    canvas.Font()->Assign(FGrid->Font());
    const std::int64_t sample = std::min<std::int64_t>(RowCount(), PageRows);
    for (std::int64_t r = 0; r < sample; ++r) {
        const TSourceRow* row = RowAt(r);
        if (!row) break;
        for (std::size_t c = 0; c < fields.size() && c < row->size(); ++c)
            if (widths[c] < MaxColumnWidth) widths[c] = std::max(widths[c], canvas.TextWidth((*row)[c]) + 8);
    }
    for (int& width : widths) width = std::min(width, MaxColumnWidth);
    return widths;
}

void TGridBinding::BuildLayout()
{
    TZelGridColumns* columns = FGrid->Columns();
    if (!columns) return;
    const std::vector<TSourceColumn>& fields = FFields;
    const std::vector<int> widths = MeasureWidths();
    // While the worker has the source the widths come from the captions alone; the first rows
    // widen the columns nobody resized meanwhile.
    FCaptionWidths.clear();
    if (Busy()) FCaptionWidths = widths;

    TLayoutGuard layout(FGrid);
    columns->Clear();
    for (std::size_t c = 0; c < fields.size(); ++c) {
        TZelColumn* column = columns->Add();
        column->SetFlags(static_cast<int>(c) + 1);
        column->aType = tctText;
        column->Title()->SetCaption(fields[c].Name);
        column->SetWidth(widths[c]);
        if (IsNumeric(fields[c].Kind)) {
            column->SetAlignment(taRightJustify);
            column->Title()->SetAlignment(taRightJustify);
        }
        if (!FWritable) column->SetReadOnly(true);
    }
}

int TGridBinding::SourceColumnAt(int DataCol) const
{
    TZelGridColumns* columns = FGrid->Columns();
    if (!columns || DataCol < 0 || DataCol >= columns->Count()) return -1;
    const int field = columns->GeTZelColumn(DataCol)->Flags() - 1;
    return field < static_cast<int>(FFields.size()) ? field : -1;
}

bool TGridBinding::StartRead(TJob Job, std::chrono::milliseconds Grace)
{
    if (Busy()) {
        FMissedRows = FMissedRows || Job.Kind != TJobKind::Sum;
        return false;
    }
    Job.Generation = Job.Kind == TJobKind::Sum ? FSumsGeneration : FRowsGeneration;
    StartJob(std::move(Job), Grace);
    return true;
}

void TGridBinding::YieldSum()
{
    if (!Busy() || FJob.Kind != TJobKind::Sum) return;
    FState->Cancel = true;
    {
        std::unique_lock lock(FState->Lock);
        if (!FState->Ended.wait_for(lock, FReadGrace, [this] { return FState->Done; })) return;
    }
    FinishJob(true);
}

std::int64_t TGridBinding::RowCount()
{
    if (FRowCount >= 0) return FRowCount;
    // Counting may read the whole table (an index of keys, a count(*)): the grid shows the count
    // it had until the worker has it.
    TJob job;
    job.Kind = TJobKind::Count;
    job.Text = "Counting the records";
    StartRead(std::move(job));
    return FRowCount >= 0 ? FRowCount : FShownRowCount;
}

const TSourceRow* TGridBinding::RowAt(std::int64_t Row)
{
    if (Row < 0 || Row >= RowCount()) return nullptr;
    const std::int64_t index = Row / PageRows;
    auto find = [&]() -> TPage* {
        for (TPage& p : FPages)
            if (p.Index == index) return &p;
        return nullptr;
    };
    TPage* page = find();
    if (!page) {
        // A page that is not there within the grace shows empty until the worker brought it, and
        // so does every page while the worker has the source. A cell cannot report an error while
        // it paints: it shows empty, the error is kept.
        YieldSum();
        TJob job;
        job.Kind = TJobKind::Page;
        job.Page = index;
        job.Text = "Reading records";
        if (!StartRead(std::move(job)) || !(page = find())) return nullptr;
    }
    page->LastUse = ++FUseClock;
    const auto at = static_cast<std::size_t>(Row - index * PageRows);
    return at < page->Rows.size() ? &page->Rows[at] : nullptr;
}

const std::string& TGridBinding::CellText(std::int64_t Row, int Col)
{
    const TSourceRow* row = Col >= 0 ? RowAt(Row) : nullptr;
    if (!row || Col >= static_cast<int>(row->size())) return EmptyText;
    return (*row)[static_cast<std::size_t>(Col)];
}

void TGridBinding::KeepPage(std::int64_t Index, std::vector<TSourceRow>&& Rows)
{
    ++FPagesRead;
    TPage* page = nullptr;
    if (static_cast<int>(FPages.size()) < MaxPages) {
        FPages.emplace_back();
        page = &FPages.back();
    } else {
        page = &*std::min_element(FPages.begin(), FPages.end(),
                                  [](const TPage& A, const TPage& B) { return A.LastUse < B.LastUse; });
    }
    page->Index = Index;
    page->LastUse = ++FUseClock;
    page->Rows = std::move(Rows);
}

void TGridBinding::ForgetRows()
{
    FPages.clear();
    FRowCount = -1;
    ++FRowsGeneration;
}

void TGridBinding::DropCache()
{
    ForgetRows();
    FSums.clear();
    ++FSumsGeneration;
    FSumsStopped = false;
    FSumResume.reset();
}

void TGridBinding::ForgetSum(int Col)
{
    FSums.erase(std::remove_if(FSums.begin(), FSums.end(), [&](const TSum& S) { return S.Col == Col || Col < 0; }),
                FSums.end());
}

bool TGridBinding::Refused(const std::string& Reason)
{
    FLastError = Reason;
    const std::weak_ptr<bool> life = FLife;
    MessageDlg(Reason, mtError, TMsgDlgButtons{mbOK}, 0);
    return !life.expired() && FGridAlive.Alive();
}

bool TGridBinding::RefuseBusy()
{
    return Refused("The table cannot be changed now (" + FJob.Text + "); wait for it or press Escape to stop it");
}

bool TGridBinding::Settle()
{
    if (!Busy()) return true;
    if (!FJob.Reads()) return false;
    // A sum gives way: what it had read may change, so it is made again after the write.
    if (FJob.Kind == TJobKind::Sum) FState->Cancel = true;
    {
        std::unique_lock lock(FState->Lock);
        if (!FState->Ended.wait_for(lock, FReadGrace, [this] { return FState->Done; })) return false;
    }
    const std::weak_ptr<bool> life = FLife;
    FinishJob(true);
    return !life.expired() && !Busy();
}

void TGridBinding::ValidateData(int ACol, int ARow, const std::string& NewVal, bool& ACancel)
{
    const int field = SourceColumnAt(ACol);
    if (field < 0 && !Busy()) {
        ACancel = true;
        return;
    }
    const std::weak_ptr<bool> life = FLife;
    const bool settled = Settle();
    if (life.expired()) {
        ACancel = true;
        return;
    }
    // The record's page may be read now, and that read may be left to the worker.
    const TSourceRow* row = settled && field >= 0 ? RowAt(ARow) : nullptr;
    if (!settled || Busy()) {
        ACancel = true;
        if (RefuseBusy()) FGrid->InvalidateEditor();
        return;
    }
    if (field < 0) {
        ACancel = true;
        return;
    }
    TJob job;
    job.Kind = TJobKind::Update;
    job.Row = ARow;
    job.Col = field;
    job.Value = NewVal;
    job.Known = row && field < static_cast<int>(row->size());
    if (job.Known) {
        if ((*row)[static_cast<std::size_t>(field)] == NewVal) return;
        job.Old = {(*row)[static_cast<std::size_t>(field)]};
    }
    job.Text = "Storing the edit";
    StartWrite(std::move(job));
    if (life.expired()) {
        ACancel = true;
        return;
    }
    if (FWriteEnd == TWriteEnd::Stored) return;
    // Refused, or not stored yet: the grid keeps showing what the database holds, and the
    // editor the kept value, so that leaving the cell does not offer the same text again.
    ACancel = true;
    if (FWriteEnd == TWriteEnd::Pending && FGridAlive) FGrid->InvalidateEditor();
}

void TGridBinding::AppendRecord()
{
    // A read-only source has no records to add: Down on the last row stays there.
    if (!FWritable) return;
    const std::weak_ptr<bool> life = FLife;
    if (!Settle()) {
        if (!life.expired()) RefuseBusy();
        return;
    }
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive || life.expired()) return;
    if (Busy()) {
        RefuseBusy();
        return;
    }
    TJob job;
    job.Kind = TJobKind::Insert;
    job.Text = "Adding a record";
    StartWrite(std::move(job));
    if (life.expired() || !alive || FWriteEnd != TWriteEnd::Stored) return;
    FGrid->UpdateRowCount();
    const std::int64_t row = FWrittenRow;
    if (!alive || row < 0 || row > INT_MAX - 1 - FGrid->TitleRows()) return;
    FGrid->SetCurrentRow(static_cast<int>(row) + FGrid->TitleRows());
}

void TGridBinding::DeleteRecord(int ARow)
{
    const std::weak_ptr<bool> life = FLife;
    const bool settled = Settle();
    if (life.expired()) return;
    const TSourceRow* shown = settled ? RowAt(ARow) : nullptr;
    if (!settled || Busy()) {
        RefuseBusy();
        return;
    }
    TJob job;
    job.Kind = TJobKind::Delete;
    job.Row = ARow;
    job.Known = shown != nullptr;
    if (shown) job.Old = *shown;
    job.Text = "Deleting the record";
    StartWrite(std::move(job));
}

void TGridBinding::StartWrite(TJob Job)
{
    FWriteEnd = TWriteEnd::Pending;
    FWrittenRow = -1;
    StartJob(std::move(Job), FWriteGrace);
}

bool TGridBinding::FinishWrite(const TJob& Job, TJobState& State, bool Inline)
{
    const std::weak_ptr<bool> life = FLife;
    const std::string refusal = !State.Refusal.empty() ? State.Refusal : State.Error;
    const bool stored = refusal.empty();
    FWriteEnd = stored ? TWriteEnd::Stored : TWriteEnd::Refused;
    FWrittenRow = State.Row;
    // What the source holds now is read again, stored or not. A value that could not be read
    // cannot be taken out of the sums: they are made again.
    if (Job.Kind == TJobKind::Update) {
        FPages.clear();
        FSumResume.reset();
        if (stored && Job.Known) AdjustSums(Job.Col, Job.Old[0], Job.Value);
        else if (stored) ForgetSum(Job.Col);
    } else {
        ForgetRows();
        if (stored && Job.Kind == TJobKind::Delete) {
            if (Job.Known) AdjustSums(Job.Old);
            else ForgetSum(-1);
        }
    }
    if (!stored) {
        if (!FGridAlive) {
            FLastError = refusal;
            return true;
        }
        if (!Refused(refusal)) return !life.expired();
        if (Job.Kind == TJobKind::Update) FGrid->InvalidateEditor();
        return true;
    }
    // A write that ended after its caller went on shows its result now.
    if (Inline || !FGridAlive) return true;
    TObjectWatch alive(FGrid);
    if (Job.Kind != TJobKind::Update) FGrid->UpdateRowCount();
    if (alive && Job.Kind == TJobKind::Insert && FWrittenRow >= 0 && FWrittenRow <= INT_MAX - 1 - FGrid->TitleRows())
        FGrid->SetCurrentRow(static_cast<int>(FWrittenRow) + FGrid->TitleRows());
    if (alive) {
        FGrid->Invalidate();
        if (FGrid->EditorActive()) FGrid->InvalidateEditor();
    }
    return !life.expired();
}

void TGridBinding::SortByColumn(int DataCol)
{
    const int field = SourceColumnAt(DataCol);
    if (field < 0) return;
    // The order a second click turns round is the one the sorts asked for are heading to.
    const bool running = Busy() && FJob.Kind == TJobKind::Order;
    const TJob* ahead = FPending && FPending->Kind == TJobKind::Order ? &*FPending : running ? &FJob : nullptr;
    const int col = ahead ? ahead->Col : FOrderCol;
    const TSortDirection dir = ahead ? ahead->Direction : FOrderDirection;
    TJob job;
    job.Kind = TJobKind::Order;
    job.Col = field;
    job.Direction = col == field && dir == TSortDirection::Ascending ? TSortDirection::Descending : TSortDirection::Ascending;
    job.Text = "Sorting by " + FFields[static_cast<std::size_t>(field)].Name;
    if (Busy()) {
        // A sort asked for during another one replaces it: the running one stops, this one
        // follows; so does a sum, made again afterwards. A refresh or a read running is left to
        // end first.
        if (running || FJob.Kind == TJobKind::Sum) FState->Cancel = true;
        FPending = std::move(job);
        return;
    }
    // Typed text goes to its record before the records change places.
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive || Busy()) return;
    StartJob(std::move(job));
}

void TGridBinding::Refresh()
{
    TJob job;
    job.Kind = TJobKind::Refresh;
    job.Text = "Reading the table again";
    if (Busy()) {
        if (FJob.Kind == TJobKind::Sum) FState->Cancel = true;
        if (!FPending) FPending = std::move(job);
        return;
    }
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive || Busy()) return;
    StartJob(std::move(job));
}

void TGridBinding::Cancel()
{
    FPending.reset();
    if (!Busy()) return;
    FState->Cancel = true;
    // A sum the user stopped is not begun again at the next paint.
    if (FJob.Kind == TJobKind::Sum) FSumsStopped = true;
}

void TGridBinding::StartJob(TJob Job, std::chrono::milliseconds Grace)
{
    if (Grace.count() < 0) Grace = FReadGrace;
    FJob = std::move(Job);
    FJobShown = false;
    FState = std::make_shared<TJobState>();
    // The row count the grid shows stays while the worker has the source.
    if (FRowCount >= 0) FShownRowCount = FRowCount;
    FWorker = std::thread([State = FState, &Source = FSource, Job = FJob] {
        const TSourceProgress progress = [&State](double Fraction) {
            {
                std::lock_guard lock(State->Lock);
                if (Fraction >= State->LastProgress + ProgressStep || Fraction >= 1 || Fraction < State->LastProgress) {
                    State->Progress.push_back(Fraction);
                    State->LastProgress = Fraction;
                }
            }
            return !State->Cancel;
        };
        bool cancelled = false;
        std::string error;
        try {
            switch (Job.Kind) {
            case TJobKind::Refresh: Source.Refresh(progress); break;
            case TJobKind::Order: Source.SetOrder(Job.Col, Job.Direction, progress); break;
            // A count or a page tells no progress of its own: the status line names it from the start.
            case TJobKind::Count:
                progress(0);
                State->Count = Source.RowCount();
                break;
            case TJobKind::Page:
                progress(0);
                Source.ReadRows(Job.Page * PageRows, PageRows, State->Rows);
                break;
            case TJobKind::Sum:
                State->Sum = Job.Partial;
                SumColumn(Source, Job.Col, Job.From, State->Sum, State->SumNext, progress);
                break;
            case TJobKind::Update: State->Refusal = Source.UpdateCell(Job.Row, Job.Col, Job.Value); break;
            case TJobKind::Insert: State->Refusal = Source.InsertRecord(State->Row); break;
            case TJobKind::Delete: State->Refusal = Source.DeleteRecord(Job.Row); break;
            }
        } catch (const ESourceCancelled&) {
            cancelled = true;
        } catch (const std::exception& E) {
            error = E.what();
        } catch (...) {
            error = "The table could not be read";
        }
        std::lock_guard lock(State->Lock);
        State->Done = true;
        State->Cancelled = cancelled;
        State->Error = std::move(error);
        State->Ended.notify_all();
    });
    {
        // A quick call is waited for: no progress shown, the new order in the next frame, the
        // read's result to the caller at once.
        std::unique_lock lock(FState->Lock);
        if (FState->Ended.wait_for(lock, Grace, [this] { return FState->Done; })) {
            lock.unlock();
            FinishJob(!FJob.Changes());
            return;
        }
    }
    try {
        if (!FPump) FPump = std::make_unique<TPump>(*this);
        FPump->Start();
        FJobShown = true;
        // This job's end clears the status line now.
        FEndOwed = false;
    } catch (const std::exception&) {
        // Without a window to hear from the worker, the call is waited for as a short one.
        std::unique_lock lock(FState->Lock);
        FState->Ended.wait(lock, [this] { return FState->Done; });
        lock.unlock();
        FinishJob(!FJob.Changes());
    }
}

void TGridBinding::Poll()
{
    const std::shared_ptr<TJobState> state = FState;
    if (!state) {
        // A job that ended inside a grid's event left the end of its progress and the job after
        // it to this turn.
        if (FPump) FPump->Stop();
        if (FEndOwed) {
            FEndOwed = false;
            const std::weak_ptr<bool> life = FLife;
            if (OnProgress) OnProgress(0.0, std::string());
            if (life.expired()) return;
        }
        StartPending();
        return;
    }
    std::vector<double> progress;
    bool done = false;
    {
        std::lock_guard lock(FState->Lock);
        progress.swap(FState->Progress);
        done = FState->Done;
    }
    // The handler may free the binding or start or stop things; each call checks afterwards.
    const std::weak_ptr<bool> life = FLife;
    const std::string text = FJob.Text;
    for (double fraction : progress) {
        if (!OnProgress) break;
        OnProgress(fraction, text);
        // A modal loop in the handler may have ended this job and started another.
        if (life.expired() || FState != state) return;
    }
    if (done && FState == state) FinishJob();
}

bool TGridBinding::KeepRead(const TJob& Job, TJobState& State)
{
    switch (Job.Kind) {
    case TJobKind::Count:
        if (Job.Generation != FRowsGeneration) return false;
        FRowCount = std::max<std::int64_t>(State.Count, 0);
        FShownRowCount = FRowCount;
        return true;
    case TJobKind::Page:
        if (Job.Generation != FRowsGeneration) return false;
        KeepPage(Job.Page, std::move(State.Rows));
        return true;
    case TJobKind::Sum:
        if (Job.Generation != FSumsGeneration) return false;
        ForgetSum(Job.Col);
        FSums.push_back({Job.Col, State.Sum});
        return true;
    default: return false;
    }
}

void TGridBinding::FinishJob(bool Inline)
{
    if (FPump) FPump->Stop();
    FWorker.join();
    const std::shared_ptr<TJobState> state = std::move(FState);
    const TJob job = std::move(FJob);
    FJob = {};
    const bool shown = FJobShown;
    FJobShown = false;
    const std::weak_ptr<bool> life = FLife;
    // The source changed only when the call went through; a cancelled or failed one keeps its
    // order, and the rows shown stay right.
    const bool changed = !state->Cancelled && state->Error.empty();
    if (!job.Reads() && !job.Changes()) {
        if (!FinishWrite(job, *state, Inline)) return;
        if (shown && Inline) {
            FEndOwed = true;
        } else if (shown && OnProgress) {
            OnProgress(FWriteEnd == TWriteEnd::Stored ? 1.0 : 0.0, std::string());
            if (life.expired()) return;
        }
    } else if (job.Reads()) {
        // A read: kept when it is still for the cache it was asked for; a failed one is kept as
        // the last error, never shown in a box (it may have been asked for by a paint).
        const bool kept = changed && KeepRead(job, *state);
        if (!state->Error.empty()) FLastError = state->Error;
        // A sum that stepped aside goes on from where it stopped.
        if (job.Kind == TJobKind::Sum && state->Cancelled && state->SumNext >= 0 && job.Generation == FSumsGeneration)
            FSumResume = TSumResume{job.Col, state->SumNext, state->Sum, FRowsGeneration};
        if (kept && !Inline && FGridAlive) {
            TObjectWatch alive(FGrid);
            if (job.Kind == TJobKind::Count) FGrid->UpdateRowCount();
            if (alive && !FCaptionWidths.empty() && !Busy()) WidenFromData();
            if (alive) {
                FMissedRows = false;
                FGrid->Invalidate();
            }
        }
        if (shown && Inline) {
            FEndOwed = true;
        } else if (shown && OnProgress) {
            OnProgress(changed ? 1.0 : 0.0, std::string());
            if (life.expired()) return;
        }
    } else {
        if (changed) {
            ReadFields();
            if (job.Kind == TJobKind::Refresh) DropCache();
            else ForgetRows();
            if (FGridAlive) {
                TObjectWatch alive(FGrid);
                if (!FCaptionWidths.empty()) WidenFromData();
                if (alive && job.Kind == TJobKind::Refresh) FGrid->UpdateRowCount();
                if (alive) {
                    FGrid->Invalidate();
                    if (FGrid->EditorActive()) FGrid->InvalidateEditor();
                }
            }
        } else if (state->Cancelled) {
            FLastError = "Cancelled: " + job.Text;
        }
        if (OnProgress) {
            OnProgress(changed ? 1.0 : 0.0, std::string());
            if (life.expired()) return;
        }
        if (!state->Error.empty()) {
            if (!FGridAlive) {
                FLastError = state->Error;
            } else {
                Refused(state->Error);
                if (life.expired()) return;
            }
        }
    }
    if (Inline) {
        if ((FEndOwed || FPending) && FPump && !Busy()) FPump->Start();
        return;
    }
    // Rows the grid asked for while the worker had the source are read now.
    if (FMissedRows && FGridAlive && !Busy()) {
        FMissedRows = false;
        FGrid->Invalidate();
    }
    StartPending();
}

void TGridBinding::StartPending()
{
    if (!FPending || Busy()) return;
    TJob next = std::move(*FPending);
    FPending.reset();
    StartJob(std::move(next));
}

bool TGridBinding::SumKnown(int DataCol) const
{
    const int field = SourceColumnAt(DataCol);
    return std::any_of(FSums.begin(), FSums.end(), [&](const TSum& Sum) { return Sum.Col == field; });
}

Currency TGridBinding::Summary(int DataCol)
{
    const int field = SourceColumnAt(DataCol);
    if (field < 0 || !IsNumeric(FFields[static_cast<std::size_t>(field)].Kind)) return {};
    auto kept = [&]() -> const TSum* {
        for (const TSum& sum : FSums)
            if (sum.Col == field) return &sum;
        return nullptr;
    };
    if (const TSum* sum = kept()) return Saturated(sum->Value);
    // Once over every record, on the worker; kept up to date by the writes afterwards. No total
    // shows until it is known.
    if (FSumsStopped) return {};
    TJob job;
    job.Kind = TJobKind::Sum;
    job.Col = field;
    job.Text = "Summing " + FFields[static_cast<std::size_t>(field)].Name;
    std::chrono::milliseconds grace = FReadGrace;
    if (FSumResume && FSumResume->Col == field && FSumResume->RowsGeneration == FRowsGeneration && !Busy()) {
        // A sum that went on for longer than the grace once is not waited for again.
        job.From = FSumResume->Next;
        job.Partial = FSumResume->Partial;
        grace = std::chrono::milliseconds(0);
        FSumResume.reset();
    }
    if (!StartRead(std::move(job), grace)) return {};
    const TSum* sum = kept();
    return sum ? Saturated(sum->Value) : Currency{};
}

void TGridBinding::AdjustSums(int Col, const std::string& Removed, const std::string& Added)
{
    for (TSum& sum : FSums)
        if (sum.Col == Col) sum.Value += TWide{ValueOf(Added).Value} - ValueOf(Removed).Value;
}

void TGridBinding::AdjustSums(const TSourceRow& Removed)
{
    for (TSum& sum : FSums)
        if (sum.Col < static_cast<int>(Removed.size()))
            sum.Value -= ValueOf(Removed[static_cast<std::size_t>(sum.Col)]).Value;
}
