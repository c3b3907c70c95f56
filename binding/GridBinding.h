#pragma once
// TGridBinding: shows a table source in a grid. It answers the grid's data events from the
// source (row count, cells, edits, appends, deletes, summaries, title clicks), builds the
// grid's columns from the source's, and keeps the rows around the view in a cache of pages, so
// that painting a frame reads at most a few pages from the source and scrolling back reads none.
//
// The grid is touched only on the GUI thread, which never waits for the source longer than
// BlockingGrace: every call of the source but a write runs on a worker thread, one at a time, and
// a call that ends within the grace is simply waited for. Reads of the row count, of a page and
// of a column's sum that take longer leave the grid showing what it had (no rows, empty cells, no
// total) until they arrive; a sum in the making steps aside for a page the view needs and goes
// on from where it was. A write is waited for up to WriteGrace; one that takes longer (a
// locked database waiting out its busy timeout, a server that stopped answering) goes on on the
// worker while the grid shows what the database held, and its result (the new value, or the
// refusal in a message box) shows when it comes. While an order, a refresh or a write
// runs, edits are refused with a message; a sum in the making gives way to an edit and starts
// again after it. OnProgress tells how far a long call is and Escape or Cancel() stops it. The
// worker's progress and end reach the GUI thread through a timer of a hidden window the binding
// owns. The source must outlive the binding; the grid may be freed first (even while the worker
// runs), and a binding freed first stops and joins its worker and takes its handlers back.
//
// The class is split by concern:
//   GridBinding.cpp        construction, the grid's events, the columns, the page cache, orders
//                          and refreshes asked for
//   GridBindingWorker.cpp  the worker: starting a job, polling its progress, taking its result
//   GridBindingWrites.cpp  edits, appends and deletes, readying the source for them, refusals
//   GridBindingSums.cpp    the column totals, made on the worker and kept up to date by writes
//   GridBindingImpl.h      what those files share: the worker's state, the polling window
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "binding/TableSource.h"
#include "host/core/ObjectWatch.h"
#include "zelgrid/Zelgrid.h"

// How far a long operation of the binding is (0 to 1) and what it is ("Sorting by Amount"); Text
// is empty once it has ended (done, cancelled or failed), so a status line can clear itself.
using TBindingProgressEvent = std::function<void(double Fraction, const std::string& Text)>;

class TGridBinding {
public:
    static constexpr int PageRows = 64;
    // Enough pages for the tallest window (16,384 pixels) and the pages scrolled past.
    static constexpr int MaxPages = 32;

    // Takes the grid's data events; builds its columns from the source when the shown layout
    // has none. With Prepare the source first readies itself on the worker (its Refresh builds
    // what reading needs, such as an index of keys): the grid shows no rows and the columns are
    // as wide as their captions until it is done.
    TGridBinding(TCustomZelGrid* Grid, TTableSource& Source, bool Prepare = false);
    ~TGridBinding();
    TGridBinding(const TGridBinding&) = delete;
    TGridBinding& operator=(const TGridBinding&) = delete;

    TTableSource& Source() const { return FSource; }
    // Makes the shown layout one column per source column: captions from the names, widths
    // from a sample of the data, numbers right-aligned. A column's Flags holds its source column
    // plus one, so that a layout stored and read back keeps showing the same fields.
    void BuildLayout();
    // The source column shown at data column DataCol of the shown layout, or -1.
    int SourceColumnAt(int DataCol) const;
    // The text of source column Col at Row, through the cache ("" where there is none).
    const std::string& CellText(std::int64_t Row, int Col);
    // Reads again what another program may have changed and shows it.
    void Refresh();
    // Orders by the field at data column DataCol: ascending, or descending when ascending by it
    // already. A click during a running sort cancels it and starts the new one once it stopped
    // (the direction counted from the order the running sort was heading for).
    void SortByColumn(int DataCol);
    // Stops the running operation (the source keeps its order from before) and drops the one
    // waiting after it; Escape on the grid does the same.
    void Cancel();
    // A long operation runs on the worker.
    bool Busy() const { return FWorker.joinable(); }
    // Sent on the GUI thread while an operation runs on the worker, and once more when it ends
    // (a status line that shows a column's total asks for it again then).
    TBindingProgressEvent OnProgress;
    // How long a call waits for its operation before leaving it to the worker.
    static constexpr std::chrono::milliseconds BlockingGrace{50};
    // How long an edit, an append or a delete waits for the source before going on without it.
    static constexpr std::chrono::milliseconds WriteGrace{80};
    // Sets how long the GUI thread waits for a call (a read, an order, a refresh) and for a
    // write before leaving it to the worker. A test or a batch program that wants every call done
    // when it returns, however busy the machine, waits longer.
    // The graces a new binding starts with: BlockingGrace and WriteGrace unless a program sets
    // them before it makes its bindings.
    static inline std::chrono::milliseconds DefaultReadGrace = BlockingGrace;
    static inline std::chrono::milliseconds DefaultWriteGrace = WriteGrace;
    void SetGraces(std::chrono::milliseconds Read, std::chrono::milliseconds Write)
    {
        FReadGrace = Read;
        FWriteGrace = Write;
    }
    // How often the GUI thread looks at the worker's progress.
    static constexpr unsigned PollInterval = 15;
    // Forgets every cached row and summary (after a change the grid did not make through the
    // binding).
    void DropCache();

