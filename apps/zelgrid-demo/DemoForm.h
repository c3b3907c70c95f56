#pragma once
// The demo's main form: a TZelGrid over a TDemoTable with a status line under it. The form
// answers the grid's events from the table, stores edits through OnValidateData, switches the
// layouts "Overview" and "Details" with F6 and copies and pastes cells through the clipboard.
#include <string>
#include <string_view>

#include "apps/zelgrid-demo/DemoTable.h"
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
    // The table must outlive the form.
    TDemoForm(TComponent* AOwner, TDemoTable& Table);

    TZelGrid* Grid() const { return FGrid; }
    TDemoStatusLine* StatusLine() const { return FStatus; }
    static constexpr const char* LayoutNames[2] = {"Overview", "Details"};
    // The status line's text: current record, layout name, amount total.
    std::string StatusText() const;
    // Shows the other layout.
    void SwitchLayout();

    // The grid's published properties (its layouts with their columns, the shown layout, ...)
    // as a text form file.
    std::string LayoutForm() const;
    // Reads a form file written by LayoutForm into the grid. EReadError, with the grid as it
    // was, for a damaged file or one whose layouts show columns this table does not have.
    void RestoreLayouts(std::string_view Form);

private:
    void BuildLayouts();
    // EReadError unless Grid holds two layouts of columns of this table.
    void CheckLayouts(TZelGrid& Grid) const;
    // The table column shown at data column ACol of the current layout, or -1.
    int FieldAt(int ACol) const;
    // Stores Value or says why not in a message box; false when refused (or the grid was freed).
    bool StoreCell(int ACol, int ARow, const std::string& Value);
    void ChooseCustomer();
    void GridKeyDown(WORD& Key, TShiftState Shift);

    TDemoTable& FTable;
    TZelGrid* FGrid = nullptr;
    TDemoStatusLine* FStatus = nullptr;
};
