#include "binding/SqliteSourceImpl.h"

using namespace ZelSqliteDetail;

namespace {

// The caller's progress, never going back although the steps of an operation estimate apart.
TSourceProgress Monotone(const TSourceProgress& P)
{
    if (!P) return {};
    return [P, Last = 0.0](double Fraction) mutable {
        Last = std::max(Last, std::min(1.0, Fraction));
        return P(Last);
    };
}

} // namespace

TSqliteSource::TSqliteSource(const std::string& FileName, const std::string& Table, const TSqliteOptions& Options)
    : FImpl(std::make_unique<TImpl>())
{
    FImpl->FileName = FileName;
    FImpl->Options = Options;
    FImpl->Open(Table);
    FImpl->Rel = FImpl->PlainRelation({});
}

TSqliteSource::~TSqliteSource() = default;

std::string TSqliteSource::Description() const
{
    const auto Slash = FImpl->FileName.find_last_of('/');
    const std::string Base = Slash == std::string::npos ? FImpl->FileName : FImpl->FileName.substr(Slash + 1);
    return Base + (FImpl->IsView ? ", view " : ", table ") + FImpl->Table;
}

const std::vector<TSourceColumn>& TSqliteSource::Columns() const
{
    return FImpl->Columns;
}

std::vector<std::string> TSqliteSource::KeyColumns() const
{
    return FImpl->KeyNames;
}

bool TSqliteSource::SumColumn(int Col, std::string& Sum)
{
    TImpl& I = *FImpl;
    if (Col < 0 || Col >= static_cast<int>(I.Columns.size())) return false;
    const std::string Name = QuoteName(I.Columns[static_cast<std::size_t>(Col)].Name);
    try {
        TStatement Stmt(I.Db, "SELECT sum(CASE WHEN typeof(" + Name + ") IN ('integer', 'real') THEN CAST(round(" + Name +
                                  " * 10000) AS INTEGER) END) FROM " + I.DataTable);
        if (!Stmt.Step()) return false;
        const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(Stmt, 0));
        Sum = Text ? Text : "0";
        return true;
    } catch (const ESourceError&) {
        // An integer overflow: the binding adds the records up itself, exactly.
        return false;
    }
}

std::int64_t TSqliteSource::RowCount()
{
    FImpl->EnsureIndex();
    return FImpl->Index.Count;
}

void TSqliteSource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    Rows.clear();
    TImpl& I = *FImpl;
    I.EnsureIndex();
    if (First < 0 || Count <= 0 || First >= I.Index.Count) return;
    auto Next = std::upper_bound(I.Index.Anchors.begin(), I.Index.Anchors.end(), First,
        [](std::int64_t Pos, const TAnchor& A) { return Pos < A.Pos; });
    TAnchor From = *std::prev(Next);
    if (I.HintValid && I.Hint.Pos <= First && First - I.Hint.Pos < First - From.Pos) From = I.Hint;
    // The records before First are stepped over by key alone (an index read), not with their data.
    if (First > From.Pos) {
        TAnchor At;
        if (I.Walk(I.Rel, I.Order, From, First - From.Pos, 1, false,
                [&](sqlite3_stmt* Stmt) { At = I.AnchorOf(Stmt, First); })
            == 0)
            return;
        From = std::move(At);
    }
    const int Width = static_cast<int>(I.Columns.size());
    const int Offset = static_cast<int>(I.KeyExprs.size()) + 1;
    TAnchor Last;
    const std::int64_t Read = I.Walk(I.Rel, I.Order, From, 0, Count, true, [&](sqlite3_stmt* Stmt) {
        TSourceRow Row;
        Row.reserve(static_cast<std::size_t>(Width));
        for (int C = 0; C < Width; ++C) Row.push_back(CellText(Stmt, Offset + C));
        Rows.push_back(std::move(Row));
        Last = I.AnchorOf(Stmt, 0);
    });
    if (Read == 0) return;
    I.Hint = std::move(Last);
    I.Hint.After = true;
    I.Hint.Pos = First + Read;
    I.HintValid = true;
}

bool TSqliteSource::Writable() const
{
    return !FImpl->ReadOnly && !FImpl->IsView;
}

