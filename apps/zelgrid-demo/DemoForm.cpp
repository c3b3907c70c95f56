#include "apps/zelgrid-demo/DemoForm.h"

#include <cctype>
#include <climits>

#include "apps/zelgrid-demo/DemoFormat.h"
#include "apps/zelgrid-demo/OrdersDatabase.h"
#include "apps/zelgrid-demo/ReplaceFile.h"
#include "binding/SourceValues.h"
#include "host/controls/Dialogs.h"
#include "host/controls/ListBox.h"
#include "host/controls/Memo.h"
#include "host/controls/StdCtrls.h"
#include "host/core/Exceptions.h"
#include "host/core/TextCompare.h"
#include "host/core/ObjectWatch.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "host/windows/Input.h"

namespace {

std::string FormatTotal(Currency c) { return FormatDemoAmount(c, "#,##0.00"); }

// A total past what a Currency holds stays at the end it passed.
bool SaturatedSummary(Currency c) { return c.Value == INT64_MAX || c.Value == INT64_MIN; }

// A reason ("cannot save ...") as the sentence that opens a message box.
std::string Sentence(std::string Text)
{
    if (!Text.empty()) Text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(Text[0])));
    return Text;
}

struct TFieldLook {
    const char* Name;
    int Width;
    TZelColumnType Type;
};

// How each generated field is shown; fields of a CSV file not named here are plain text.
const TFieldLook FieldLooks[] = {
    {"Number", 70, tctInteger},  {"Date", 90, tctText},  {"Customer", 150, tctText}, {"Amount", 90, tctCurrency},
    {"Status", 90, tctText},     {"Paid", 50, tctLogic}, {"Tags", 120, tctCheckList}, {"Note", 260, tctText},
};

// How an amount column shows its values when its format is not set (a layout file written
// before amounts had one).
const char* const AmountFormat = "0.00";
const char* const SortArrows[2] = {" \xE2\x96\xB2", " \xE2\x96\xBC"}; // " ▲", " ▼"

const char* const CustomerChoices[] = {"Abernathy Ltd", "Brightwater & Sons", "Cobalt Works", "Dunmore Trading",
                                       "Eastgate Foods", "Fairfield, Inc.", "Greystone Mills", "Harbour Lights",
                                       "Ivy Lane Books", "Juniper Garden"};

} // namespace

TDemoStatusLine::TDemoStatusLine(TComponent* AOwner) : TCustomControl(AOwner) {}

void TDemoStatusLine::Paint()
{
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(ClientRect());
    const std::string text = OnGetText ? OnGetText() : std::string();
    canvas->TextOut(6, (ClientHeight() - canvas->TextHeight("Ag")) / 2, text);
}

