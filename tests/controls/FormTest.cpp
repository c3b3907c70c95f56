#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/core/Exceptions.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

// A focusable control that records its focus events.
class TBox : public TCustomControl {
public:
    TBox(TComponent* AOwner, std::vector<std::string>& Log) : TCustomControl(AOwner), FLog(Log)
    {
        SetTabStop(true);
        OnEnter = [this](TObject*) { FLog.push_back("enter " + Name()); };
        OnExit = [this](TObject*) { FLog.push_back("exit " + Name()); };
    }

private:
    std::vector<std::string>& FLog;
};

class FormTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    std::vector<std::string> Log;
    TForm* Form = new TForm(nullptr);
    TBox* A = MakeBox("A", 10);
    TBox* B = MakeBox("B", 40);
    TBox* C = MakeBox("C", 70);

    ~FormTest() override { delete Form; }

    TBox* MakeBox(const char* Name, int Top)
    {
        auto* box = new TBox(Form, Log);
        box->SetName(Name);
        box->SetBounds(10, Top, 100, 20);
        box->SetParent(Form);
        return box;
    }
};

} // namespace

TEST_F(FormTest, ShowFocusesTheFirstControlInTabOrder)
{
    Form->Show();
    EXPECT_TRUE(Form->Active());
    EXPECT_TRUE(A->Focused());
    EXPECT_EQ(Form->ActiveControl(), A);
    EXPECT_EQ(Log, (std::vector<std::string>{"enter A"}));
}

TEST_F(FormTest, TabMovesTheFocusInTabOrderAndWraps)
{
    C->SetTabOrder(0); // C, A, B
    Form->Show();
    ASSERT_TRUE(C->Focused());
    Session.Input.PressKey(VK_TAB);
    EXPECT_TRUE(A->Focused());
    Session.Input.PressKey(VK_TAB);
    EXPECT_TRUE(B->Focused());
    Session.Input.PressKey(VK_TAB);
    EXPECT_TRUE(C->Focused()) << "wraps to the first";
    Session.Input.PressKey(VK_TAB, {ssShift});
    EXPECT_TRUE(B->Focused()) << "Shift+Tab goes back";
}

TEST_F(FormTest, TabSkipsControlsThatCannotTakeTheFocus)
{
    B->SetTabStop(false);
    C->SetEnabled(false);
    Form->Show();
    Session.Input.PressKey(VK_TAB);
    EXPECT_TRUE(A->Focused()) << "nothing else to go to";
    C->SetEnabled(true);
    Session.Input.PressKey(VK_TAB);
    EXPECT_TRUE(C->Focused());
}

TEST_F(FormTest, LeavingAndEnteringRaiseExitThenEnter)
{
    Form->Show();
    Log.clear();
    B->SetFocus();
    EXPECT_EQ(Log, (std::vector<std::string>{"exit A", "enter B"}));
    EXPECT_EQ(Form->ActiveControl(), B);
}

TEST_F(FormTest, FreeingTheActiveControlLeavesNoDanglingReference)
{
    Form->Show();
    B->SetFocus();
    delete B;
    EXPECT_EQ(Form->ActiveControl(), nullptr);
    A->SetFocus();
    EXPECT_EQ(Form->ActiveControl(), A);
}

TEST_F(FormTest, ActiveControlSetBeforeShowingGetsTheFocusOnShow)
{
    Form->SetActiveControl(C);
    Form->Show();
    EXPECT_TRUE(C->Focused());
}

TEST_F(FormTest, ModalLoopEndsWithTheResultTheHookGives)
{
    auto* dialog = new TForm(Form);
    int seen = 0;
    TModalHookGuard hook([&](TCustomForm* F) {
        ++seen;
        EXPECT_EQ(F, dialog);
        EXPECT_TRUE(F->Visible());
        EXPECT_EQ(Application().ModalLevel(), 1);
        F->SetModalResult(mrOk);
    });
    Form->Show();
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(seen, 1);
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(Application().ModalLevel(), 0);
    EXPECT_TRUE(IsWindowEnabled(Form->Handle())) << "the other windows are enabled again";
}

TEST_F(FormTest, ModalFormIsAnsweredByScriptedInput)
{
    auto* dialog = new TForm(Form);
    auto* box = new TBox(dialog, Log);
    box->SetBounds(0, 0, 50, 50);
    box->SetParent(dialog);
    box->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) {
        if (Key == VK_RETURN) dialog->SetModalResult(mrYes);
    };
    bool ownerDisabled = false;
    TModalHookGuard hook([&](TCustomForm*) {
        ownerDisabled = !IsWindowEnabled(Form->Handle());
        Session.Input.PressKey(VK_RETURN);
    });
    Form->Show();
    EXPECT_EQ(dialog->ShowModal(), mrYes);
    EXPECT_TRUE(ownerDisabled) << "other windows are disabled while the dialog runs";
}

