#include "tests/fuzz/GridScript.h"

#include <array>
#include <climits>
#include <exception>
#include <utility>
#include <unordered_map>
#include <vector>

#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "tests/fuzz/EditWitness.h"
#include "zelgrid/Zelgrid.h"

namespace {

// The bytes of one input, read front to back; zeros once they run out.
class TByteReader {
public:
    TByteReader(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
    bool AtEnd() const { return FPos >= FSize; }
    std::uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
    int Int32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
        return static_cast<int>(v);
    }
    int Pick(std::size_t Count) { return Count == 0 ? 0 : static_cast<int>(Byte() % Count); }
    // A value that reaches the edges: the integer limits, the pixel limits, small numbers, any.
    std::int64_t Value()
    {
        static constexpr std::array<std::int64_t, 16> Edges{
            0, 1, -1, 2, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1, 16384, 16385, -16384, 255, 256, 32767, 65536,
            0x80000005};
        switch (Byte() % 4) {
        case 0: return Edges[Byte() % Edges.size()];
        case 1: return static_cast<std::int8_t>(Byte());
        case 2: return Byte() * 4;
        default: return Int32();
        }
    }
    std::string Text()
    {
        std::string s;
        for (int n = Byte() % 24; n > 0 && !AtEnd(); --n) s += static_cast<char>(Byte());
        return s;
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
};

// A host exception is an answer; anything else escaping a step is a fault.
class TFault : public std::exception {
public:
    explicit TFault(std::string What) : FWhat(std::move(What)) {}
    const char* what() const noexcept override { return FWhat.c_str(); }

private:
    std::string FWhat;
};

class TGridScript {
public:
    TGridScript(TByteReader& In, THeadlessSession& Session, TForm* Form, TWinControl* Other)
        : FIn(In), FSession(Session), FForm(Form), FOther(Other)
    {
        FGrid = new TZelGrid(FForm);
        FWitness = std::make_unique<TEditWitness>(FGrid);
        FGrid->SetBounds(0, 0, 190, 110);
        FGrid->OnGetRowCount = [this](int& ARowCount) {
            ARowCount = FRecords;
            FWitness->Told(FRecords);
        };
        FGrid->OnGetDataCell = [](int ACol, int ARow, std::string& AValue) {
            AValue = std::to_string(ACol) + ":" + std::to_string(ARow);
        };
        FGrid->OnValidateData = [this](int ACol, int ARow, const std::string&, bool&) { Committed(ACol, ARow); };
        FGrid->SetParent(FForm);
        ProcessMessages();
    }
    ~TGridScript() { delete FGrid; }
    TGridScript(const TGridScript&) = delete;
    TGridScript& operator=(const TGridScript&) = delete;

    void Run()
    {
        for (int steps = 0; !FIn.AtEnd() && steps < 64; ++steps) {
            try {
                Step();
            } catch (const Exception&) {
                // Refused: the grid must be as consistent as after any step.
            }
            FWitness->Attach();
            CheckConsistent();
        }
        Paint();
        CheckConsistent();
    }

private:
    void Step()
    {
        // The top eighth of the step byte drives the in-place editor; the rest as before.
        const int step = FIn.Byte();
        if (step >= 224) {
            EditorStep(step - 224);
            return;
        }
        switch (step % 14) {
        case 0:
        case 1:
        case 2:
            SetProperty();
            // RowCount itself may have been written: the grid was told of that many records.
            FWitness->Told(FGrid->RowCount() - FGrid->TitleRows());
            break;
        case 3: FGrid->Layout()->Add(); break;
        case 4: FGrid->Layout()->Delete(FIn.Pick(static_cast<std::size_t>(FGrid->Layout()->Count()))); break;
        case 5:
            if (TZelGridColumns* c = PickColumns()) c->Add();
            break;
        case 6:
            if (TZelGridColumns* c = PickColumns(); c && c->Count() > 0) c->Delete(FIn.Pick(static_cast<std::size_t>(c->Count())));
            break;
        case 7:
            FRecords = static_cast<int>(FIn.Value());
            FGrid->UpdateRowCount();
            break;
        case 8: PressKey(); break;
        case 9: ScrollMessage(); break;
        case 10: Mouse(); break;
        case 11: MoveCell(); break;
        case 12: CallRowOperation(); break;
        default: Paint(); break;
        }
    }