    // The cache at work, for tests and the status line.
    int PagesRead() const { return FPagesRead; }
    int CachedPages() const { return static_cast<int>(FPages.size()); }
    // Whether the total of the field at data column DataCol is known (OnGetSummary answers 0
    // for one still being added up).
    bool SumKnown(int DataCol) const;
    // The last refusal or error the binding showed, or kept because the grid was painting.
    const std::string& LastError() const { return FLastError; }

private:
    struct TPage {
        std::int64_t Index = -1;
        std::uint64_t LastUse = 0;
        std::vector<TSourceRow> Rows;
    };
    // A column's sum in ten-thousandths, exact whatever the amounts: it saturates only when shown.
    __extension__ typedef __int128 TWideSum;
    struct TSum {
        int Col = -1;
        TWideSum Value = 0;
    };
    // What the worker does: an order by Col, a refresh, a read whose result the GUI thread keeps
    // (the row count, page Page, the sum of column Col), or a write of the user's.
    enum class TJobKind { Order, Refresh, Count, Page, Sum, Update, Insert, Delete };
    struct TJob {
        TJobKind Kind = TJobKind::Order;
        int Col = -1;
        TSortDirection Direction = TSortDirection::None;
        std::int64_t Page = -1;
        // The cache the read is for (ForgetRows and DropCache start another).
        std::uint64_t Generation = 0;
        std::string Text;
        // A write: the record, the new value, and what it replaces when that could be read
        // (Known), for the kept sums.
        std::int64_t Row = -1;
        std::string Value;
        bool Known = false;
        TSourceRow Old;
        // A sum goes on from record From with what the records before it added up to.
        std::int64_t From = 0;
        TWideSum Partial = 0;
        bool Changes() const { return Kind == TJobKind::Order || Kind == TJobKind::Refresh; }
        bool Reads() const { return Kind == TJobKind::Count || Kind == TJobKind::Page || Kind == TJobKind::Sum; }
    };
    enum class TWriteEnd { Stored, Refused, Pending };
    // Where a sum that stepped aside for a read stopped, valid while the rows are those it read.
    struct TSumResume {
        int Col = -1;
        std::int64_t Next = 0;
        TWideSum Partial = 0;
        std::uint64_t RowsGeneration = 0;
    };
    struct TJobState;
    class TPump;

    // Starts Job on the worker and waits up to Grace for it; with none running.
    // A negative Grace is the read grace (SetGraces).
    void StartJob(TJob Job, std::chrono::milliseconds Grace = std::chrono::milliseconds(-1));
    // Runs a write on the worker, waiting up to WriteGrace; how it ended is in FWriteEnd.
    void StartWrite(TJob Job);
    // A write has ended: keeps the cache and the sums right and shows a refusal; false when a
    // handler freed the binding meanwhile.
    bool FinishWrite(const TJob& Job, TJobState& State, bool Inline);
    // Takes the worker's progress and end on the GUI thread (from the pump's timer, or at once
    // when the job ended within the grace).
    void Poll();
    // The job has ended: joins the worker and shows its result. Inline: it ended within the grace
    // of a call that takes the result itself, maybe from inside a grid's event, so a read tells
    // the grid nothing, and the end of its progress and the job waiting after it are left to the
    // next turn of the pump.
    void FinishJob(bool Inline = false);
    // Starts the job waiting after the one that ended.
    void StartPending();
    // Stops a running sum between two of its reads, waiting up to the grace, so that a page the
    // view needs is read first; the sum goes on from there when next asked for.
    void YieldSum();
    // Readies the source for a write: a read running is waited for up to the grace, a sum is
    // stopped first (and made again after the write). False when an order or a refresh runs or
    // the read goes on, and when a handler freed the binding meanwhile.
    bool Settle();
    // Reads the columns and writability again (on the GUI thread, with no job running).
    void ReadFields();
    // Refuses what the user asked while the worker runs; false when the grid was freed meanwhile.
    bool RefuseBusy();

