#include "binding/MemorySource.h"

#include <algorithm>

#include "binding/SourceValues.h"

namespace {

const char* const KindNames[] = {"text", "a whole number", "a number", "a date (YYYY-MM-DD)"};

bool OfKind(TSourceColumnKind Kind, const std::string& Value)
{
    if (Value.empty()) return true;
    std::int64_t whole = 0;
    double number = 0;
    switch (Kind) {
    case TSourceColumnKind::Text: return true;
    case TSourceColumnKind::Integer: return ParseSourceInteger(Value, whole);
    case TSourceColumnKind::Number: return ParseSourceNumber(Value, number);
    case TSourceColumnKind::Date: return ParseSourceDate(Value, whole);
    }
    return false;
}

const char* const ReadOnlyMessage = "The table is read-only";

} // namespace

void TMemoryStore::Add(TSourceRow Cells)
{
    Cells.resize(Columns.size());
    Records.push_back({NextKey++, std::move(Cells)});
}

TMemorySource::TMemorySource(std::shared_ptr<TMemoryStore> Store, std::string Name)
    : FStore(std::move(Store)), FName(std::move(Name))
{
    if (!FStore) throw ESourceError("a memory source needs a store");
    BuildOrder();
}

TMemoryRecord* TMemorySource::RecordAt(std::int64_t Row)
{
    if (Row < 0 || Row >= static_cast<std::int64_t>(FOrder.size())) return nullptr;
    const std::int64_t key = FOrder[static_cast<std::size_t>(Row)];
    auto& records = FStore->Records;
    const auto at = std::lower_bound(records.begin(), records.end(), key,
                                     [](const TMemoryRecord& R, std::int64_t K) { return R.Key < K; });
    return at != records.end() && at->Key == key ? &*at : nullptr;
}

void TMemorySource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    Rows.clear();
    ++FReadCalls;
    for (std::int64_t row = std::max<std::int64_t>(First, 0); row < First + Count; ++row) {
        if (row >= static_cast<std::int64_t>(FOrder.size())) break;
        const TMemoryRecord* record = RecordAt(row);
        // A record another program deleted reads as empty until the next refresh.
        Rows.push_back(record ? record->Cells : TSourceRow(FStore->Columns.size()));
        ++FRowsRead;
    }
}

std::string TMemorySource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    if (!FWritable) return ReadOnlyMessage;
    if (Col < 0 || Col >= static_cast<int>(FStore->Columns.size())) return "There is no column " + std::to_string(Col);
    TMemoryRecord* record = RecordAt(Row);
    if (!record) return "The record is no longer there";
    const TSourceColumn& column = FStore->Columns[static_cast<std::size_t>(Col)];
    if (!OfKind(column.Kind, Value))
        return column.Name + " holds " + KindNames[static_cast<int>(column.Kind)] + "; \"" + Value + "\" is not one";
    record->Cells[static_cast<std::size_t>(Col)] = Value;
    if (FOrderCol == Col) BuildOrder();
    return {};
}

std::string TMemorySource::InsertRecord(std::int64_t& Row)
{
    if (!FWritable) return ReadOnlyMessage;
    const std::int64_t key = FStore->NextKey;
    FStore->Add({});
    BuildOrder();
    Row = std::find(FOrder.begin(), FOrder.end(), key) - FOrder.begin();
    return {};
}

std::string TMemorySource::DeleteRecord(std::int64_t Row)
{
    if (!FWritable) return ReadOnlyMessage;
    if (!RecordAt(Row)) return "The record is no longer there";
    const std::int64_t key = FOrder[static_cast<std::size_t>(Row)];
    auto& records = FStore->Records;
    records.erase(std::lower_bound(records.begin(), records.end(), key,
                                   [](const TMemoryRecord& R, std::int64_t K) { return R.Key < K; }));
    FOrder.erase(FOrder.begin() + Row);
    return {};
}

void TMemorySource::SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress)
{
    if (Direction != TSortDirection::None && (Col < 0 || Col >= static_cast<int>(FStore->Columns.size())))
        throw ESourceError("There is no column " + std::to_string(Col) + " to order by");
    if (Progress && !Progress(0)) throw ESourceCancelled();
    FOrderCol = Direction == TSortDirection::None ? -1 : Col;
    FDirection = Direction;
    BuildOrder();
    if (Progress) Progress(1);
}

void TMemorySource::Refresh(const TSourceProgress& Progress)
{
    if (Progress && !Progress(0)) throw ESourceCancelled();
    BuildOrder();
    if (Progress) Progress(1);
}

void TMemorySource::BuildOrder()
{
    const auto& records = FStore->Records;
    std::vector<std::size_t> index(records.size());
    for (std::size_t i = 0; i < index.size(); ++i) index[i] = i;
    if (FDirection != TSortDirection::None) {
        const auto col = static_cast<std::size_t>(FOrderCol);
        const TSourceColumnKind kind = FStore->Columns[col].Kind;
        // The records are in key order, so a stable sort breaks ties by key; descending is the
        // ascending order reversed, ties included.
        std::stable_sort(index.begin(), index.end(), [&](std::size_t A, std::size_t B) {
            return CompareSourceValues(kind, records[A].Cells[col], records[B].Cells[col]) < 0;
        });
        if (FDirection == TSortDirection::Descending) std::reverse(index.begin(), index.end());
    }
    FOrder.resize(index.size());
    for (std::size_t i = 0; i < index.size(); ++i) FOrder[i] = records[index[i]].Key;
}
