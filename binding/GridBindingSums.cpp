// TGridBinding: the column totals: made on the worker, kept, and kept up to date by the writes.
#include <algorithm>
#include <cstdint>

#include "binding/GridBinding.h"
#include "binding/GridBindingImpl.h"
#include "binding/SourceValues.h"

using namespace GridBindingDetail;

namespace {

Currency ValueOf(std::string_view Text)
{
    Currency value;
    return ParseSourceCurrency(Text, value) ? value : Currency{};
}

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

} // namespace

void GridBindingDetail::SumColumn(TTableSource& Source, int Col, std::int64_t From, TWide& Sum, std::int64_t& Next,
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

void TGridBinding::ForgetSum(int Col)
{
    FSums.erase(std::remove_if(FSums.begin(), FSums.end(), [&](const TSum& S) { return S.Col == Col || Col < 0; }),
                FSums.end());
}

const TGridBinding::TSum* TGridBinding::KeptSum(int Field) const
{
    for (const TSum& sum : FSums)
        if (sum.Col == Field) return &sum;
    return nullptr;
}

bool TGridBinding::SumKnown(int DataCol) const { return KeptSum(SourceColumnAt(DataCol)) != nullptr; }

Currency TGridBinding::Summary(int DataCol)
{
    const int field = SourceColumnAt(DataCol);
    if (field < 0 || !IsNumeric(FFields[static_cast<std::size_t>(field)].Kind)) return {};
    if (const TSum* sum = KeptSum(field)) return Saturated(sum->Value);
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
    const TSum* sum = KeptSum(field);
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