    // The merged property list of a class, built once per class instead of on every write.
    static const std::vector<const TPropInfo*>& PropertiesOf(const TClassInfo* Info)
    {
        static std::unordered_map<const TClassInfo*, std::vector<const TPropInfo*>> cache;
        auto found = cache.find(Info);
        if (found == cache.end()) found = cache.emplace(Info, Info->Properties()).first;
        return found->second;
    }

    TZelGridColumns* PickColumns()
    {
        TZelColLayout* layouts = FGrid->Layout();
        if (!layouts || layouts->Count() == 0) return nullptr;
        TZelLayoutItem* item = layouts->GetItem(FIn.Pick(static_cast<std::size_t>(layouts->Count())));
        return item ? item->GeTZelColumns() : nullptr;
    }

    // Walks from the grid through sub-objects and collection items to a property and sets it.
    void SetProperty()
    {
        TPersistent* object = FGrid;
        for (int depth = 0; depth < 6 && object; ++depth) {
            if (auto* collection = dynamic_cast<TCollection*>(object)) {
                if (collection->Count() == 0) return;
                object = collection->GetItem(FIn.Pick(static_cast<std::size_t>(collection->Count())));
                continue;
            }
            const TClassInfo* info = PropertyRegistry().ClassOf(object);
            if (!info) return;
            const std::vector<const TPropInfo*>& props = PropertiesOf(info);
            if (props.empty()) return;
            const TPropInfo* prop = props[static_cast<std::size_t>(FIn.Pick(props.size()))];
            if (prop->IsReadOnly() && prop->PropType->Kind != tkClass) return;
            switch (prop->PropType->Kind) {
            case tkMethod: return;
            case tkString:
                // Font names come from a short list: every other name is one more fallback match,
                // cached for the life of the process, which would only slow the run down.
                if (dynamic_cast<TFont*>(object) && prop->Name == "Name") {
                    static constexpr std::array<const char*, 6> Names{"DejaVu Sans", "DejaVu Sans Mono", "Courier New",
                                                                      "Times New Roman", "No Such Face", ""};
                    prop->SetStr(object, Names[static_cast<std::size_t>(FIn.Pick(Names.size()))]);
                    return;
                }
                prop->SetStr(object, FIn.Text());
                return;
            case tkClass: {
                TPersistent* sub = prop->GetObj(object);
                // A font may also be set as a whole from another font of the grid.
                if (auto* font = dynamic_cast<TFont*>(sub); font && FIn.Byte() % 4 == 0) {
                    prop->SetObj(object, FIn.Byte() % 2 ? FGrid->Font() : FGrid->TitleFont());
                    return;
                }
                object = sub;
                continue;
            }
            default: {
                std::int64_t v = FIn.Value();
                // Font sizes likewise: the ends of int and a few ordinary sizes. Each distinct size
                // is a face and its glyphs kept for the life of the process.
                if (dynamic_cast<TFont*>(object) && (prop->Name == "Height" || prop->Name == "Size")) {
                    static constexpr std::array<int, 12> Sizes{0, 1, -1, 8, -12, 14, -20, 48, INT_MAX, INT_MIN, 2048, -2049};
                    v = Sizes[static_cast<std::size_t>(FIn.Pick(Sizes.size()))];
                }
                const TTypeInfo& type = *prop->PropType;
                // Most enumeration and set values should be values of the type.
                if (type.Kind != tkInteger && FIn.Byte() % 4 != 0 && type.MaxValue >= type.MinValue)
                    v = type.MinValue + static_cast<std::int64_t>(static_cast<std::uint64_t>(v) %
                                                                  static_cast<std::uint64_t>(type.MaxValue - type.MinValue + 1));
                prop->SetOrd(object, v);
                return;
            }
            }
        }
    }

