#include "binding/GridBinding.h"

#include <algorithm>
#include <climits>

#include "binding/SourceValues.h"
#include "host/controls/Dialogs.h"
#include "host/graphics/Bitmap.h"

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

// Adds without leaving the Currency range: a sum past it stays at the end it passed.
Currency SaturatedAdd(Currency A, Currency B)
{
    std::int64_t raw = 0;
    if (!__builtin_add_overflow(A.Value, B.Value, &raw)) return Currency::FromRaw(raw);
    return Currency::FromRaw(B.Value > 0 ? INT64_MAX : INT64_MIN);
}

Currency Negated(Currency A) { return Currency::FromRaw(A.Value == INT64_MIN ? INT64_MAX : -A.Value); }

bool IsNumeric(TSourceColumnKind Kind) { return Kind == TSourceColumnKind::Integer || Kind == TSourceColumnKind::Number; }

} // namespace

TGridBinding::TGridBinding(TCustomZelGrid* Grid, TTableSource& Source) : FGrid(Grid), FGridAlive(Grid), FSource(Source)
{
    if (!Grid) throw ESourceError("a binding needs a grid");
    Attach();
    TZelGridColumns* columns = FGrid->Columns();
    if (!columns || columns->Count() == 0) BuildLayout();
    FGrid->UpdateRowCount();
}

TGridBinding::~TGridBinding()
{
    if (!FGridAlive) return;
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
}

void TGridBinding::BuildLayout()
{
    TZelGridColumns* columns = FGrid->Columns();
    if (!columns) return;
    const std::vector<TSourceColumn>& fields = FSource.Columns();
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

    TLayoutGuard layout(FGrid);
    columns->Clear();
    for (std::size_t c = 0; c < fields.size(); ++c) {
        TZelColumn* column = columns->Add();
        column->SetFlags(static_cast<int>(c) + 1);
        column->aType = tctText;
        column->Title()->SetCaption(fields[c].Name);
        column->SetWidth(std::min(widths[c], MaxColumnWidth));
        if (IsNumeric(fields[c].Kind)) {
            column->SetAlignment(taRightJustify);
            column->Title()->SetAlignment(taRightJustify);
        }
        if (!FSource.Writable()) column->SetReadOnly(true);
    }
}

int TGridBinding::SourceColumnAt(int DataCol) const
{
    TZelGridColumns* columns = FGrid->Columns();
    if (!columns || DataCol < 0 || DataCol >= columns->Count()) return -1;
    const int field = columns->GeTZelColumn(DataCol)->Flags() - 1;
    return field < static_cast<int>(FSource.Columns().size()) ? field : -1;
}

std::int64_t TGridBinding::RowCount()
{
    if (FRowCount >= 0) return FRowCount;
    try {
        FRowCount = std::max<std::int64_t>(FSource.RowCount(), 0);
    } catch (const ESourceError& E) {
        FLastError = E.what();
        return 0;
    }
    return FRowCount;
}