TEST_F(FormTest, RefusedCloseKeepsTheModalLoopRunning)
{
    auto* dialog = new TForm(Form);
    int queries = 0;
    dialog->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++queries > 1; };
    TModalHookGuard hook([&](TCustomForm* F) {
        F->SetModalResult(mrCancel); // refused by the first query
        PostMessage(F->Handle(), WM_CLOSE);
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(queries, 2);
}

TEST_F(FormTest, UnansweredModalFormRaisesInsteadOfHanging)
{
    auto* dialog = new TForm(Form);
    EXPECT_ANY_THROW(dialog->ShowModal());
    EXPECT_FALSE(dialog->Modal());
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(Application().ModalLevel(), 0);
}

TEST_F(FormTest, VisibleFormCannotBeShownModally)
{
    Form->Show();
    EXPECT_THROW(Form->ShowModal(), EInvalidOperation);
}

TEST_F(FormTest, AWindowDestroyedOnTheDisplayGoesHereTooAndTheMainFormsEndsTheApplication)
{
    for (const bool main : {false, true}) {
        SCOPED_TRACE(main ? "main form" : "other form");
        THeadlessSession session;
        TForm form(nullptr);
        struct TMainFormGuard {
            ~TMainFormGuard() { Application().SetMainForm(nullptr); }
        } guard;
        if (main) Application().SetMainForm(&form);
        form.Show();
        ProcessMessages();
        const HWND wnd = form.Handle();
        session.Input.DestroySurface(wnd);
        EXPECT_FALSE(IsWindow(wnd));
        EXPECT_FALSE(form.HandleAllocated());
        EXPECT_EQ(QuitReceived(), main);
    }
    // A form that destroys its own window does not end the application.
    THeadlessSession session;
    TForm form(nullptr);
    Application().SetMainForm(&form);
    form.Show();
    form.DestroyHandle();
    ProcessMessages();
    Application().SetMainForm(nullptr);
    EXPECT_FALSE(QuitReceived());
}

// A handler error inside a modal loop goes to OnException, and the loop goes on to its end.
TEST_F(FormTest, HandlerErrorsGoToOnExceptionAndTheModalLoopGoesOn)
{
    std::vector<std::string> errors;
    Application().OnException = [&](TObject*, const Exception& E) { errors.push_back(E.what()); };
    A->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) { throw EConvertError("'abc' is not a valid integer value"); };
    TModalHookGuard hook([&](TCustomForm* F) {
        PostMessage(A->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessage(F->Handle(), WM_CLOSE, 0, 0);
    });
    const TModalResult result = Form->ShowModal();
    Application().OnException = nullptr;
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(errors, std::vector<std::string>{"'abc' is not a valid integer value"});
}

// At design time the form's designer sees its controls' messages first and may keep them.
TEST_F(FormTest, TheDesignerTakesTheMessagesOfDesigningControlsOnly)
{
    struct TDesigner : IDesignerHook {
        std::vector<TControl*> Taken;
        bool IsDesignMsg(TControl* Sender, TMessage& Message) override
        {
            if (Message.Msg != WM_LBUTTONDOWN) return false;
            Taken.push_back(Sender);
            return true;
        }
    } designer;
    std::vector<std::string> pressed;
    for (TBox* box : {A, B})
        box->OnMouseDown = [&pressed, box](TObject*, TMouseButton, TShiftState, int, int) { pressed.push_back(box->Name()); };
    Form->SetDesigner(&designer);
    A->SetDesigning(true);
    Form->Show();
    Session.Input.Click(A->Handle(), {5, 5});
    Session.Input.Click(B->Handle(), {5, 5});
    Form->SetDesigner(nullptr);
    EXPECT_EQ(designer.Taken, std::vector<TControl*>{A});
    EXPECT_EQ(pressed, std::vector<std::string>{"B"});
}

// A designed form takes the keys itself and keeps the active control its form file names.
TEST_F(FormTest, ADesignedFormFocusesItselfAndKeepsItsActiveControl)
{
    Form->SetActiveControl(B);
    Form->SetDesigning(true);
    Form->Show();
    Session.Input.Activate(Form->Handle());
    EXPECT_EQ(GetFocus(), Form->Handle());
    EXPECT_EQ(Form->ActiveControl(), B);
    EXPECT_TRUE(Log.empty()) << "no control was entered";
}
