// Control services: windows on demand, fonts and colours that follow the parent, the change
// messages, alignment, mouse and key events, and drag and drop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/controls/Forms.h"
#include "host/core/Exceptions.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

namespace {

// A control that logs the change messages and the window creation it sees.
class TProbe : public TCustomControl {
public:
    explicit TProbe(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
    std::vector<std::string> Log;

protected:
    void CreateWnd() override
    {
        Log.push_back("CreateWnd");
        TCustomControl::CreateWnd();
    }
    void CMFontChanged(TMessage& M) override
    {
        Log.push_back("FontChanged");
        TCustomControl::CMFontChanged(M);
    }
    void CMParentFontChanged(TMessage& M) override
    {
        Log.push_back("ParentFontChanged");
        TCustomControl::CMParentFontChanged(M);
    }
    void CMEnabledChanged(TMessage& M) override
    {
        Log.push_back(Enabled() ? "Enabled" : "Disabled");
        TCustomControl::CMEnabledChanged(M);
    }
};

class ControlTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TProbe* Probe = MakeProbe();

    ~ControlTest() override { delete Form; }
    TProbe* MakeProbe()
    {
        Form->SetBounds(0, 0, 300, 200);
        auto* probe = new TProbe(Form);
        probe->SetBounds(10, 10, 100, 50);
        probe->SetParent(Form);
        probe->Log.clear(); // taking the parent's font on parenting is not what the tests look at
        return probe;
    }
};

} // namespace

TEST_F(ControlTest, WindowIsCreatedOnDemandWithTheParentsWindow)
{
    EXPECT_FALSE(Probe->HandleAllocated());
    EXPECT_TRUE(Probe->Log.empty());
    HWND h = Probe->Handle();
    EXPECT_TRUE(Probe->HandleAllocated());
    EXPECT_TRUE(Form->HandleAllocated()) << "the parent's window came first";
    EXPECT_EQ(GetParent(h), Form->Handle());
    EXPECT_EQ(Probe->Log, (std::vector<std::string>{"CreateWnd"}));
    TRect r;
    GetWindowRect(h, r);
    EXPECT_EQ(r.Width(), 100);
}

TEST_F(ControlTest, ControlWithoutAParentHasNoWindow)
{
    TProbe orphan(nullptr);
    EXPECT_THROW(orphan.Handle(), EInvalidOperation);
    EXPECT_FALSE(orphan.CanFocus());
}

TEST_F(ControlTest, ChildFollowsTheParentFontUntilItsOwnFontChanges)
{
    Form->Font()->SetSize(14);
    EXPECT_EQ(Probe->Font()->Size(), 14);
    EXPECT_TRUE(Probe->ParentFont());
    EXPECT_EQ(Probe->Log, (std::vector<std::string>{"ParentFontChanged", "FontChanged"}));
    Probe->Font()->SetName("DejaVu Serif");
    EXPECT_FALSE(Probe->ParentFont());
    Form->Font()->SetSize(20);
    EXPECT_EQ(Probe->Font()->Size(), 14) << "no longer follows";
    Probe->SetParentFont(true);
    EXPECT_EQ(Probe->Font()->Size(), 20);
    EXPECT_EQ(Probe->Font()->Name(), Form->Font()->Name());
}

TEST_F(ControlTest, ChildFollowsTheParentColourAndThreeDLook)
{
    Probe->SetParentColor(true);
    Form->SetColor(clTeal);
    EXPECT_EQ(Probe->Color(), clTeal);
    Probe->SetColor(clRed);
    EXPECT_FALSE(Probe->ParentColor());
    Form->SetColor(clNavy);
    EXPECT_EQ(Probe->Color(), clRed);
    Form->SetCtl3D(false);
    EXPECT_FALSE(Probe->Ctl3D());
    Probe->SetCtl3D(true);
    EXPECT_FALSE(Probe->ParentCtl3D());
}

TEST_F(ControlTest, EnabledChangeSendsItsMessageAndDisablesTheWindow)
{
    HWND h = Probe->Handle();
    Probe->Log.clear();
    Probe->SetEnabled(false);
    Probe->SetEnabled(false);
    EXPECT_EQ(Probe->Log, (std::vector<std::string>{"Disabled"})) << "only real changes are reported";
    EXPECT_FALSE(IsWindowEnabled(h));
    EXPECT_FALSE(Probe->CanFocus());
    Probe->SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(h));
}

TEST_F(ControlTest, BorderStyleAndThreeDLookShapeTheClientArea)
{
    Form->Show();
    EXPECT_EQ(Probe->ClientWidth(), 100);
    Probe->SetBorderStyle(bsSingle);
    const int sunken = Probe->ClientWidth();
    EXPECT_LT(sunken, 100);
    Probe->SetCtl3D(false);
    EXPECT_GT(Probe->ClientWidth(), sunken) << "a flat single border is thinner than the 3D one";
    EXPECT_LT(Probe->ClientWidth(), 100);
}