std::string TSqliteSource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    TImpl& I = *FImpl;
    if (!Writable()) return I.IsView ? KViewReadOnly : KReadOnly;
    try {
        return I.Update(Row, Col, Value);
    } catch (const ESourceError& E) { // a read that found the database locked or the record gone
        return E.what();
    }
}

std::string TSqliteSource::InsertRecord(std::int64_t& Row)
{
    TImpl& I = *FImpl;
    if (!Writable()) return I.IsView ? KViewReadOnly : KReadOnly;
    try {
        I.EnsureIndex();
        std::vector<TAnchor> Returned;
        std::string Message = I.Write(
            "INSERT INTO " + I.DataTable + " DEFAULT VALUES RETURNING " + I.ReturnList(), [](sqlite3_stmt*) {},
            Returned, nullptr, true);
        if (!Message.empty()) return Message;
        if (Returned.empty()) return "The database stored no record";
        Row = I.Inserted(Returned[0]);
        return {};
    } catch (const ESourceError& E) {
        return E.what();
    }
}

std::string TSqliteSource::DeleteRecord(std::int64_t Row)
{
    TImpl& I = *FImpl;
    if (!Writable()) return I.IsView ? KViewReadOnly : KReadOnly;
    try {
        return I.Delete(Row);
    } catch (const ESourceError& E) {
        return E.what();
    }
}

void TSqliteSource::SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Told)
{
    TImpl& I = *FImpl;
    const TSourceProgress Progress = Monotone(Told);
    if (Col >= static_cast<int>(I.Columns.size()))
        throw ESourceError("There is no column " + std::to_string(Col) + " to order by");
    TOrder O;
    if (Col >= 0 && Direction != TSortDirection::None) O = TOrder { Col, Direction };
    const sqlite3_int64 Version = I.CurrentDataVersion();
    TRelation R = I.NeedsMirror(O) ? I.MakeMirror(O, Progress) : I.PlainRelation(O);
    TIndex Built;
    try {
        Built = I.BuildIndex(R, O, Progress);
    } catch (...) {
        I.DropTemp(R.Mirror);
        throw;
    }
    if (I.Rel.Mirror != R.Mirror) I.DropTemp(I.Rel.Mirror);
    I.Rel = std::move(R);
    I.Order = O;
    I.Index = std::move(Built);
    I.DataVersion = Version;
    I.HintValid = false;
}

int TSqliteSource::OrderColumn() const
{
    return FImpl->Order.Col;
}

TSortDirection TSqliteSource::OrderDirection() const
{
    return FImpl->Order.Direction;
}

void TSqliteSource::Refresh(const TSourceProgress& Told)
{
    TImpl& I = *FImpl;
    const TSourceProgress Progress = Monotone(Told);
    const sqlite3_int64 Version = I.CurrentDataVersion();
    if (I.Index.Valid && Version == I.DataVersion) return;
    // Everything is made anew beside what is shown, which stays until all of it succeeded.
    const std::string Shown = I.DataTable;
    std::string Copy;
    TRelation R;
    TIndex Built;
    try {
        if (I.CopiedView) {
            Copy = std::string(KCopyName) + std::to_string(++I.Made);
            TProgressScope Scope(I, Progress, static_cast<double>(std::max<std::int64_t>(1, I.Index.Count)));
            I.CopyView(Copy);
            I.DataTable = "temp." + Copy;
        }
        R = I.NeedsMirror(I.Order) ? I.MakeMirror(I.Order, Progress) : I.PlainRelation(I.Order);
        Built = I.BuildIndex(R, I.Order, Progress);
    } catch (...) {
        I.DropTemp(R.Mirror);
        I.DropTemp(Copy);
        I.DataTable = Shown;
        throw;
    }
    if (I.Rel.Mirror != R.Mirror) I.DropTemp(I.Rel.Mirror);
    if (!Copy.empty()) I.DropTemp(Shown.substr(5)); // past "temp."
    I.Rel = std::move(R);
    I.Index = std::move(Built);
    I.DataVersion = Version;
    I.HintValid = false;
}
