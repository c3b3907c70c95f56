// Message dialogs answered as a user answers them (keys and clicks through the modal hook), the
// form's Enter and Escape going to its default and cancel buttons, and the dialog's look.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/Golden.h"
#include "host/controls/Application.h"
#include "host/controls/Dialogs.h"
#include "host/controls/StdCtrls.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

namespace {

class MessageDialogTest : public ::testing::Test {
protected:
    THeadlessSession Session;

    static std::vector<TButton*> Buttons(TCustomForm* Form)
    {
        std::vector<TButton*> out;
        for (int i = 0; i < Form->ControlCount(); ++i)
            if (auto* b = dynamic_cast<TButton*>(Form->Controls(i))) out.push_back(b);
        return out;
    }
    static TPoint Middle(TControl* C) { return {C->Width() / 2, C->Height() / 2}; }
};

// A focusable control that logs the keys reaching it.
class TKeyBox : public TCustomControl {
public:
    TKeyBox(TComponent* AOwner, std::vector<std::string>& Log) : TCustomControl(AOwner), FLog(Log) { SetTabStop(true); }

protected:
    void KeyDown(WORD& Key, TShiftState) override { FLog.push_back("key " + std::to_string(Key)); }

private:
    std::vector<std::string>& FLog;
};

} // namespace

TEST_F(MessageDialogTest, DeleteQuestionIsAnsweredByKeysAndClicks)
{
    struct TCase {
        const char* Name;
        std::function<void(THeadlessSession&, TCustomForm*)> Answer;
        TModalResult Expected;
    };
    const auto keys = [](std::vector<WORD> Keys) {
        return [Keys](THeadlessSession& S, TCustomForm*) {
            for (WORD k : Keys) S.Input.PressKey(k);
        };
    };
    const auto click = [](int Index) {
        return [Index](THeadlessSession& S, TCustomForm* F) {
            TButton* b = Buttons(F).at(static_cast<std::size_t>(Index));
            S.Input.Click(b->Handle(), Middle(b));
        };
    };
    const TCase cases[] = {
        {"Enter answers OK", keys({VK_RETURN}), mrOk},
        {"Escape answers Cancel", keys({VK_ESCAPE}), mrCancel},
        {"Tab then Enter clicks the focused Cancel", keys({VK_TAB, VK_RETURN}), mrCancel},
        {"Tab twice comes back to OK", keys({VK_TAB, VK_TAB, VK_RETURN}), mrOk},
        {"Space clicks the focused button", keys({VK_TAB, VK_SPACE}), mrCancel},
        {"Escape with OK focused still cancels", keys({VK_TAB, VK_TAB, VK_ESCAPE}), mrCancel},
        {"a click on OK", click(0), mrOk},
        {"a click on Cancel", click(1), mrCancel},
    };
    for (const TCase& c : cases) {
        int hooks = 0;
        TModalHookGuard hook([&](TCustomForm* Form) {
            ++hooks;
            EXPECT_EQ(Form->Caption(), "Confirm");
            const std::vector<TButton*> b = Buttons(Form);
            ASSERT_EQ(b.size(), 2u);
            EXPECT_EQ(b[0]->Caption(), "OK");
            EXPECT_EQ(b[1]->Caption(), "Cancel");
            EXPECT_TRUE(b[0]->Focused()) << "OK starts with the focus";
            c.Answer(Session, Form);
        });
        EXPECT_EQ(MessageDlg("Delete record?", mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 0), c.Expected)
            << c.Name;
        EXPECT_EQ(hooks, 1) << c.Name;
        EXPECT_EQ(Application().ModalLevel(), 0);
    }
}

TEST_F(MessageDialogTest, DeleteQuestionLooks)
{
    bool taken = false;
    TModalHookGuard hook([&](TCustomForm* Form) {
        ProcessMessages();
        ExpectMatchesGolden("delete_record_dialog", *CaptureWindow(Form->Handle()));
        // The focus rectangle and the default frame move to Cancel with Tab.
        Session.Input.PressKey(VK_TAB);
        ProcessMessages();
        const std::vector<TButton*> b = Buttons(Form);
        EXPECT_FALSE(b[0]->Active());
        EXPECT_TRUE(b[1]->Active());
        taken = true;
        Form->SetModalResult(mrCancel);
    });
    MessageDlg("Delete record?", mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 0);
    EXPECT_TRUE(taken);
}

TEST_F(MessageDialogTest, FormEnterAndEscapeReachButtonsOrTheFocusedControl)
{
    std::vector<std::string> log;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* box = new TKeyBox(&form, log);
    box->SetBounds(10, 10, 100, 20);
    box->SetParent(&form);
    form.Show();
    box->SetFocus();
    ProcessMessages();

    // Without buttons, Enter and Escape reach the focused control.
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_ESCAPE);
    ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"key 13", "key 27"}));

    auto* ok = new TButton(&form);
    ok->SetDefault(true);
    ok->SetBounds(10, 100, 75, 25);
    ok->SetParent(&form);
    ok->OnClick = [&](TObject*) { log.push_back("ok"); };
    auto* cancel = new TButton(&form);
    cancel->SetCancel(true);
    cancel->SetBounds(100, 100, 75, 25);
    cancel->SetParent(&form);
    cancel->OnClick = [&](TObject*) { log.push_back("cancel"); };
    log.clear();
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_ESCAPE);
    ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"ok", "cancel"})) << "the buttons take the keys from the box";

    // A disabled default button leaves Enter to the control.
    ok->SetEnabled(false);
    log.clear();
    Session.Input.PressKey(VK_RETURN);
    ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"key 13"}));
}