TEST_F(ControlTest, AlignedControlsShareTheParentsClientArea)
{
    auto* top = new TProbe(Form);
    top->SetHeight(30);
    top->SetAlign(alTop);
    top->SetParent(Form);
    Probe->SetAlign(alClient);
    Form->Show();
    const TRect client = Form->ClientRect();
    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, client.Width(), 30));
    EXPECT_EQ(Probe->BoundsRect(), Rect(0, 30, client.Width(), client.Height()));
    top->Hide();
    EXPECT_EQ(Probe->Top(), 0) << "a hidden control gives its room back";
}

TEST_F(ControlTest, HidingAControlHidesItsWindow)
{
    Form->Show();
    Probe->Hide();
    EXPECT_FALSE(IsWindowVisible(Probe->Handle()));
    EXPECT_FALSE(Probe->Showing());
    Probe->Show();
    EXPECT_TRUE(IsWindowVisible(Probe->Handle()));
}

TEST_F(ControlTest, MouseEventsAndClickComeInOrder)
{
    std::vector<std::string> events;
    Probe->ControlStyle.Include(csClickEvents);
    Probe->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) {
        events.push_back("down " + std::to_string(X) + "," + std::to_string(Y));
    };
    Probe->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("up"); };
    Probe->OnClick = [&](TObject*) { events.push_back("click"); };
    Probe->OnDblClick = [&](TObject*) { events.push_back("dblclick"); };
    Form->Show();
    Session.Input.Click(Probe->Handle(), {5, 6});
    EXPECT_EQ(events, (std::vector<std::string>{"down 5,6", "click", "up"}));
    events.clear();
    Session.Input.DoubleClick(Probe->Handle(), {5, 6});
    ASSERT_FALSE(events.empty());
    EXPECT_NE(std::find(events.begin(), events.end(), "dblclick"), events.end());
}

TEST_F(ControlTest, KeyEventsReachTheFocusedControl)
{
    std::string keys;
    Probe->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) { keys += "d" + std::to_string(Key) + " "; };
    Probe->OnKeyPress = [&](TObject*, char& Key) {
        keys += std::string("p") + Key + " ";
        if (Key == 'b') Key = 0;
    };
    Probe->OnKeyUp = [&](TObject*, WORD& Key, TShiftState) { keys += "u" + std::to_string(Key) + " "; };
    Form->Show();
    ASSERT_TRUE(Probe->Focused());
    Session.Input.TypeText("a");
    EXPECT_EQ(keys, "d65 pa u65 ");
}

TEST_F(ControlTest, DragFromOneControlDropsOnAnAcceptingOne)
{
    auto* target = new TProbe(Form);
    target->SetBounds(150, 10, 100, 50);
    target->SetParent(Form);
    std::vector<std::string> events;
    target->OnDragOver = [&](TObject*, TObject* Source, int, int, TDragState State, bool& Accept) {
        Accept = Source == Probe;
        events.push_back(State == dsDragEnter ? "enter" : State == dsDragLeave ? "leave" : "over");
    };
    target->OnDragDrop = [&](TObject*, TObject* Source, int X, int Y) {
        EXPECT_EQ(Source, Probe);
        events.push_back("drop " + std::to_string(X) + "," + std::to_string(Y));
    };
    TObject* endTarget = nullptr;
    Probe->OnStartDrag = [&](TObject*) { events.push_back("start"); };
    Probe->OnEndDrag = [&](TObject*, TObject* Target, int, int) {
        endTarget = Target;
        events.push_back("end");
    };
    Probe->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { Probe->BeginDrag(false); };
    Form->Show();
    Session.Input.MouseDown(Probe->Handle(), {10, 10});
    Session.Input.MouseMove(Probe->Handle(), {12, 11});
    EXPECT_FALSE(Probe->Dragging()) << "below the threshold nothing starts";
    Session.Input.MouseMove(Probe->Handle(), {150, 20});
    Session.Input.MouseMove(Probe->Handle(), {160, 20});
    Session.Input.MouseUp(Probe->Handle(), {160, 20});
    EXPECT_EQ(events, (std::vector<std::string>{"start", "enter", "over", "drop 20,20", "end"}));
    EXPECT_EQ(endTarget, target);
    EXPECT_FALSE(Probe->Dragging());
}