TDemoForm::TDemoForm(TComponent* AOwner, TTableSource& Source, bool Prepare)
    : TForm(AOwner), FSource(Source), FChanges(dynamic_cast<TChangeLog*>(&Source))
{
    SetCaption("ZelGrid demo: " + Source.Description());
    SetBounds(60, 60, 720, 520);

    FStatus = new TDemoStatusLine(this);
    FStatus->SetAlign(alBottom);
    FStatus->SetHeight(22);
    FStatus->OnGetText = [this] { return StatusText(); };
    FStatus->SetParent(this);

    FGrid = new TZelGrid(this);
    FGrid->SetName("Grid");
    FGrid->SetAlign(alClient);
    FGrid->OnKeyDown = [this](TObject*, WORD& Key, TShiftState Shift) { GridKeyDown(Key, Shift); };
    // The binding answers the data events; it chains the key handler for Escape.
    FBinding = std::make_unique<TGridBinding>(FGrid, FSource, Prepare);
    FBinding->OnProgress = [this](double Fraction, const std::string& Text) { ShowProgress(Fraction, Text); };
    FStoreEdit = FGrid->OnValidateData;
    FAppendRecord = FGrid->OnAppendRecord;
    FDeleteRecord = FGrid->OnDeleteRecord;
    FGrid->OnGetDataCell = [this](int ACol, int ARow, std::string& AValue) { AValue = ShownCell(ACol, ARow); };
    FGrid->OnValidateData = [this](int ACol, int ARow, const std::string& NewVal, bool& ACancel) {
        if (FDiscarding) {
            ACancel = true;
            return;
        }
        const int field = FieldAt(ACol);
        if (FieldText(field, ARow) == NewVal || ShownCell(ACol, ARow) == NewVal) return;
        TObjectWatch alive(FGrid);
        FStoreEdit(ACol, ARow, NewVal, ACancel);
        if (!alive) return;
        if (!ACancel && ARow == FBlankRow) FBlankRow = -1;
        FStatus->Invalidate();
    };
    FGrid->OnMoveToRow = [this](int ARow) { LeaveRow(ARow); };
    FGrid->OnLayoutChange = [this](int, int) {
        FitRowHeight();
        FStatus->Invalidate();
    };
    FGrid->OnColSized = [this](int) { FitRowHeight(); };
    FGrid->OnAppendRecord = [this](TObject*) { AppendRecord(); };
    FGrid->OnTitleClick = [this](TObject*, int DataCol, TZelColumn*) { SortByColumn(DataCol); };
    FGrid->OnDeleteRecord = [this](int ARow) {
        TObjectWatch alive(FStatus);
        FDeleteRecord(ARow);
        if (!alive) return;
        if (ARow == FBlankRow) FBlankRow = -1;
        else if (ARow < FBlankRow) --FBlankRow;
        FStatus->Invalidate();
    };
    FGrid->OnCopyCell = [this](int ACol, int ARow) { SetClipboardText(FieldText(FieldAt(ACol), ARow)); };
    FGrid->OnPasteCell = [this](int ACol, int ARow) {
        TObjectWatch alive(FGrid);
        if (StoreText(ACol, ARow, GetClipboardText()) && alive) FGrid->InvalidateEditor();
    };
    FGrid->OnEditButtonClick = [this](TObject*) { ChooseCustomer(); };
    BuildLayouts();
    FPlainRowHeight = FGrid->DefaultRowHeight();
    FGrid->SetParent(this);
    SetActiveControl(FGrid);
    OnCloseQuery = [this](TObject*, bool& CanClose) { CanClose = SaveBeforeClosing(); };
}

// The binding goes first: it gives the grid's handlers back while the grid is still there.
TDemoForm::~TDemoForm() { FBinding.reset(); }

bool TDemoForm::StoreText(int ACol, int ARow, const std::string& Value)
{
    bool cancel = false;
    FGrid->OnValidateData(ACol, ARow, Value, cancel);
    return !cancel;
}

template <class TWork>
bool TDemoForm::Guarded(TWork&& Work)
{
    try {
        Work();
        return true;
    } catch (const std::exception& E) {
        MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK}, 0);
        return false;
    }
}

namespace {

// The most columns a layout of another table shows, so that a file of thousands of columns
// stays quick to lay out.
constexpr int MaxShownColumns = 127;

} // namespace

bool TDemoForm::IsField(int Field, const char* Name) const
{
    const std::vector<TSourceColumn>& fields = FSource.Columns();
    return Field >= 0 && Field < static_cast<int>(fields.size()) && SameText(fields[static_cast<std::size_t>(Field)].Name, Name);
}

const std::string& TDemoForm::FieldText(int Field, int ARow) const { return FBinding->CellText(ARow, Field); }