    void PressKey()
    {
        static constexpr std::array<WORD, 14> Keys{VK_UP,  VK_DOWN, VK_LEFT, VK_RIGHT, VK_PRIOR, VK_NEXT,  VK_HOME,
                                                   VK_END, VK_TAB,  VK_F2,   VK_RETURN, VK_ESCAPE, VK_INSERT, 'A'};
        const WORD key = Keys[static_cast<std::size_t>(FIn.Pick(Keys.size()))];
        const std::uint8_t mods = FIn.Byte();
        TShiftState shift;
        if (mods & 1) shift.Include(ssShift);
        if (mods & 2) shift.Include(ssCtrl);
        if (FGrid->CanFocus()) FGrid->SetFocus();
        FSession.Input.PressKey(key, shift);
    }

    void ScrollMessage()
    {
        const UINT msg = FIn.Byte() % 2 ? WM_VSCROLL : WM_HSCROLL;
        const int code = FIn.Byte() % 9;
        const int pos = FIn.Byte() << 8 | FIn.Byte();
        SendMessage(FGrid->Handle(), msg, MAKEWPARAM(code, pos), 0);
    }

    void Mouse()
    {
        const TPoint p{FIn.Byte() % 200 - 5, FIn.Byte() % 120 - 5};
        const HWND wnd = FGrid->Handle();
        switch (FIn.Byte() % 4) {
        case 0: FSession.Input.Click(wnd, p); break;
        case 1: FSession.Input.DoubleClick(wnd, p); break;
        case 2: FSession.Input.Drag(wnd, p, {FIn.Byte() % 220 - 10, FIn.Byte() % 140 - 10}); break;
        default: FSession.Input.Wheel(wnd, p, (FIn.Byte() % 5 - 2) * 120); break;
        }
    }

    void MoveCell()
    {
        const int a = static_cast<int>(FIn.Value()), b = static_cast<int>(FIn.Value());
        switch (FIn.Byte() % 5) {
        case 0: FGrid->AMoveColRow(a, b, true, true); break;
        case 1: FGrid->SetTopRow(a); break;
        case 2: FGrid->SetLeftCol(a); break;
        case 3: FGrid->SetCurrentRow(a); break;
        default: FGrid->SetCol(a); break;
        }
    }

    void CallRowOperation()
    {
        const int a = static_cast<int>(FIn.Value());
        switch (FIn.Byte() % 4) {
        case 0: FGrid->Scroll(a); break;
        case 1: FGrid->DeleteRecord(a); break;
        case 2: FGrid->MoveToRow(a); break;
        default: FGrid->LayoutChanged(); break;
        }
    }

    // Typing, changes of the columns and of the view under the open editor, and every way an
    // edit ends.
    void EditorStep(int Kind)
    {
        switch (Kind % 8) {
        case 0:
        case 1:
        case 2: {
            static constexpr std::array<const char*, 8> Pieces{"a", "Z", "0", " ", "\xE2\x82\xAC", "\xC3\xA9", "\b", "-"};
            std::string text;
            for (int n = 1 + FIn.Byte() % 4; n > 0; --n) text += Pieces[static_cast<std::size_t>(FIn.Pick(Pieces.size()))];
            if (FGrid->CanFocus() && !FGrid->Focused() && !(FGrid->Editor() && FGrid->Editor()->Focused())) FGrid->SetFocus();
            FSession.Input.TypeText(text);
            break;
        }
        case 3:
            if (TZelGridColumns* c = FIn.Byte() % 2 ? FGrid->Columns() : PickColumns(); c && c->Count() > 0)
                c->GeTZelColumn(FIn.Pick(static_cast<std::size_t>(c->Count())))->SetIndex(FIn.Pick(static_cast<std::size_t>(c->Count())));
            break;
        case 4:
            switch (FIn.Byte() % 6) {
            case 0: FGrid->HideEditor(); break;
            case 1: FGrid->SetEditorMode(FIn.Byte() % 2 == 0); break;
            case 2: FGrid->InvalidateEditor(); break;
            case 3: FGrid->ShowEditor(); break;
            case 4: FGrid->UpdateText(); break;
            default:
                if (FOther->CanFocus()) FOther->SetFocus();
                break;
            }
            break;
        case 5: FOnCommit = FIn.Byte(); break;
        case 6: {
            const HWND wnd = FGrid->Handle();
            switch (FIn.Byte() % 3) {
            case 0: FSession.Input.Wheel(wnd, {50, 50}, (FIn.Byte() % 5 - 2) * 120); break;
            case 1: FGrid->SetTopRow(static_cast<int>(FIn.Value())); break;
            default: FGrid->SetLeftCol(static_cast<int>(FIn.Value())); break;
            }
            break;
        }
        default: {
            // The application's record count changes and the grid is told.
            FRecords = FIn.Byte() % 16;
            FGrid->UpdateRowCount();
            break;
        }
        }
    }