    void Attach();
    // Column widths from the captions and the first page of rows.
    std::vector<int> MeasureWidths();
    // Widens the columns built while the worker had the source, but those resized meanwhile.
    void WidenFromData();
    // Forgets the cached rows and the row count; the sums stay, kept up to date by the writes.
    void ForgetRows();
    // Forgets the kept sum of source column Col (every sum for -1): it is made again when asked.
    void ForgetSum(int Col);
    void KeepPage(std::int64_t Index, std::vector<TSourceRow>&& Rows);
    // Takes what a read brought; false when the cache it was for is gone.
    bool KeepRead(const TJob& Job, TJobState& State);
    // Starts a read on the worker when none runs; false while another job has the source.
    bool StartRead(TJob Job, std::chrono::milliseconds Grace = std::chrono::milliseconds(-1));
    std::int64_t RowCount();
    const TSourceRow* RowAt(std::int64_t Row);
    void ValidateData(int ACol, int ARow, const std::string& NewVal, bool& ACancel);
    void AppendRecord();
    void DeleteRecord(int ARow);
    Currency Summary(int DataCol);
    // The kept sum of source column Field, or nullptr while it is not known.
    const TSum* KeptSum(int Field) const;
    // Shows a source's refusal; false when the grid was freed meanwhile.
    bool Refused(const std::string& Reason);
    // Changes a kept sum by the value a write removed and the one it stored.
    void AdjustSums(int Col, const std::string& Removed, const std::string& Added);
    void AdjustSums(const TSourceRow& Removed);

    TCustomZelGrid* FGrid;
    std::chrono::milliseconds FReadGrace = DefaultReadGrace;
    std::chrono::milliseconds FWriteGrace = DefaultWriteGrace;
    TObjectWatch FGridAlive;
    TTableSource& FSource;
    // The source's columns and writability, kept so that painting never asks a busy source.
    std::vector<TSourceColumn> FFields;
    bool FWritable = false;
    int FOrderCol = -1;
    TSortDirection FOrderDirection = TSortDirection::None;
    TKeyEvent FChainedKeyDown;
    // Expires with the binding, for code that calls out and comes back.
    std::shared_ptr<bool> FLife = std::make_shared<bool>(true);
    // The worker and what it shares with the GUI thread; the job it runs and the one after it.
    std::thread FWorker;
    std::shared_ptr<TJobState> FState;
    TJob FJob;
    std::optional<TJob> FPending;
    std::unique_ptr<TPump> FPump;
    // The running job was left to the worker, so OnProgress hears of its end.
    bool FJobShown = false;
    // The user stopped a sum: sums are not made again until the cache is dropped.
    bool FSumsStopped = false;
    std::optional<TSumResume> FSumResume;
    // A job told of its progress ended inside a grid's event: the pump tells its end.
    bool FEndOwed = false;
    // A row was asked for while the worker had the source: the grid is painted again after it.
    bool FMissedRows = false;
    std::uint64_t FRowsGeneration = 0;
    // How the last write ended, and the position of the record it appended.
    TWriteEnd FWriteEnd = TWriteEnd::Stored;
    std::int64_t FWrittenRow = -1;
    std::uint64_t FSumsGeneration = 0;
    // The widths BuildLayout gave while the worker had the source.
    std::vector<int> FCaptionWidths;
    // The row count the grid was last told, shown while the worker runs.
    std::int64_t FShownRowCount = 0;
    std::vector<TPage> FPages;
    std::uint64_t FUseClock = 0;
    int FPagesRead = 0;
    std::int64_t FRowCount = -1; // -1: ask the source
    std::vector<TSum> FSums;
    std::string FLastError;
};