void TDemoForm::BuildLayouts()
{
    // Overview: the short fields; Details: number, customer and the long ones, word-wrapped.
    const std::vector<std::string> layouts[2] = {
        {"Number", "Date", "Customer", "Amount", "Status", "Paid", "Tags"},
        {"Number", "Customer", "Tags", "Note", "Amount"},
    };
    const std::vector<TSourceColumn>& sourceFields = FSource.Columns();
    const auto find = [&](const std::string& Name) {
        for (std::size_t f = 0; f < sourceFields.size(); ++f)
            if (SameText(sourceFields[f].Name, Name.c_str())) return static_cast<int>(f);
        return -1;
    };
    const bool orders = find("Note") >= 0 && find("Tags") >= 0;
    FAmountField = find("Amount");

    for (int index = 0; index < 2; ++index) {
        FGrid->SetLayoutIndex(index);
        TLayoutGuard guard(FGrid);
        // Another table's columns come as the binding makes them: widths from the data, numbers
        // right-aligned.
        FBinding->BuildLayout();
        TZelGridColumns* columns = FGrid->Columns();
        while (columns->Count() > MaxShownColumns) columns->Delete(columns->Count() - 1);
        if (orders) {
            columns->Clear();
            for (const std::string& name : layouts[index]) {
                if (find(name) < 0) continue;
                TZelColumn* column = columns->Add();
                column->SetFlags(find(name) + 1);
                column->Title()->SetCaption(sourceFields[static_cast<std::size_t>(find(name))].Name);
            }
        }
        for (int c = 0; c < columns->Count(); ++c) {
            TZelColumn* column = columns->GeTZelColumn(c);
            const int field = column->Flags() - 1;
            const TSourceColumn& source = sourceFields[static_cast<std::size_t>(field)];
            if (index == 1 && !orders) column->SetWidth(std::max(column->GetWidth(), 140));
            for (const TFieldLook& look : FieldLooks) {
                if (!IsField(field, look.Name) || !orders) continue;
                column->SetWidth(look.Width);
                column->aType = look.Type;
            }
            if (IsField(field, "Number") && source.Kind == TSourceColumnKind::Integer) {
                column->SetReadOnly(true);
                column->SetAlignment(taRightJustify);
            }
            if (IsField(field, "Amount") && source.Kind != TSourceColumnKind::Text) {
                column->SetFormat(AmountFormat);
                column->SetAlignment(taRightJustify);
                column->Title()->SetAlignment(taRightJustify);
                column->ColumnSumEnable = true;
            }
            if (orders) {
                const std::string& name = source.Name;
                if (SameText(name, "Customer")) column->SetButtonStyle(cbsEllipsis);
                if (SameText(name, "Status")) column->GetPickList()->SetText("New\nConfirmed\nShipped\nDelivered\nCancelled");
                if (SameText(name, "Paid")) column->GetPickList()->SetText("Yes\nNo");
                if (SameText(name, "Tags")) column->GetPickList()->SetText("urgent\ngift\nexport\nfragile");
            }
            if (index == 1 && source.Kind == TSourceColumnKind::Text) column->SetWordWrap(true);
        }
    }
    FGrid->SetDefRowHeight(0);
    FGrid->SetLayoutIndex(0);
}

int TDemoForm::FieldAt(int ACol) const { return FBinding->SourceColumnAt(ACol); }

std::string TDemoForm::ShownCell(int ACol, int ARow) const
{
    const int field = FieldAt(ACol);
    const std::string& text = FieldText(field, ARow);
    Currency amount;
    if (field < 0 || field != FAmountField || !ParseSourceCurrency(text, amount)) return text;
    const std::string& format = FGrid->Columns()->GeTZelColumn(ACol)->Format();
    return FormatDemoAmount(amount, format.empty() ? AmountFormat : format);
}

