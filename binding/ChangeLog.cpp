#include "binding/ChangeLog.h"

std::string CsvLine(const std::vector<std::string>& Fields)
{
    std::string out;
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        if (i) out += ',';
        const std::string& f = Fields[i];
        if (f.find_first_of(",\"\r\n") == std::string::npos) {
            out += f;
            continue;
        }
        out += '"';
        for (char c : f) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out + "\r\n";
}

TChangesCsvWriter::TChangesCsvWriter(const std::vector<TSourceColumn>& Columns) : FFields{"change"}
{
    for (const TSourceColumn& column : Columns) FFields.push_back(column.Name);
    FText = CsvLine(FFields);
}

void TChangesCsvWriter::Add(const char* Change, const std::vector<std::string>& Cells)
{
    FFields.assign(1, Change);
    FFields.insert(FFields.end(), Cells.begin(), Cells.end());
    FText += CsvLine(FFields);
}

std::int64_t UndeletedNumber(const std::vector<std::uint32_t>& Deleted, std::int64_t N)
{
    // N plus the deleted numbers before the answer. Deleted[j] - j does not fall with j, so those
    // are the j where it is at most N.
    std::size_t low = 0, high = Deleted.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (static_cast<std::int64_t>(Deleted[mid]) - static_cast<std::int64_t>(mid) <= N) low = mid + 1;
        else high = mid;
    }
    return N + static_cast<std::int64_t>(low);
}
