#include "binding/PgSource.h"

#include <algorithm>

#include "binding/PgSourceImpl.h"

// The table-source interface over TImpl: reads, writes with their bookkeeping, the order.

using TResult = TPgSource::TImpl::TResult;
using TParams = TPgSource::TImpl::TParams;
using TPlace = TPgSource::TImpl::TPlace;

TPgSource::TPgSource(const std::string& ConnInfo, const std::string& Table, const TPgOptions& Options)
    : FImpl(std::make_unique<TImpl>())
{
    FImpl->ConnInfo = ConnInfo;
    FImpl->Name = Table;
    FImpl->Options = Options;
    FImpl->TimeoutMs = Options.StatementTimeoutMs;
    FImpl->Options.IndexStride = std::max(1, Options.IndexStride);
    FImpl->Connect();
    FImpl->Describe();
}

TPgSource::~TPgSource() = default;

std::string TPgSource::Description() const
{
    const char* database = PQdb(FImpl->Conn);
    return std::string(database ? database : "PostgreSQL") + ", table " + FImpl->Name;
}

const std::vector<TSourceColumn>& TPgSource::Columns() const { return FImpl->Columns; }

std::int64_t TPgSource::RowCount() { return FImpl->RowCount(); }

bool TPgSource::SumColumn(int Col, std::string& Sum)
{
    TImpl& I = *FImpl;
    if (Col < 0 || Col >= static_cast<int>(I.Quoted.size())) return false;
    try {
        I.EnsureConnected();
        TResult result = I.Exec("SELECT sum(round(" + I.Quoted[static_cast<std::size_t>(Col)] + "::numeric * 10000))::text FROM " +
                                I.Relation);
        Sum = PQgetisnull(result.get(), 0, 0) ? "0" : PQgetvalue(result.get(), 0, 0);
        return true;
    } catch (const ESourceError&) {
        // A value the server cannot sum exactly (an infinity): the binding adds the records up.
        return false;
    }
}

void TPgSource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    FImpl->ReadPage(First, Count, Rows, nullptr);
}

bool TPgSource::Writable() const { return !FImpl->Refusal(); }

std::string TPgSource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    TImpl& s = *FImpl;
    if (const auto refusal = s.Refusal()) return *refusal;
    if (Col < 0 || static_cast<std::size_t>(Col) >= s.Columns.size()) return "There is no such column";
    const auto col = static_cast<std::size_t>(Col);
    try {
        TPlace at;
        if (!s.PlaceAt(Row, at)) return "There is no such record";
        TParams params;
        std::optional<std::string> value = Value;
        if (Value.empty() && !(s.NotNull[col] && s.Columns[col].Kind == TSourceColumnKind::Text)) value.reset();
        const std::string set = s.Quoted[col] + " = " + params.Add(value, s.Types[col]);
        TResult result = s.Exec("UPDATE " + s.Relation + " AS t SET " + set + " WHERE " + s.TableKeyEquals(at.Key, params) +
                                    " RETURNING " + s.TablePlace(),
                                params);
        if (PQntuples(result.get()) == 0) return "The record no longer exists: another program deleted or changed it";
        // A record whose sort value or key changed moves; a ctid changes with every update.
        if (Col == s.OrderCol || s.KeyColumn[col] || s.Keys[0] == "ctid") {
            const TPlace now = s.PlaceOf(result.get(), 0, 0, 0);
            s.Keep([&] {
                s.CopyWritten(&at.Key, &now);
                s.Removed(at.Pos);
                s.Inserted(s.PositionOf(now));
            });
        }
        return "";
    } catch (const ESourceError& error) {
        return error.what();
    }
}

std::string TPgSource::InsertRecord(std::int64_t& Row)
{
    TImpl& s = *FImpl;
    if (const auto refusal = s.Refusal()) return *refusal;
    try {
        s.EnsureConnected();
        if (s.Copy) s.EnsureIndex();
        TResult result = s.Exec("INSERT INTO " + s.Relation + " AS t DEFAULT VALUES RETURNING " + s.TablePlace());
        if (s.Count >= 0) ++s.Count;
        const TPlace now = s.PlaceOf(result.get(), 0, 0, 0);
        // In the table's own order a new key most often comes last.
        Row = s.Count >= 0 ? s.Count - 1 : 0;
        s.Keep([&] {
            s.CopyWritten(nullptr, &now);
            Row = s.PositionOf(now);
            s.Inserted(Row);
        });
        return "";
    } catch (const ESourceError& error) {
        return error.what();
    }
}

std::string TPgSource::DeleteRecord(std::int64_t Row)
{
    TImpl& s = *FImpl;
    if (const auto refusal = s.Refusal()) return *refusal;
    try {
        TPlace at;
        if (!s.PlaceAt(Row, at)) return "There is no such record";
        TParams params;
        TResult result = s.Exec("DELETE FROM " + s.Relation + " AS t WHERE " + s.TableKeyEquals(at.Key, params), params);
        if (std::string(PQcmdTuples(result.get())) == "0")
            return "The record no longer exists: another program deleted or changed it";
        if (s.Count > 0) --s.Count;
        s.Keep([&] {
            s.CopyWritten(&at.Key, nullptr);
            s.Removed(at.Pos);
        });
        return "";
    } catch (const ESourceError& error) {
        return error.what();
    }
}

void TPgSource::SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress)
{
    TImpl& s = *FImpl;
    if (Direction != TSortDirection::None && (Col < 0 || static_cast<std::size_t>(Col) >= s.Columns.size()))
        throw ESourceError("There is no column " + std::to_string(Col) + " to order by");
    s.EnsureConnected();
    const int oldCol = s.OrderCol;
    const TSortDirection oldDirection = s.Direction;
    const bool oldCopy = s.Copy;
    const std::string oldScan = s.Scan, oldJoinOn = s.JoinOn, oldOrderExpr = s.OrderExpr;
    const std::vector<std::string> oldKeyExprs = s.KeyExprs;
    s.OrderCol = Direction == TSortDirection::None ? -1 : Col;
    s.Direction = Direction;
    try {
        s.Prepare();
        s.Reindex(Progress);
    } catch (...) {
        s.OrderCol = oldCol;
        s.Direction = oldDirection;
        s.Copy = oldCopy;
        s.Scan = oldScan;
        s.JoinOn = oldJoinOn;
        s.OrderExpr = oldOrderExpr;
        s.KeyExprs = oldKeyExprs;
        throw;
    }
}

int TPgSource::OrderColumn() const { return FImpl->OrderCol; }

TSortDirection TPgSource::OrderDirection() const { return FImpl->Direction; }

void TPgSource::Refresh(const TSourceProgress& Progress) { FImpl->Reindex(Progress); }

std::vector<std::string> TPgSource::KeyColumns() const
{
    return FImpl->Keys.empty() ? std::vector<std::string>{} : FImpl->KeyNames;
}