std::string TDemoForm::StatusText() const
{
    // A long operation's progress first, where the eye finds it and no width cuts it off.
    std::string text = FProgress.empty() ? std::string() : FProgress + "   |   ";
    int records = 0;
    FGrid->OnGetRowCount(records);
    const int row = FGrid->Row() - FGrid->TitleRows();
    text += records == 0 ? std::string("No records")
                         : "Record " + GroupDigits(std::to_string(row + 1)) + " of " + GroupDigits(std::to_string(records));
    const int layout = FGrid->LayoutIndex();
    text += "   |   Layout: " + std::string(layout >= 0 && layout < 2 ? LayoutNames[layout] : "?") + " (F6)";
    // The total comes from the grid's summary of the shown amount column.
    if (TZelGridColumns* columns = FGrid->Columns()) {
        for (int c = 0; c < columns->Count(); ++c) {
            TZelColumn* column = columns->GeTZelColumn(c);
            if (!column->ColumnSumEnable) continue;
            text += "   |   Total amount: ";
            // Past what a Currency holds the summary saturates: no number is shown then.
            const Currency total = column->GetSummary();
            text += !FBinding->SumKnown(c)      ? std::string("being added up")
                    : SaturatedSummary(total) ? std::string("out of range")
                                              : FormatTotal(total);
            break;
        }
    }
    if (!FChangesFile.empty() && FChangesSaved && !ChangesUnsaved()) text += "   |   Changes saved";
    // Edits to a read-only source are refused with its message when they are committed.
    return text + "   |   " + FSource.Description() + (FSource.Writable() ? "" : " (read-only)");
}

void TDemoForm::SwitchLayout()
{
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive) return;
    FGrid->SetLayoutIndex(FGrid->LayoutIndex() == 0 ? 1 : 0);
    if (alive) FStatus->Invalidate();
}

std::string TDemoForm::LayoutForm() const
{
    RegisterZelGridProperties();
    // The sort arrows belong to this run, not to the captions the file keeps.
    struct TArrowsHidden {
        const TDemoForm& Form;
        explicit TArrowsHidden(const TDemoForm& AForm) : Form(AForm) { Form.ShowSortArrows(false); }
        ~TArrowsHidden() { Form.ShowSortArrows(); }
    } hidden(*this);
    return ObjectBinaryToText(WriteForm(FGrid));
}

void TDemoForm::RestoreLayouts(std::string_view Form)
{
    RegisterZelGridProperties();
    // A grid of its own reads the file first, so that a file that fails to read or does not fit
    // this table never touches the shown grid.
    {
        TZelGrid trial(nullptr);
        ReadForm(Form, &trial);
        CheckLayouts(trial);
    }
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive) return;
    ReadForm(Form, FGrid);
    // Where the grid sits is the form's business, whatever the file says.
    FGrid->SetAlign(alClient);
    FGrid->SetVisible(true);
    FGrid->SetEnabled(true);
    ShowSortArrows();
    FitRowHeight();
    FStatus->Invalidate();
}

void TDemoForm::CheckLayouts(TZelGrid& Grid) const
{
    // Components inside the grid (another grid, a form) are no layouts: the demo's file holds
    // the grid's own properties only.
    if (Grid.ComponentCount() > 0) {
        const TComponent* inner = Grid.Components(0);
        const std::string what = inner->Name().empty() ? "an unnamed " + inner->ClassName() : inner->Name() + ": " + inner->ClassName();
        throw EReadError("the file holds a component (" + what + ") inside the grid; a layout file holds none");
    }
    const int layouts = Grid.Layout()->Count();
    if (layouts != 2) throw EReadError("the file holds " + std::to_string(layouts) + " layouts, the demo shows two");
    for (int index = 0; index < layouts; ++index) {
        TZelGridColumns* columns = Grid.Layout()->GetItem(index)->GeTZelColumns();
        for (int c = 0; c < columns->Count(); ++c) {
            TZelColumn* column = columns->GeTZelColumn(c);
            // A file written before the columns kept their field in Flags has it in Tag.
            const int field = column->Flags() > 0 ? column->Flags() - 1 : column->Tag;
            const std::string caption = column->Title()->GetCaption();
            // The caption names the field the column shows, as BuildLayouts made it.
            const std::vector<TSourceColumn>& fields = FSource.Columns();
            if (field >= 0 && field < static_cast<int>(fields.size()) && fields[static_cast<std::size_t>(field)].Name == caption) {
                column->SetFlags(field + 1);
                continue;
            }
            throw EReadError("column \"" + caption + "\" of the layout \"" + LayoutNames[index] +
                             "\" is no column of this table");
        }
    }
}

