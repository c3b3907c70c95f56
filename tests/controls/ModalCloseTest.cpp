// Leaving modal windows: the window manager's close request and Escape end every kind of modal
// form with mrCancel, also one without a Cancel button, unless OnCloseQuery refuses; so does its
// window destroyed on the display. A control that uses Escape keeps it; a modal form belongs to
// the window it was opened over.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/controls/Application.h"
#include "host/controls/Dialogs.h"
#include "host/controls/FontDialog.h"
#include "host/controls/Forms.h"
#include "host/controls/Memo.h"
#include "host/controls/Menus.h"
#include "host/controls/StdCtrls.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/WindowManager.h"

namespace {

class ModalCloseTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TForm* Main = new TForm(nullptr);

    ModalCloseTest()
    {
        Main->SetCaption("Main");
        Main->Show();
        ProcessMessages();
    }
    ~ModalCloseTest() override { delete Main; }

    TSurfaceId SurfaceOf(HWND Wnd) { return WM().Find(Wnd)->Surface; }
};

TButton* AddButton(TForm& Form, const char* Caption, TModalResult Result, bool Cancel = false)
{
    auto* button = new TButton(&Form);
    button->SetCaption(Caption);
    button->SetModalResult(Result);
    button->SetCancel(Cancel);
    button->SetBounds(10, 10 + 30 * (Form.ControlCount()), 150, 25);
    button->SetParent(&Form);
    return button;
}

// A box that takes the focus and can be dragged.
class TBox : public TCustomControl {
public:
    explicit TBox(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
};

} // namespace

TEST_F(ModalCloseTest, EveryKindOfModalWindowIsLeftByTheCloseRequestAndByEscape)
{
    struct TKind {
        const char* Name;
        std::function<TModalResult()> Run;
        // What Escape answers: Cancel, or the button a message box makes its cancel button.
        TModalResult EscapeResult = mrCancel;
    };
    const TKind kinds[] = {
        {"form with a Cancel button",
         [] {
             TForm form(nullptr);
             AddButton(form, "OK", mrOk);
             AddButton(form, "Cancel", mrCancel, true);
             return form.ShowModal();
         }},
        {"chooser without a Cancel button",
         [] {
             TForm form(nullptr);
             AddButton(form, "Abernathy Ltd", mrOk);
             AddButton(form, "Brightwater && Sons", mrOk);
             return form.ShowModal();
         }},
        {"form without controls", [] { return TForm(nullptr).ShowModal(); }},
        {"confirmation box", [] { return MessageDlg("Delete record?", mtConfirmation, {mbOK, mbCancel}, 0); }},
        {"question without Cancel", [] { return MessageDlg("Keep it?", mtConfirmation, {mbYes, mbNo}, 0); }, mrNo},
        {"font dialog", [] { return TFontDialog(nullptr).Execute() ? mrOk : mrCancel; }},
    };
    // The window destroyed by another client of the display ends the loop too, without asking.
    enum TWay { wyCloseRequest, wyCloseRequestWhileWaiting, wyEscape, wyDestroyed };
    for (const TKind& kind : kinds) {
        for (TWay way : {wyCloseRequest, wyCloseRequestWhileWaiting, wyEscape, wyDestroyed}) {
            SCOPED_TRACE(std::string(kind.Name) + ", way " + std::to_string(way));
            bool owned = false;
            TModalHookGuard hook([&](TCustomForm* Dialog) {
                const HWND wnd = Dialog->Handle();
                owned = GetParent(wnd) == Main->Handle() &&
                        Session.Backend().SurfaceOwner(SurfaceOf(wnd)) == SurfaceOf(Main->Handle());
                if (way == wyEscape) Session.Input.PressKey(VK_ESCAPE);
                else if (way == wyDestroyed) Session.Input.DestroySurface(wnd);
                // Waiting in the queue, the request must wake the loop that waits for input.
                else Session.Input.CloseRequest(wnd, way == wyCloseRequest);
            });
            EXPECT_EQ(kind.Run(), way == wyEscape ? kind.EscapeResult : mrCancel);
            EXPECT_TRUE(owned) << "the window manager is told which window the dialog belongs to";
            EXPECT_EQ(Application().ModalLevel(), 0);
            EXPECT_TRUE(IsWindowEnabled(Main->Handle()));
            EXPECT_TRUE(Main->Active());
        }
    }
}

TEST_F(ModalCloseTest, ARefusedCloseKeepsTheFormOpenUntilOnCloseQueryAgrees)
{
    TForm form(nullptr);
    AddButton(form, "Go on", mrOk);
    // A close request, refused; Escape, refused; another close request, agreed. Each waits in
    // the queue for the loop to find it.
    std::vector<std::string> asked;
    form.OnCloseQuery = [&](TObject*, bool& CanClose) {
        asked.push_back(form.Visible() ? "asked while open" : "asked while hidden");
        CanClose = asked.size() == 3;
        if (asked.size() == 1) {
            for (TInputKind kind : {ieKeyDown, ieKeyUp}) {
                TInputEvent key;
                key.Kind = kind;
                key.Key = VK_ESCAPE;
                key.Char = kind == ieKeyDown ? 0x1B : 0;
                Session.Backend().Push(key);
            }
        }
        if (asked.size() == 2) Session.Input.CloseRequest(form.Handle(), false);
    };
    TModalHookGuard hook([&](TCustomForm*) { Session.Input.CloseRequest(form.Handle(), false); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(asked, std::vector<std::string>(3, "asked while open"));
}

// A control that uses Escape gets it: an open menu closes, a drag is cancelled and a memo of
// many lines keeps it; elsewhere Escape leaves the form.
TEST_F(ModalCloseTest, EscapeGoesToTheControlThatUsesItFirst)
{
    TForm form(nullptr);
    form.SetBounds(50, 50, 300, 300);
    auto* lines = new TMemo(&form);
    lines->SetBounds(10, 10, 200, 80);
    lines->SetParent(&form);
    auto* box = new TBox(&form);
    box->SetBounds(10, 100, 100, 40);
    box->SetParent(&form);
    auto* menu = new TPopupMenu(&form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("&Copy");
    menu->Items()->Add(item);
    auto* line = new TMemo(&form);
    line->SetWantReturns(false);
    line->SetBounds(10, 150, 200, 24);
    line->SetParent(&form);
    std::vector<std::string> log;
    box->OnEndDrag = [&](TObject*, TObject* Target, int, int) { log.push_back(Target ? "dropped" : "drag cancelled"); };
    TModalHookGuard hook([&](TCustomForm*) {
        lines->SetFocus();
        Session.Input.PressKey(VK_ESCAPE);
        if (form.ModalResult() == mrNone) log.push_back("memo kept it");
        menu->Popup(100, 100);
        ProcessMessages();
        Session.Input.PressKey(VK_ESCAPE);
        if (!TPopupMenu::Tracking() && form.ModalResult() == mrNone) log.push_back("menu closed");
        box->SetFocus();
        Session.Input.MouseDown(box->Handle(), {20, 20});
        box->BeginDrag(true);
        Session.Input.PressKey(VK_ESCAPE);
        Session.Input.MouseUp(box->Handle(), {20, 20});
        if (form.ModalResult() == mrNone) log.push_back("form open");
        line->SetFocus();
        Session.Input.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(form.ShowModal(), mrCancel) << "Escape in a one-line memo leaves the form";
    EXPECT_EQ(log, (std::vector<std::string>{"memo kept it", "menu closed", "drag cancelled", "form open"}));
}
