#pragma once
// The implementation of TPgSource, shared by its source files (the map is in PgSource.h); only
// they include it.
#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "binding/PgSource.h"

struct TPgSource::TImpl {
    using TResult = std::unique_ptr<PGresult, decltype(&PQclear)>;

    // SQL parameters as text, NULL where empty.
    struct TParams {
        std::vector<std::optional<std::string>> Values;
        // Adds a value and returns its placeholder, cast to the column's type.
        std::string Add(std::optional<std::string> Value, const std::string& Type)
        {
            Values.push_back(std::move(Value));
            return "$" + std::to_string(Values.size()) + "::" + Type;
        }
    };

    // A record's place in the current order: its position, its value of the ordered column and its key.
    struct TPlace {
        std::int64_t Pos = 0;
        std::optional<std::string> Order;
        std::vector<std::string> Key;
    };

    PGconn* Conn = nullptr;
    std::string ConnInfo;
    std::string Name;
    std::string Relation; // quoted and schema-qualified
    std::string Oid;
    TPgOptions Options;
    // The statement timeout in force: what the wait for an answer adds its grace to.
    int TimeoutMs = 5000;
    std::vector<TSourceColumn> Columns;
    std::vector<std::string> Types;  // format_type of each column, for casts
    std::vector<std::string> Quoted; // quoted column names
    std::vector<bool> NotNull;
    std::vector<std::string> Attnums;
    std::vector<std::string> KeyNames;
    std::vector<std::string> Keys; // quoted key columns, or ctid
    std::vector<std::string> KeyTypes;
    std::vector<bool> KeyColumn; // per column: part of the key
    std::string ReadOnlyReason;  // empty when writable
    // The session may write nothing, not even its own temporary tables.
    bool ReadOnlySession = false;
    int OrderCol = -1;
    TSortDirection Direction = TSortDirection::None;
    std::int64_t Count = -1;
    std::vector<TPlace> Index; // sorted by Pos
    bool Indexed = false;
    // An order no index serves is read through a private sorted copy of (value, key) with its
    // own index, a temporary table of the session: every page would sort the table otherwise.
    bool Copy = false;
    // What the order reads: the table as t or the copy as s (joined to the table by JoinOn for
    // the cells); the ordered value and the key in it.
    std::string Scan;
    std::string JoinOn;
    std::string OrderExpr;
    std::vector<std::string> KeyExprs;

    ~TImpl()
    {
        if (Conn) PQfinish(Conn);
    }

    // ----- the connection and the table (PgConnection.cpp) -----
    static std::string Trimmed(std::string Text);
    void Connect();
    void Setup();
    void EnsureConnected();
    std::string Failure(const PGresult* Result) const;
    void AwaitAnswer();
    TResult NextResult();
    TResult Exec(const std::string& Sql, const TParams& Params = {});
    std::string Quote(const std::string& Identifier) const;
    void Describe();
    bool Served(int Col);
    void Prepare();

    // ----- the order, its keyset predicates and the private copy (PgOrder.cpp) -----
    //
    // An order is read as segments, each in an order a plain index serves: with an ordered
    // column, the records whose value is NULL (by key) come before those with a value (by value,
    // then key) when ascending, after them when descending. One ORDER BY with NULLS FIRST would
    // be the same order, but no default index serves it, so every page would sort the table.

    struct TSegment {
        std::string Where; // which records, "" for all
        std::string Order; // " ORDER BY ..."
        bool Nulls = false;
    };

    bool Descending() const { return Direction == TSortDirection::Descending; }

    std::string TableOrder() const { return OrderCol >= 0 ? "t." + Quoted[static_cast<std::size_t>(OrderCol)] : "NULL"; }

    std::string TablePlace() const;
    std::string TableKeyEquals(const std::vector<std::string>& Key, TParams& Params) const;
    void MakeCopy();
    void CopyWritten(const std::vector<std::string>* OldKey, const TPlace* Now);
    std::string KeyTerms() const;
    std::string KeyFrom(const std::vector<std::string>& Key, TParams& Params) const;
    std::vector<TSegment> Segments() const;
    std::size_t SegmentOf(const TPlace& Place) const;
    std::string KeyTuple() const;
    std::string KeyParams(const std::vector<std::string>& Key, TParams& Params) const;
    std::string KeyEquals(const std::vector<std::string>& Key, TParams& Params) const;
    std::string InSegmentFrom(const TPlace& Place, TParams& Params) const;
    std::string AtOrAfter(const TPlace& Place, TParams& Params) const;
    std::string SegmentQuery(const std::string& List, const TSegment& Segment, const TPlace* From, TParams& Params) const;
    std::string SelectPlace() const;
    TPlace PlaceOf(const PGresult* Result, int Row, int FirstField, std::int64_t Pos) const;
    std::vector<TResult> Walk(const TPlace* From, std::int64_t Skip, int Want, const std::string& List);

    // ----- the sparse index, reading, positions (PgIndex.cpp) -----
    void Build(const TSourceProgress& Progress, std::int64_t& NewCount, std::vector<TPlace>& NewIndex);
    void FetchStrides(const TSourceProgress& Progress, double Expected, std::vector<TPlace>& NewIndex);
    void Reindex(const TSourceProgress& Progress);
    void EnsureIndex();
    void ReadPage(std::int64_t First, int Want, std::vector<TSourceRow>& Rows, std::vector<TPlace>* Places);
    std::int64_t RowCount();
    bool PlaceAt(std::int64_t Row, TPlace& Place);
    std::int64_t PositionOf(const TPlace& Record);
    void Removed(std::int64_t Pos);
    void Inserted(std::int64_t Pos);
    std::optional<std::string> Refusal() const;

    // Runs the bookkeeping after a stored write; when it fails (the connection went just after
    // the commit), the write still stands and the count and the index are read again when needed.
    template <class TBookkeeping>
    void Keep(TBookkeeping Bookkeeping)
    {
        try {
            Bookkeeping();
        } catch (const ESourceError&) {
            Indexed = false;
            Index.clear();
            Count = -1;
        }
    }
};