void TDemoForm::ChooseCustomer()
{
    const int field = FieldAt(FGrid->RawToDataColumn(FGrid->Col()));
    const int row = FGrid->Row() - FGrid->TitleRows();
    const std::string current = FieldText(field, row);
    TForm dialog(nullptr);
    dialog.SetCaption("Choose a customer");
    dialog.SetBounds(Left() + 120, Top() + 80, 260, 250);
    // A list shows names as they are ("Brightwater & Sons"); Enter or a double click chooses.
    auto* list = new TListBox(&dialog);
    list->SetBounds(10, 10, 230, 160);
    for (const char* name : CustomerChoices) {
        list->Items()->Add(name);
        if (current == name) list->SetItemIndex(list->Count() - 1);
    }
    if (list->ItemIndex() < 0) list->SetItemIndex(0);
    list->OnDblClick = [&dialog](TObject*) { dialog.SetModalResult(mrOk); };
    list->SetParent(&dialog);
    const auto addButton = [&dialog](const char* Caption, int Left, TModalResult Result) {
        auto* button = new TButton(&dialog);
        button->SetCaption(Caption);
        button->SetBounds(Left, 180, 80, 26);
        button->SetModalResult(Result);
        button->SetParent(&dialog);
        return button;
    };
    addButton("OK", 70, mrOk)->SetDefault(true);
    addButton("Cancel", 160, mrCancel)->SetCancel(true);
    dialog.SetActiveControl(list);
    TObjectWatch alive(FGrid);
    if (dialog.ShowModal() != mrOk || !alive || field < 0 || list->ItemIndex() < 0) return;
    const std::string chosen = list->Items()->Strings(list->ItemIndex());
    if (StoreText(FGrid->RawToDataColumn(FGrid->Col()), row, chosen) && alive) FGrid->InvalidateEditor();
}

void TDemoForm::GridKeyDown(WORD& Key, TShiftState Shift)
{
    const int col = FGrid->RawToDataColumn(FGrid->Col());
    const int row = FGrid->Row() - FGrid->TitleRows();
    if (Key == VK_ESCAPE && Shift.Empty()) {
        // The grid's own Escape follows and finds nothing left to commit.
        DiscardEdit();
    } else if (Key == VK_F5 && Shift.Empty()) {
        Key = 0;
        Refresh();
    } else if (Key == VK_F6 && Shift.Empty()) {
        Key = 0;
        SwitchLayout();
    } else if (Shift == TShiftState{ssCtrl} && Key == 'Q') {
        Key = 0;
        Close();
    } else if (Shift == TShiftState{ssCtrl} && Key == 'S') {
        Key = 0;
        SaveChangesAs();
    } else if (Shift == TShiftState{ssCtrl} && (Key == 'C' || Key == 'V')) {
        const WORD key = Key;
        Key = 0;
        if (key == 'C') FGrid->CopyCell(col, row);
        else FGrid->PasteCell(col, row);
    }
}

std::string TDemoForm::SaveChanges()
{
    if (const std::string problem = ReplaceDestinationProblem(FChangesFile); !problem.empty())
        return "cannot save the changes to " + FChangesFile + ": " + problem;
    if (!FChanges) return {};
    if (const std::string problem = ReplaceFileContents(FChangesFile, FChanges->ChangesCsv()); !problem.empty())
        return "cannot save the changes to " + FChangesFile + ": " + problem;
    FChangesSaved = true;
    FChangesGivenUp = false;
    FSavedRevision = FChanges->Revision();
    FStatus->Invalidate();
    return {};
}

bool TDemoForm::ChangesUnsaved() const
{
    return FChanges && !FChangesFile.empty() && !FChangesGivenUp && (!FChangesSaved || FSavedRevision != FChanges->Revision());
}