const TSourceRow* TGridBinding::RowAt(std::int64_t Row)
{
    if (Row < 0 || Row >= RowCount()) return nullptr;
    const std::int64_t index = Row / PageRows;
    TPage* page = nullptr;
    for (TPage& p : FPages)
        if (p.Index == index) page = &p;
    if (!page) {
        try {
            FSource.ReadRows(index * PageRows, PageRows, FReadBuffer);
        } catch (const ESourceError& E) {
            // A cell cannot report an error while it paints: it shows empty, the error is kept.
            FLastError = E.what();
            return nullptr;
        }
        ++FPagesRead;
        if (static_cast<int>(FPages.size()) < MaxPages) {
            FPages.emplace_back();
            page = &FPages.back();
        } else {
            page = &*std::min_element(FPages.begin(), FPages.end(),
                                      [](const TPage& A, const TPage& B) { return A.LastUse < B.LastUse; });
        }
        page->Index = index;
        std::swap(page->Rows, FReadBuffer);
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

void TGridBinding::ForgetRows()
{
    FPages.clear();
    FRowCount = -1;
}

void TGridBinding::DropCache()
{
    ForgetRows();
    FSums.clear();
}

bool TGridBinding::Refused(const std::string& Reason)
{
    FLastError = Reason;
    MessageDlg(Reason, mtError, TMsgDlgButtons{mbOK}, 0);
    return FGridAlive.Alive();
}

void TGridBinding::ValidateData(int ACol, int ARow, const std::string& NewVal, bool& ACancel)
{
    const int field = SourceColumnAt(ACol);
    if (field < 0) {
        ACancel = true;
        return;
    }
    const std::string old = CellText(ARow, field);
    if (old == NewVal) return;
    std::string refusal;
    try {
        refusal = FSource.UpdateCell(ARow, field, NewVal);
    } catch (const ESourceError& E) {
        refusal = E.what();
    }
    // What the source holds now is read again, stored or not.
    FPages.clear();
    if (refusal.empty()) {
        AdjustSums(field, old, NewVal);
        return;
    }
    ACancel = true;
    // The editor shows the kept value again, so that leaving the cell does not offer the same
    // text (and the same message) once more.
    if (Refused(refusal)) FGrid->InvalidateEditor();
}

void TGridBinding::AppendRecord()
{
    // A read-only source has no records to add: Down on the last row stays there.
    if (!FSource.Writable()) return;
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive) return;
    std::int64_t row = -1;
    std::string refusal;
    try {
        refusal = FSource.InsertRecord(row);
    } catch (const ESourceError& E) {
        refusal = E.what();
    }
    ForgetRows();
    if (!refusal.empty()) {
        Refused(refusal);
        return;
    }
    FGrid->UpdateRowCount();
    if (!alive || row < 0 || row > INT_MAX - 1 - FGrid->TitleRows()) return;
    FGrid->SetCurrentRow(static_cast<int>(row) + FGrid->TitleRows());
}

void TGridBinding::DeleteRecord(int ARow)
{
    const TSourceRow* shown = RowAt(ARow);
    const TSourceRow removed = shown ? *shown : TSourceRow{};
    std::string refusal;
    try {
        refusal = FSource.DeleteRecord(ARow);
    } catch (const ESourceError& E) {
        refusal = E.what();
    }
    ForgetRows();
    if (!refusal.empty()) {
        Refused(refusal);
        return;
    }
    AdjustSums(removed);
}

void TGridBinding::SortByColumn(int DataCol)
{
    const int field = SourceColumnAt(DataCol);
    if (field < 0) return;
    // Typed text goes to its record before the records change places.
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive) return;
    const TSortDirection direction =
        FSource.OrderColumn() == field && FSource.OrderDirection() == TSortDirection::Ascending ? TSortDirection::Descending
                                                                                               : TSortDirection::Ascending;
    try {
        FSource.SetOrder(field, direction);
    } catch (const ESourceError& E) {
        Refused(E.what());
        return;
    }
    ForgetRows();
    FGrid->Invalidate();
    if (FGrid->EditorActive()) FGrid->InvalidateEditor();
}

void TGridBinding::Refresh()
{
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive) return;
    try {
        FSource.Refresh();
    } catch (const ESourceError& E) {
        Refused(E.what());
        return;
    }
    DropCache();
    FGrid->UpdateRowCount();
    if (!alive) return;
    FGrid->Invalidate();
}

Currency TGridBinding::Summary(int DataCol)
{
    const int field = SourceColumnAt(DataCol);
    if (field < 0 || !IsNumeric(FSource.Columns()[static_cast<std::size_t>(field)].Kind)) return {};
    for (const TSum& sum : FSums)
        if (sum.Col == field) return sum.Value;
    const Currency value = ComputeSum(field);
    FSums.push_back({field, value});
    return value;
}

Currency TGridBinding::ComputeSum(int Col)
{
    // Once over every record, in large pages that bypass the cache; kept up to date afterwards.
    constexpr int Chunk = 4096;
    Currency sum;
    std::vector<TSourceRow> rows;
    const std::int64_t count = RowCount();
    try {
        for (std::int64_t first = 0; first < count; first += Chunk) {
            FSource.ReadRows(first, Chunk, rows);
            if (rows.empty()) break;
            for (const TSourceRow& row : rows)
                if (Col < static_cast<int>(row.size())) sum = SaturatedAdd(sum, ValueOf(row[static_cast<std::size_t>(Col)]));
        }
    } catch (const ESourceError& E) {
        FLastError = E.what();
    }
    return sum;
}

void TGridBinding::AdjustSums(int Col, const std::string& Removed, const std::string& Added)
{
    for (TSum& sum : FSums)
        if (sum.Col == Col) sum.Value = SaturatedAdd(SaturatedAdd(sum.Value, Negated(ValueOf(Removed))), ValueOf(Added));
}

void TGridBinding::AdjustSums(const TSourceRow& Removed)
{
    for (TSum& sum : FSums)
        if (sum.Col < static_cast<int>(Removed.size()))
            sum.Value = SaturatedAdd(sum.Value, Negated(ValueOf(Removed[static_cast<std::size_t>(sum.Col)])));
}
