#pragma once
// The demo's main form: a TZelGrid over a table source with a status line under it. A binding
// answers the grid's data events from the source (edits, appends, deletes, the amount total, and
// sorting by the column whose title is clicked); the form switches the layouts "Overview" and
// "Details" with F6, copies and pastes cells through the clipboard and reads the source again
// with F5. Escape leaves a cell without storing what was typed, or stops a long operation (its
// progress shows in the status line), and a record appended but left empty is dropped when the
// user moves away. Over a source that keeps its changes in memory (a CSV file, generated orders)
// and with a changes file, it saves them there before it closes; when that fails it stays open
// and Ctrl+S saves them to another file.
#include <cstdint>
#include <string>
#include <string_view>

#include "binding/ChangeLog.h"
#include "binding/GridBinding.h"
#include "host/controls/Forms.h"
#include "zelgrid/Zelgrid.h"

// One line of text drawn from the form's state at each paint.
class TDemoStatusLine : public TCustomControl {
public:
    explicit TDemoStatusLine(TComponent* AOwner);
    std::function<std::string()> OnGetText;

protected:
    void Paint() override;
};

class TDemoForm : public TForm {
public:
    // The source must outlive the form. With Prepare the source readies itself first on the
    // binding's worker (makes the orders database, builds its index of keys), with progress.
    TDemoForm(TComponent* AOwner, TTableSource& Source, bool Prepare = false);
    ~TDemoForm() override;

    TZelGrid* Grid() const { return FGrid; }
    TGridBinding& Binding() const { return *FBinding; }
    TDemoStatusLine* StatusLine() const { return FStatus; }
    static constexpr const char* LayoutNames[2] = {"Overview", "Details"};
    // The status line's text: current record, layout name, amount total, the source and the
    // progress of a long operation.
    std::string StatusText() const;
    // Shows the other layout.
    void SwitchLayout();
    // Sorts the records by the field shown at data column DataCol: ascending, or descending when
    // they are sorted ascending by it already (on the worker when it takes long).
    void SortByColumn(int DataCol);
    // Reads the source again (F5): another program's changes show.
    void Refresh();
    // The field the records are sorted by (-1: as loaded) and the direction.
    int SortField() const { return FSource.OrderColumn(); }
    bool SortDescending() const { return FSource.OrderDirection() == TSortDirection::Descending; }
    // The text a cell shows: amounts in their column's format.
    std::string ShownCell(int ACol, int ARow) const;

    // The grid's published properties (its layouts with their columns, the shown layout, ...)
    // as a text form file.
    std::string LayoutForm() const;
    // Reads a form file written by LayoutForm into the grid. EReadError, with the grid as it
    // was, for a damaged file, one that holds components, or one whose layouts show columns this
    // table does not have.
    void RestoreLayouts(std::string_view Form);

    // Where the source's changes are saved when the form closes (empty: nowhere); only a source
    // that keeps its changes in memory has any.
    const std::string& ChangesFile() const { return FChangesFile; }
    void SetChangesFile(std::string Path) { FChangesFile = std::move(Path); }
    // Writes the changes to ChangesFile; returns why that failed (the old file is left whole),
    // or an empty string.
    std::string SaveChanges();
    // A changes file is named, the user did not give the changes up, and the table changed since
    // they were last saved there (or they never were).
    bool ChangesUnsaved() const;
    // Ctrl+S: asks for a file and saves the changes there; it becomes the changes file.
    void SaveChangesAs();

private:
    void BuildLayouts();
    // EReadError unless Grid holds two layouts of columns of this table.
    void CheckLayouts(TZelGrid& Grid) const;
    // The table column shown at data column ACol of the current layout, or -1.
    int FieldAt(int ACol) const;
    // Stores Value or says why not in a message box; false when refused (or the grid was freed).
    bool StoreCell(int ACol, int ARow, const std::string& Value);
    void ChooseCustomer();
    // The field of source column Field is one the orders table's looks name ("Amount", ...).
    bool IsField(int Field, const char* Name) const;
    // The text the source holds at ARow, field Field ("" for none).
    const std::string& FieldText(int Field, int ARow) const;
    // A long operation moved on (Text empty: it ended).
    void ShowProgress(double Fraction, const std::string& Text);
    void GridKeyDown(WORD& Key, TShiftState Shift);
    // Leaves the cell being edited without storing its text.
    void DiscardEdit();
    // OnMoveToRow: a record appended and left empty is dropped when the move leaves it.
    void LeaveRow(int ARow);
    // Deletes the record appended and left empty, if there is one.
    void DropBlankRow();
    void AppendRecord();
    // Stores Value through the binding as an edit would (a refusal shows in a message box).
    bool StoreText(int ACol, int ARow, const std::string& Value);
    // Marks the sorted field's titles with an arrow in every layout (Shown false: no arrows).
    void ShowSortArrows(bool Shown = true) const;
    // Rows as tall as the lines that the shown layout's word-wrapped columns show.
    void FitRowHeight();
    int WrappedRowHeight() const;
    // OnCloseQuery: saves the changes; when that fails, says why and keeps the form open unless
    // the user gives them up.
    bool SaveBeforeClosing();
    // Runs a grid event's work; an error it raises (no memory left, a table at its limit) is
    // shown in a message box instead of leaving the event. False when it raised one.
    template <class TWork>
    bool Guarded(TWork&& Work);

    TTableSource& FSource;
    TChangeLog* FChanges = nullptr;  // the source's, when it keeps its changes in memory
    TZelGrid* FGrid = nullptr;
    std::unique_ptr<TGridBinding> FBinding;
    // The binding's answers, which the form's own handlers call.
    TValidateDataEvent FStoreEdit;
    TAppendRecordEvent FAppendRecord;
    TDeleteRecordEvent FDeleteRecord;
    // The record appended and not edited yet (its row), dropped when the user moves away.
    int FBlankRow = -1;
    std::string FProgress;          // the running operation and how far it is
    TDemoStatusLine* FStatus = nullptr;
    std::string FChangesFile;
    bool FChangesSaved = false;     // saved to FChangesFile at FSavedRevision
    bool FChangesGivenUp = false;   // the user chose to close without them
    std::uint64_t FSavedRevision = 0;
    bool FDiscarding = false;       // the commit under way is Escape's: refused
    int FPlainRowHeight = 0;        // the row height of a layout without word wrap
    int FAmountField = -1;          // the source column named Amount, whose cells show formatted
};