bool TDemoForm::SaveBeforeClosing()
{
    // What is still typed in the cell editor is one of the changes.
    TObjectWatch alive(this);
    FGrid->HideEditor();
    if (!alive) return false;
    // A record appended and left empty is not kept when the window closes either.
    DropBlankRow();
    if (!alive) return false;
    if (!ChangesUnsaved()) return true;
    const std::string problem = SaveChanges();
    if (problem.empty()) return true;
    const TModalResult answer =
        MessageDlg(Sentence(problem) + ".\n\nOK keeps the window open: Ctrl+S saves the changes to another file. "
                             "Ignore closes it and loses them.",
                   mtError, TMsgDlgButtons{mbOK, mbIgnore}, 0);
    if (!alive || answer != mrIgnore) return false;
    FChangesGivenUp = true;
    return true;
}

namespace {

// Asks for the file the changes go to, offering Path; false when the user cancels.
bool AskChangesFile(TCustomForm& Owner, std::string& Path)
{
    TForm dialog(nullptr);
    dialog.SetCaption("Save changes as");
    dialog.SetFormBorderStyle(bsDialog);
    dialog.SetBounds(Owner.Left() + 60, Owner.Top() + 80, 440, 130);
    auto* label = new TLabel(&dialog);
    label->SetCaption("Save the changed, appended and deleted records as CSV to:");
    label->SetBounds(10, 10, 410, 16);
    label->SetParent(&dialog);
    auto* name = new TMemo(&dialog);
    name->SetName("FileName");
    name->SetWantReturns(false);
    name->SetText(Path);
    name->SetBounds(10, 32, 410, 24);
    name->SetParent(&dialog);
    auto* ok = new TButton(&dialog);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    ok->SetBounds(264, 68, 75, 25);
    ok->SetParent(&dialog);
    auto* cancel = new TButton(&dialog);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    cancel->SetBounds(345, 68, 75, 25);
    cancel->SetParent(&dialog);
    dialog.SetActiveControl(name);
    if (dialog.ShowModal() != mrOk) return false;
    std::string typed = name->Lines()->Count() > 0 ? name->Lines()->Strings(0) : std::string();
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\r')) typed.pop_back();
    if (typed.empty()) return false;
    Path = typed;
    return true;
}

} // namespace

void TDemoForm::SaveChangesAs()
{
    // A value still being typed is part of what is saved.
    TObjectWatch alive(this);
    FGrid->HideEditor();
    if (!alive) return;
    std::string path = FChangesFile;
    if (!AskChangesFile(*this, path) || !alive) return;
    const std::string old = FChangesFile;
    const bool oldSaved = FChangesSaved;
    FChangesFile = path;
    FChangesSaved = false;
    const std::string problem = SaveChanges();
    if (problem.empty()) return;
    FChangesFile = old;
    FChangesSaved = oldSaved;
    MessageDlg(Sentence(problem) + ".", mtError, TMsgDlgButtons{mbOK}, 0);
}

void TDemoForm::DiscardEdit()
{
    if (!FGrid->EditorActive()) return;
    // Hiding the editor commits its text; OnValidateData refuses it while FDiscarding is set.
    TObjectWatch alive(this);
    FDiscarding = true;
    try {
        FGrid->HideEditor();
    } catch (...) {
        if (alive) FDiscarding = false;
        throw;
    }
    if (alive) FDiscarding = false;
}

void TDemoForm::DropBlankRow()
{
    if (FBlankRow < 0) return;
    const int row = FBlankRow;
    FBlankRow = -1;
    TObjectWatch alive(FGrid);
    FDeleteRecord(row);
    if (alive) FGrid->UpdateRowCount();
}

void TDemoForm::LeaveRow(int ARow)
{
    if (FBlankRow >= 0 && ARow != FBlankRow + FGrid->TitleRows()) {
        TObjectWatch alive(FGrid);
        DropBlankRow();
        if (!alive) return;
    }
    FStatus->Invalidate();
}

void TDemoForm::AppendRecord()
{
    // What is typed into the last record counts before deciding whether it is still empty.
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive) return;
    // Down on a record appended and left empty does not append another.
    if (FBlankRow >= 0) return;
    const int before = FGrid->RowCount();
    FAppendRecord(this);
    if (!alive) return;
    if (FGrid->RowCount() > before) FBlankRow = FGrid->Row() - FGrid->TitleRows();
    FStatus->Invalidate();
}

