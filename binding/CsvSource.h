#pragma once
// A CSV file (RFC 4180) as a table source. The file is mapped into memory and indexed once: the
// index keeps where each record starts (8 bytes a record) and fields are decoded only when shown,
// so a file of any size opens quickly and costs little memory beyond the mapping. The first
// record names the columns. A field that is not valid UTF-8 is read as Latin-1.
//
// The file is never written. With KeepChanges(true) the source takes edits, appended and deleted
// records into memory beside the file (memory grows only with them) and shows them as if they
// were in it; ChangesCsv() writes them out for the application to save elsewhere.
//
// The class is split by concern:
//   CsvSource.cpp      the mapping and its load, kind guessing, reading rows, the kept changes,
//                      refreshing
//   CsvIndex.cpp       the one-pass index of the records, UTF-8 checks, CsvFieldText
//   CsvSort.cpp        SetOrder and the sort, placing one record in the order
//   CsvSourceImpl.h    the field walker and the index's result, shared by the three (internal)
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "binding/ChangeLog.h"
#include "binding/TableSource.h"

// What indexing read other than as written: fields that are not valid UTF-8, read as Latin-1.
struct TCsvLatin1Notes {
    // Fields and records (the header counts as one) holding such a field.
    std::int64_t Fields = 0;
    std::int64_t Records = 0;
    // The line (counted from 1) of the first byte that is not UTF-8; 0 when every field is.
    std::int64_t FirstLine = 0;
};

class TCsvSource : public TTableSource, public TChangeLog {
public:
    // Maps and indexes FileName; ESourceError naming the file (and the line, for a malformed
    // record) when it cannot, ESourceCancelled when Progress asks to stop.
    explicit TCsvSource(std::string FileName, const TSourceProgress& Progress = {});
    ~TCsvSource() override;
    TCsvSource(const TCsvSource&) = delete;
    TCsvSource& operator=(const TCsvSource&) = delete;

    std::string Description() const override;
    const std::vector<TSourceColumn>& Columns() const override { return FColumns; }
    std::int64_t RowCount() override { return RecordTotal() - static_cast<std::int64_t>(FDeleted.size()); }
    void ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows) override;

    // Writable only while changes are kept; a read-only source refuses every write.
    bool Writable() const override { return FKeepChanges; }
    void KeepChanges(bool Value) { FKeepChanges = Value; }
    // A value for a column guessed Integer, Number or Date must be one (or empty); Text takes
    // anything. An edit of the ordered column moves its record where the order puts it.
    std::string UpdateCell(std::int64_t Row, int Col, const std::string& Value) override;
    // Appends an empty record after the file's (and the ones appended before); in an order it is
    // placed by its values, as any record.
    std::string InsertRecord(std::int64_t& Row) override;
    std::string DeleteRecord(std::int64_t Row) override;

    // Descending is the exact reverse of ascending: ties by record number, descending.
    void SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress = {}) override;
    int OrderColumn() const override { return FOrderCol; }
    TSortDirection OrderDirection() const override { return FDirection; }
    // Maps and indexes the file again; on failure the source keeps what it showed. Changes are
    // kept by record number: an edited or deleted record is the one at its place in the new file,
    // and appended records follow the new file's last one. A new file whose columns differ, or
    // that ends before a record the changes refer to, is refused (ESourceError) and the old one
    // stays shown with the changes, so that they can be saved first.
    void Refresh(const TSourceProgress& Progress = {}) override;

    std::uint64_t Revision() const override { return FRevision; }
    bool HasChanges() const override { return !FEdits.empty() || !FDeleted.empty() || FAppended != 0; }
    // ESourceError when the file was shortened below what the changed records need.
    std::string ChangesCsv() const override;

    const std::string& FileName() const { return FFileName; }
    // What indexing found that is not UTF-8, from the last load or refresh.
    const TCsvLatin1Notes& Latin1() const { return FLatin1; }
    // The record number (0: the first after the header; appended records follow the file's) at
    // position Row.
    std::int64_t RecordAt(std::int64_t Row) const;
    // Bytes of memory the index and the order hold, for the benchmarks.
    std::size_t IndexBytes() const;

private:
    struct TMapping {
        int Fd = -1;
        const char* Data = nullptr;
        std::size_t Size = 0;
        void Release();
    };
    std::int64_t FileRecords() const { return static_cast<std::int64_t>(FOffsets.size()) - 1; }
    std::int64_t RecordTotal() const { return FileRecords() + FAppended; }
    static std::uint64_t EditKey(std::int64_t Record, int Col)
    {
        return static_cast<std::uint64_t>(Record) << 16 | static_cast<std::uint16_t>(Col);
    }
    // Decodes the fields of record Record (file or appended, edits applied) into Row.
    void DecodeRecord(std::int64_t Record, TSourceRow& Row) const;
    std::string_view RecordText(std::int64_t Record) const;
    // The text of one field as it sorts (edits applied, not converted from Latin-1).
    std::string_view SortText(std::int64_t Record, int Col, std::string& Scratch) const;
    // Whether Record comes before Other in ascending order of the order column, ties by number.
    bool AscendingBefore(std::int64_t Record, std::int64_t Other) const;
    // Inserts Record into the order at its place; returns its position.
    std::int64_t PlaceInOrder(std::int64_t Record);
    bool IsDeleted(std::int64_t Record) const;
    void GuessKinds();
    void Load(const TSourceProgress& Progress);
    void Sort(int Col, TSortDirection Direction, std::vector<std::uint32_t>& Order, const TSourceProgress& Progress) const;
    // ESourceError when the file shrank below the mapping since it was indexed (reading past
    // its end would fault); FileProblem says so without throwing.
    void CheckFileIntact() const;
    std::string FileProblem() const;

    std::string FFileName;
    TMapping FMap;
    // Where the data records start in the mapping, and one past the last record's end.
    std::vector<std::uint64_t> FOffsets;
    std::vector<TSourceColumn> FColumns;
    TCsvLatin1Notes FLatin1;
    // Positions -> record numbers while an order is set.
    std::vector<std::uint32_t> FOrder;
    int FOrderCol = -1;
    TSortDirection FDirection = TSortDirection::None;

    bool FKeepChanges = false;
    // Edited cells by EditKey, in record order; an appended record's cells live only here.
    std::map<std::uint64_t, std::string> FEdits;
    // Deleted record numbers, ascending.
    std::vector<std::uint32_t> FDeleted;
    // Records appended after the file's: numbers FileRecords() to RecordTotal() - 1.
    std::int64_t FAppended = 0;
    std::uint64_t FRevision = 0;
};

// Each byte of Text as the Latin-1 character it stands for, in UTF-8, when Text is not valid
// UTF-8 (overlong forms, surrogates and code points past U+10FFFF are not); Text otherwise.
std::string CsvFieldText(std::string_view Text);