TEST_F(ControlTest, DropHandlerMayFreeTheSource)
{
    // A waste bin: dropping a control on it frees the control.
    auto* bin = new TProbe(Form);
    bin->SetBounds(150, 10, 100, 50);
    bin->SetParent(Form);
    bin->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    bool dropped = false;
    bin->OnDragDrop = [&](TObject*, TObject* Source, int, int) {
        dropped = true;
        delete dynamic_cast<TControl*>(Source);
    };
    Form->Show();
    Session.Input.MouseDown(Probe->Handle(), {10, 10});
    Probe->BeginDrag(true);
    Session.Input.MouseMove(Probe->Handle(), {160, 20});
    Session.Input.MouseUp(Probe->Handle(), {160, 20});
    EXPECT_TRUE(dropped);
    EXPECT_EQ(Form->ControlCount(), 1);
    Session.Input.Click(bin->Handle(), {5, 5}); // the mouse works again
}

TEST_F(ControlTest, LeaveHandlerMayFreeTheNextTarget)
{
    auto* first = new TProbe(Form);
    first->SetBounds(150, 10, 50, 50);
    first->SetParent(Form);
    auto* second = new TProbe(Form);
    second->SetBounds(200, 10, 50, 50);
    second->SetParent(Form);
    bool secondEntered = false;
    first->OnDragOver = [&](TObject*, TObject*, int, int, TDragState State, bool& Accept) {
        Accept = true;
        if (State == dsDragLeave) delete second;
    };
    second->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool&) { secondEntered = true; };
    bool formEntered = false;
    Form->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) {
        formEntered = true;
        Accept = false;
    };
    TObject* endTarget = Probe;
    Probe->OnEndDrag = [&](TObject*, TObject* Target, int, int) { endTarget = Target; };
    Form->Show();
    Session.Input.MouseDown(Probe->Handle(), {10, 10});
    Probe->BeginDrag(true);
    Session.Input.MouseMove(Probe->Handle(), {150, 10});
    Session.Input.MouseMove(Probe->Handle(), {200, 10}); // onto the second, which the leave frees
    EXPECT_FALSE(secondEntered);
    EXPECT_TRUE(formEntered) << "the pointer is over the form where the second control was";
    Session.Input.MouseUp(Probe->Handle(), {200, 10});
    EXPECT_EQ(endTarget, nullptr) << "the form did not accept";
}

TEST_F(ControlTest, ControlWithoutAWindowIsADropTarget)
{
    auto* mark = new TControl(Form);
    mark->SetBounds(150, 10, 40, 40);
    mark->SetParent(Form);
    std::vector<std::string> events;
    mark->OnDragOver = [&](TObject*, TObject*, int X, int Y, TDragState State, bool& Accept) {
        Accept = true;
        events.push_back((State == dsDragEnter ? "enter " : State == dsDragLeave ? "leave " : "over ") +
                         std::to_string(X) + "," + std::to_string(Y));
    };
    mark->OnDragDrop = [&](TObject*, TObject*, int X, int Y) {
        events.push_back("drop " + std::to_string(X) + "," + std::to_string(Y));
    };
    Form->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) {
        Accept = true;
        events.push_back("form");
    };
    TObject* endTarget = nullptr;
    Probe->OnEndDrag = [&](TObject*, TObject* Target, int, int) { endTarget = Target; };
    Form->Show();
    Session.Input.MouseDown(Probe->Handle(), {10, 10});
    Probe->BeginDrag(true);
    Session.Input.MouseMove(Probe->Handle(), {150, 10});
    Session.Input.MouseMove(Probe->Handle(), {155, 15});
    Session.Input.MouseUp(Probe->Handle(), {155, 15});
    EXPECT_EQ(events, (std::vector<std::string>{"enter 10,10", "over 15,15", "drop 15,15"}));
    EXPECT_EQ(endTarget, mark);
}

TEST_F(ControlTest, EscapeCancelsADrag)
{
    bool dropped = false;
    TObject* endTarget = Probe;
    Probe->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    Probe->OnDragDrop = [&](TObject*, TObject*, int, int) { dropped = true; };
    Probe->OnEndDrag = [&](TObject*, TObject* Target, int, int) { endTarget = Target; };
    Form->Show();
    Session.Input.MouseDown(Probe->Handle(), {10, 10});
    Probe->BeginDrag(true);
    EXPECT_TRUE(Probe->Dragging());
    Session.Input.MouseMove(Probe->Handle(), {20, 20});
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_FALSE(Probe->Dragging());
    EXPECT_EQ(endTarget, nullptr);
    Session.Input.MouseUp(Probe->Handle(), {20, 20});
    EXPECT_FALSE(dropped);
}

TEST_F(ControlTest, FreeingAParentFreesItsChildren)
{
    auto* panel = new TProbe(Form);
    panel->SetParent(Form);
    auto* child = new TProbe(Form);
    child->SetParent(panel);
    Form->Show();
    child->SetFocus();
    EXPECT_EQ(Form->ActiveControl(), child);
    const int before = Form->ComponentCount();
    delete panel;
    EXPECT_EQ(Form->ComponentCount(), before - 2) << "the child went with its parent, exactly once";
    EXPECT_EQ(Form->ActiveControl(), nullptr);
}