void TDemoForm::SortByColumn(int DataCol)
{
    // The rows change places: an appended record left empty goes first.
    TObjectWatch alive(FGrid);
    DropBlankRow();
    if (alive) FBinding->SortByColumn(DataCol);
    if (alive) ShowSortArrows();
}

void TDemoForm::Refresh()
{
    TObjectWatch alive(FGrid);
    DropBlankRow();
    if (alive) FBinding->Refresh();
}

void TDemoForm::ShowProgress(double Fraction, const std::string& Text)
{
    if (Text.empty()) {
        // An operation that ended without its change (stopped with Escape) says so until the next.
        const std::string& last = FBinding->LastError();
        FProgress = Fraction < 1 && last.rfind("Cancelled", 0) == 0 ? last : std::string();
        ShowSortArrows();
        FitRowHeight();
    } else {
        const auto* orders = dynamic_cast<const TDemoOrdersSource*>(&FSource);
        const std::string what = orders && !orders->Created() ? "Making the orders database" : Text;
        FProgress = what + ": " + std::to_string(static_cast<int>(Fraction * 100)) + "% (Escape stops it)";
    }
    FStatus->Invalidate();
}

void TDemoForm::ShowSortArrows(bool Shown) const
{
    TZelColLayout* layouts = FGrid->Layout();
    for (int index = 0; index < layouts->Count(); ++index) {
        TZelGridColumns* columns = layouts->GetItem(index)->GeTZelColumns();
        for (int c = 0; c < columns->Count(); ++c) {
            TZelColumnTitle* title = columns->GeTZelColumn(c)->Title();
            const int field = columns->GeTZelColumn(c)->Flags() - 1;
            const std::vector<TSourceColumn>& fields = FSource.Columns();
            if (field < 0 || field >= static_cast<int>(fields.size())) continue;
            std::string caption = fields[static_cast<std::size_t>(field)].Name;
            if (Shown && field == SortField() && FSource.OrderDirection() != TSortDirection::None)
                caption += SortArrows[SortDescending()];
            if (title->GetCaption() != caption) title->SetCaption(caption);
        }
    }
}

int TDemoForm::WrappedRowHeight() const
{
    TZelGridColumns* columns = FGrid->Columns();
    if (!columns) return 0;
    TBitmap measure;
    TCanvas& canvas = *measure.Canvas();
    // Enough records to meet every kind of text a large table holds, spread over all of it.
    // The first rows, which the cache holds anyway: reading rows all over a database costs a
    // query each.
    const int samples = std::min(FGrid->RowCount() - FGrid->TitleRows(), 4 * TGridBinding::PageRows);
    constexpr int MaxLines = 5;
    int height = 0;
    for (int c = 0; c < columns->Count(); ++c) {
        TZelColumn* column = columns->GeTZelColumn(c);
        // The text is written 2 pixels in from the cell's left and top, up to 1 pixel from its right.
        const int width = column->GetWidth() - 3;
        if (!column->WordWrap() || !column->Visible() || width <= 0) continue;
        canvas.Font()->Assign(column->GetFont());
        const int most = MaxLines * canvas.LineHeight();
        for (int i = 0; i < samples && height < most; ++i) {
            const std::string& text = FieldText(FieldAt(c), i);
            TRect r{0, 0, width, 0};
            canvas.DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
            height = std::max(height, std::min(r.Bottom, most));
        }
    }
    // 2 pixels above the text and 1 below, as the cell writes it.
    return height ? height + 3 : 0;
}

void TDemoForm::FitRowHeight()
{
    if (ComponentState.Contains(csLoading) || FGrid->ComponentState.Contains(csLoading)) return;
    const int height = std::max(FPlainRowHeight, WrappedRowHeight());
    if (height > 0 && FGrid->DefaultRowHeight() != height) FGrid->SetDefRowHeight(height);
}
