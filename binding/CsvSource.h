#pragma once
// A CSV file (RFC 4180) as a read-only table source. The file is mapped into memory and indexed
// once: the index keeps where each record starts (8 bytes a record) and fields are decoded only
// when shown, so a file of any size opens quickly and costs little memory beyond the mapping.
// The first record names the columns. A field that is not valid UTF-8 is read as Latin-1.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "binding/TableSource.h"

class TCsvSource : public TTableSource {
public:
    // Maps and indexes FileName; ESourceError naming the file (and the line, for a malformed
    // record) when it cannot, ESourceCancelled when Progress asks to stop.
    explicit TCsvSource(std::string FileName, const TSourceProgress& Progress = {});
    ~TCsvSource() override;
    TCsvSource(const TCsvSource&) = delete;
    TCsvSource& operator=(const TCsvSource&) = delete;

    std::string Description() const override;
    const std::vector<TSourceColumn>& Columns() const override { return FColumns; }
    std::int64_t RowCount() override { return static_cast<std::int64_t>(FOffsets.size()) - 1; }
    void ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows) override;

    bool Writable() const override { return false; }
    std::string UpdateCell(std::int64_t Row, int Col, const std::string& Value) override;
    std::string InsertRecord(std::int64_t& Row) override;
    std::string DeleteRecord(std::int64_t Row) override;

    void SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress = {}) override;
    int OrderColumn() const override { return FOrderCol; }
    TSortDirection OrderDirection() const override { return FDirection; }
    // Maps and indexes the file again; on failure the source keeps what it showed.
    void Refresh(const TSourceProgress& Progress = {}) override;

    const std::string& FileName() const { return FFileName; }
    // The record number in the file (0: the first after the header) at position Row.
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
    // Decodes the fields of record Record (in file order) into Row.
    void DecodeRecord(std::int64_t Record, TSourceRow& Row) const;
    std::string_view RecordText(std::int64_t Record) const;
    void GuessKinds();
    void Load(const TSourceProgress& Progress);
    void Sort(int Col, TSortDirection Direction, std::vector<std::uint32_t>& Order, const TSourceProgress& Progress) const;
    // ESourceError when the file shrank below the mapping since it was indexed (reading past
    // its end would fault).
    void CheckFileIntact() const;

    std::string FFileName;
    TMapping FMap;
    // Where the data records start in the mapping, and one past the last record's end.
    std::vector<std::uint64_t> FOffsets;
    std::vector<TSourceColumn> FColumns;
    // Positions -> record numbers while an order is set; empty in file order.
    std::vector<std::uint32_t> FOrder;
    int FOrderCol = -1;
    TSortDirection FDirection = TSortDirection::None;
};

// Each byte of Text as the Latin-1 character it stands for, in UTF-8, when Text is not valid
// UTF-8 (overlong forms, surrogates and code points past U+10FFFF are not); Text otherwise.
std::string CsvFieldText(std::string_view Text);