    // OnValidateData: the commit must name the cell the editor was loaded for; then the handler
    // may change what lies under the editor, as the last editor step asked.
    void Committed(int ACol, int ARow)
    {
        if (std::string fault = FWitness->Commit(ACol, ARow); !fault.empty() && FFault.empty()) FFault = fault;
        const int action = std::exchange(FOnCommit, 0);
        switch (action % 6) {
        case 1:
            FRecords = action % 5;
            FGrid->UpdateRowCount();
            break;
        case 2:
            if (TZelGridColumns* c = FGrid->Columns(); c && c->Count() > 1) c->GeTZelColumn(0)->SetIndex(c->Count() - 1);
            break;
        case 3: FGrid->SetLayoutIndex(action % 3); break;
        case 4:
            if (TZelGridColumns* c = FGrid->Columns(); c && c->Count() > 0) delete c->GeTZelColumn(c->Count() - 1);
            break;
        case 5: throw Exception("refused by the application");
        default: break;
        }
    }

    void Paint()
    {
        ProcessMessages();
        UpdateWindow(FForm->Handle());
    }

    void CheckConsistent() const
    {
        const auto fail = [](const std::string& What) { throw TFault(What); };
        if (FGrid->LayoutLock() != 0 || FGrid->UpdateLock() != 0) fail("a layout or update bracket stayed open");
        if (FGrid->Row() < 0 || FGrid->Row() >= FGrid->RowCount()) fail("Row out of range");
        if (FGrid->Col() < 0 || FGrid->Col() >= FGrid->ColCount()) fail("Col out of range");
        if (FGrid->TopRow() < FGrid->FixedRows() && FGrid->RowCount() > FGrid->FixedRows()) fail("TopRow in the fixed rows");
        // A layout deleted through the collection itself is taken up by the next layout pass.
        if (!FGrid->Layout() || FGrid->LayoutIndex() < 0) fail("no layout collection, or a negative LayoutIndex");
        if (!FFault.empty()) fail(FFault);
    }

    TByteReader& FIn;
    THeadlessSession& FSession;
    TForm* FForm;
    TWinControl* FOther;
    TZelGrid* FGrid = nullptr;
    std::unique_ptr<TEditWitness> FWitness;
    int FRecords = 10;
    // What the next OnValidateData does besides checking (0: nothing).
    int FOnCommit = 0;
    // The first commit that named the wrong cell.
    std::string FFault;
};

} // namespace

struct TGridStage::TState {
    THeadlessSession Session;
    TModalHookGuard ModalAnswer{[](TCustomForm* Form) { Form->SetModalResult(mrCancel); }};
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    // Another control of the form, so that the focus can leave the grid.
    TCustomControl* Other = nullptr;
};

TGridStage::TGridStage() : FState(std::make_unique<TState>())
{
    RegisterZelGridProperties();
    FState->Form->SetBounds(0, 0, 200, 120);
    FState->Other = new TCustomControl(FState->Form.get());
    FState->Other->SetBounds(192, 0, 8, 8);
    FState->Other->SetTabStop(true);
    FState->Other->SetParent(FState->Form.get());
    FState->Form->Show();
    ProcessMessages();
}

TGridStage::~TGridStage() = default;

std::string TGridStage::Run(const std::uint8_t* Data, std::size_t Size)
{
    TByteReader in(Data, Size);
    try {
        TGridScript script(in, FState->Session, FState->Form.get(), FState->Other);
        script.Run();
    } catch (const TFault& Fault) {
        return Fault.what();
    } catch (const Exception& E) {
        return std::string("a host exception escaped the script: ") + E.what();
    } catch (const std::exception& E) {
        return std::string("a non-host exception: ") + E.what();
    }
    return {};
}
