// TGridBinding: construction, the grid's events, the columns built from the source, the page
// cache, and the orders and refreshes the user asks for.
#include "binding/GridBinding.h"

#include <algorithm>
#include <climits>

#include "binding/GridBindingImpl.h"
#include "host/graphics/Bitmap.h"

using namespace GridBindingDetail;

namespace {

const std::string EmptyText;

// The widest a column becomes from its data; wider texts are cut, the user widens the column.
constexpr int MaxColumnWidth = 320;
constexpr int MinColumnWidth = 40;

} // namespace

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
