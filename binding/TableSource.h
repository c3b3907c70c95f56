#pragma once
// A table a grid shows through a binding (binding/GridBinding.h): a source of records addressed by
// their position in the source's current order, 0 to RowCount() - 1. Sources are CSV files,
// SQLite databases and PostgreSQL servers. A source is used from one thread at a time: the
// binding may run a long call (an order, a refresh) on a worker thread while the grid waits.
#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// What a column holds, for alignment, sorting and the widths the binding chooses.
enum class TSourceColumnKind { Text, Integer, Number, Date };

struct TSourceColumn {
    std::string Name;
    TSourceColumnKind Kind = TSourceColumnKind::Text;
};

enum class TSortDirection { None, Ascending, Descending };

// A source that cannot answer: a file that is not a database, a table that does not exist, a
// connection that failed or was lost. The message is for the user as it stands.
class ESourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Told how far a long operation is (0 to 1); returning false asks it to stop (the source then
// throws ESourceCancelled and keeps its state from before the call).
using TSourceProgress = std::function<bool(double Fraction)>;

class ESourceCancelled : public ESourceError {
public:
    ESourceCancelled() : ESourceError("Cancelled") {}
};

// One record's cell texts, in column order.
using TSourceRow = std::vector<std::string>;

class TTableSource {
public:
    virtual ~TTableSource() = default;

    // Names the source for the status line: "orders.db, table orders".
    virtual std::string Description() const = 0;
    virtual const std::vector<TSourceColumn>& Columns() const = 0;
    virtual std::int64_t RowCount() = 0;
    // Reads up to Count records from position First on, in the current order, into Rows (cleared
    // first). Reading a page costs about the same at any position.
    virtual void ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows) = 0;

    virtual bool Writable() const = 0;
    // The writes return an empty string when stored, else the reason the source refused (the
    // database's message, "The database is read-only", ...); nothing is changed then.
    virtual std::string UpdateCell(std::int64_t Row, int Col, const std::string& Value) = 0;
    // Appends an empty record; Row receives its position in the current order.
    virtual std::string InsertRecord(std::int64_t& Row) = 0;
    virtual std::string DeleteRecord(std::int64_t Row) = 0;

    // Orders the records by column Col, ties by the record's key; descending is the exact reverse
    // of ascending (ties by key descending too), so that an index serves both read forwards and
    // backwards. TSortDirection::None is the source's own order.
    virtual void SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress = {}) = 0;
    virtual int OrderColumn() const = 0;
    virtual TSortDirection OrderDirection() const = 0;
    // Reads again what another program may have changed.
    virtual void Refresh(const TSourceProgress& Progress = {}) = 0;

    // Adds up the numbers of column Col over every record when the source can do it faster than
    // reading every record (a database's SUM): Sum receives the total in ten-thousandths as
    // decimal digits with an optional sign ("-12345000" for -1234.5). False when it cannot; the
    // binding then reads the records and adds them up.
    virtual bool SumColumn(int Col, std::string& Sum)
    {
        (void)Col;
        (void)Sum;
        return false;
    }
};
