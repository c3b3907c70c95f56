// Forms freed from their own handlers: Release, and modal loops whose form goes away.
#include <gtest/gtest.h>

#include <functional>

#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"

namespace {

// A control that runs OnPosted when a WM_USER message reaches it through the queue.
class TCourier : public TCustomControl {
public:
    explicit TCourier(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::function<void()> OnPosted;

protected:
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == WM_USER && OnPosted) {
            OnPosted();
            return;
        }
        TCustomControl::Dispatch(Message);
    }
};

class FormLifetimeTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TForm* Main = new TForm(nullptr);
    TCourier* Courier = new TCourier(Main);

    FormLifetimeTest()
    {
        Courier->SetBounds(0, 0, 50, 50);
        Courier->SetParent(Main);
        Main->Show();
    }
    ~FormLifetimeTest() override { delete Main; }
};

} // namespace

// A modal form freed while its loop runs: the loop returns the result the form had (mrCancel when
// it had none) without touching it, and every other window works again.
TEST_F(FormLifetimeTest, AModalFormFreedInsideItsOwnLoopEndsTheLoop)
{
    struct TCase {
        const char* Name;
        TModalResult SetBeforeFreeing;
        bool ByRelease;
        TModalResult Expected;
    };
    const TCase cases[] = {
        {"deleted by a posted message's handler", mrNone, false, mrCancel},
        {"deleted after setting a result", mrOk, false, mrOk},
        {"released from the loop", mrNone, true, mrCancel},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* dialog = new TForm(Main);
        TObjectWatch alive(dialog);
        Courier->OnPosted = [&] {
            if (c.SetBeforeFreeing != mrNone) dialog->SetModalResult(c.SetBeforeFreeing);
            if (c.ByRelease) dialog->Release();
            else delete dialog;
        };
        TModalHookGuard hook([&](TCustomForm*) { PostMessage(Courier->Handle(), WM_USER); });
        EXPECT_EQ(dialog->ShowModal(), c.Expected);
        EXPECT_FALSE(alive);
        EXPECT_EQ(Application().ModalLevel(), 0);
        EXPECT_TRUE(IsWindowEnabled(Main->Handle()));
    }
}

// Release from a click handler or a close handler: the handler may go on using the form, which is
// freed once the message loop gets to it.
TEST_F(FormLifetimeTest, ReleaseFreesTheFormAfterItsHandlerReturns)
{
    for (const bool fromClose : {false, true}) {
        SCOPED_TRACE(fromClose ? "close handler" : "click handler");
        auto* form = new TForm(nullptr);
        form->SetBounds(200, 200, 200, 150);
        auto* button = new TCourier(form);
        button->SetBounds(10, 10, 80, 25);
        button->SetParent(form);
        std::string seenAfterRelease;
        button->OnClick = [&](TObject*) {
            form->Release();
            seenAfterRelease = form->Caption() + "still here";
        };
        form->OnClose = [&](TObject*, TCloseAction& Action) {
            form->Release();
            seenAfterRelease = form->Caption() + "still here";
            Action = caNone;
        };
        form->Show();
        TObjectWatch alive(form);
        if (fromClose) PostMessage(form->Handle(), WM_CLOSE);
        else Session.Input.Click(button->Handle(), {5, 5});
        ProcessMessages();
        EXPECT_EQ(seenAfterRelease, "still here");
        EXPECT_FALSE(alive);
        if (alive) delete form;
    }
}
