#pragma once
// A small model of a source that keeps the user's changes beside records it cannot write back
// (binding/ChangeLog.h): the records in their natural order with what was done to each. A session
// of edits, appends and deletes runs on a source and on the model; after every step the source
// shows the model's rows and gives its revision, HasChanges and change log.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "binding/ChangeLog.h"
#include "binding/TableSource.h"

class TChangeModel {
public:
    TChangeModel(std::vector<std::string> Columns, const std::vector<TSourceRow>& Records) : FColumns(std::move(Columns))
    {
        for (const TSourceRow& cells : Records) FRecords.push_back({cells});
    }

    // The shown records in natural order: the kept ones by record number, the appended ones after.
    std::vector<TSourceRow> Rows() const
    {
        std::vector<TSourceRow> rows;
        for (const TRecord& r : FRecords)
            if (!r.Deleted) rows.push_back(r.Cells);
        return rows;
    }
    void Edit(int Row, int Col, const std::string& Value)
    {
        TRecord& r = At(Row);
        r.Cells[static_cast<std::size_t>(Col)] = Value;
        r.Edited = true;
        ++FRevision;
    }
    // Returns the new record's row.
    int Append(TSourceRow Cells)
    {
        FRecords.push_back({std::move(Cells), true});
        ++FRevision;
        return static_cast<int>(Rows().size()) - 1;
    }
    void Delete(int Row)
    {
        At(Row).Deleted = true;
        ++FRevision;
    }
    std::size_t RecordCount() const { return FRecords.size(); }
    std::uint64_t Revision() const { return FRevision; }
    bool HasChanges() const { return FRevision != 0; }
    // Changed records in record order, then the appended ones as appended, then the deleted ones
    // as they were; an appended record deleted again is in none.
    std::string ChangesCsv() const
    {
        std::vector<std::string> fields{"change"};
        fields.insert(fields.end(), FColumns.begin(), FColumns.end());
        std::string out = CsvLine(fields);
        const auto line = [&](const char* Change, const TRecord& R) {
            fields.assign(1, Change);
            fields.insert(fields.end(), R.Cells.begin(), R.Cells.end());
            out += CsvLine(fields);
        };
        for (const TRecord& r : FRecords)
            if (!r.Appended && r.Edited && !r.Deleted) line("changed", r);
        for (const TRecord& r : FRecords)
            if (r.Appended && !r.Deleted) line("appended", r);
        for (const TRecord& r : FRecords)
            if (!r.Appended && r.Deleted) line("deleted", r);
        return out;
    }

private:
    struct TRecord {
        TSourceRow Cells;
        bool Appended = false, Edited = false, Deleted = false;
    };
    TRecord& At(int Row)
    {
        for (TRecord& r : FRecords)
            if (!r.Deleted && Row-- == 0) return r;
        throw std::out_of_range("no such row in the model");
    }

    std::vector<std::string> FColumns;
    std::vector<TRecord> FRecords;
    std::uint64_t FRevision = 0;
};

struct TSessionStep {
    char Op; // 'e' edit, 'a' append, 'd' delete
    int Row, Col;
    std::string Value;
    std::string Refusal = {}; // the source's message when it refuses the edit
};

// Runs Steps on Source (unordered) and on Model, which appends NewRecord(the
// number of records so far); after each step the source must show what the model holds.
inline void RunChangeSession(TTableSource& Source, const TChangeLog& Log, TChangeModel& Model,
                             const std::vector<TSessionStep>& Steps, const std::function<TSourceRow(std::size_t)>& NewRecord)
{
    for (std::size_t i = 0; i < Steps.size(); ++i) {
        const TSessionStep& s = Steps[i];
        SCOPED_TRACE("step " + std::to_string(i) + ": " + s.Op + " row " + std::to_string(s.Row));
        std::int64_t row = -1;
        switch (s.Op) {
        case 'e':
            ASSERT_EQ(Source.UpdateCell(s.Row, s.Col, s.Value), s.Refusal);
            if (s.Refusal.empty()) Model.Edit(s.Row, s.Col, s.Value);
            break;
        case 'a':
            ASSERT_EQ(Source.InsertRecord(row), "");
            EXPECT_EQ(row, Model.Append(NewRecord(Model.RecordCount())));
            break;
        default:
            ASSERT_EQ(Source.DeleteRecord(s.Row), "");
            Model.Delete(s.Row);
        }
        const std::vector<TSourceRow> expected = Model.Rows();
        ASSERT_EQ(Source.RowCount(), static_cast<std::int64_t>(expected.size()));
        std::vector<TSourceRow> rows;
        Source.ReadRows(0, static_cast<int>(expected.size()), rows);
        ASSERT_EQ(rows, expected);
        EXPECT_EQ(Log.Revision(), Model.Revision());
        EXPECT_EQ(Log.HasChanges(), Model.HasChanges());
        ASSERT_EQ(Log.ChangesCsv(), Model.ChangesCsv());
    }
}
