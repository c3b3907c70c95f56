#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/controls/Application.h"
#include "host/controls/ControlProperties.h"
#include "host/controls/Memo.h"
#include "host/controls/StdCtrls.h"
#include "host/core/Exceptions.h"
#include "host/streaming/FormText.h"
#include "host/streaming/Resources.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "tests/support/Golden.h"

namespace {

// The strings dialog's form class, as a dialog unit declares it: a form with its components.
class TStringsEd : public TForm {
public:
    explicit TStringsEd(TComponent* AOwner) : TForm(AOwner) {}
    TMemo* Memo() const { return dynamic_cast<TMemo*>(FindComponent("StrMemo")); }
    TButton* Button(const char* Name) const { return dynamic_cast<TButton*>(FindComponent(Name)); }
};

class FormResourceTest : public ::testing::Test {
protected:
    FormResourceTest()
    {
        RegisterControlProperties(Registry);
        Registry.RegisterClass<TStringsEd>("TStringsEd", "TForm");
        // The dialog's own key handler: Enter and Escape end it unless the memo has the focus.
        Handlers.Add<TKeyEvent>("FormKeyDown", [this](TObject*, WORD& Key, TShiftState) {
            Log.push_back("preview " + std::to_string(Key));
            if (Form->ActiveControl() == Form->Memo()) return;
            if (Key == VK_RETURN) Form->SetModalResult(mrOk);
            if (Key == VK_ESCAPE) Form->SetModalResult(mrCancel);
        });
        Handlers.Add<TNotifyEvent>("OkBtnClick", [this](TObject*) { Log.push_back("ok"); });
        Handlers.Add<TNotifyEvent>("CancelbtnClick", [this](TObject*) { Log.push_back("cancel"); });
    }
    ~FormResourceTest() override { delete Form; }

    void Load()
    {
        Form = new TStringsEd(nullptr);
        ReadFormResource(Form, "TSTRINGSED", &Handlers, Registry);
    }

    THeadlessSession Session;
    TPropertyRegistry Registry;
    THandlerTable Handlers;
    TStringsEd* Form = nullptr;
    std::vector<std::string> Log;
};


} // namespace

TEST_F(FormResourceTest, TheDialogIsBuiltFromItsEmbeddedTextForm)
{
    Load();
    TMemo* memo = Form->Memo();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(Form->ClientWidth(), 345);
    EXPECT_EQ(Form->ClientHeight(), 171);
    EXPECT_EQ(Form->FormBorderStyle(), bsDialog);
    EXPECT_EQ(Form->BorderIcons(), TBorderIcons{biSystemMenu});
    EXPECT_EQ(Form->Position(), poScreenCenter);
    EXPECT_TRUE(Form->KeyPreview());
    EXPECT_EQ(Form->ActiveControl(), memo) << "a reference to a component read later in the file";
    EXPECT_EQ(Form->Font()->Height(), -11);
    EXPECT_EQ(memo->ScrollBars(), ssBoth);
    EXPECT_EQ(memo->BoundsRect(), (TRect{14, 30, 14 + 239, 30 + 129}));
    auto* label = dynamic_cast<TLabel*>(Form->FindComponent("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->FocusControl(), memo);
    EXPECT_EQ(label->Parent(), Form);
    EXPECT_EQ(Form->Button("OkBtn")->ModalResult(), mrOk);
    EXPECT_EQ(Form->Button("Cancelbtn")->ModalResult(), mrCancel);
    EXPECT_EQ(Form->Button("Cancelbtn")->TabOrder(), 2);
    EXPECT_FALSE(Form->Button("OkBtn")->Default());

    // Written back and read again, the form says the same.
    const std::string text = ObjectBinaryToText(WriteForm(Form, Registry));
    EXPECT_NE(text.find("ActiveControl = StrMemo"), std::string::npos) << text;
    EXPECT_NE(text.find("FocusControl = StrMemo"), std::string::npos) << text;
    EXPECT_EQ(text.find("ClientWidth"), std::string::npos) << "the size travels as Width and Height";
}

TEST_F(FormResourceTest, AReferenceToAMissingComponentIsAReadError)
{
    const std::string text = "object F: TForm\n  ActiveControl = Nowhere\nend\n";
    TForm form(nullptr);
    EXPECT_THROW(ReadForm(text, &form, nullptr, nullptr, Registry), EReadError);
    EXPECT_EQ(form.ActiveControl(), nullptr);
    EXPECT_THROW(ReadFormResource(&form, "NOSUCHFORM", nullptr, Registry), EResNotFound);
}

// A user edits the list: Alt+S goes to the memo, Enter and Escape stay in the memo, Tab leaves
// it; Enter on a button then ends the dialog as OK through the form's key preview.
TEST_F(FormResourceTest, ScriptedSessionWithTheStringsDialog)
{
    Load();
    Form->Memo()->Lines()->SetText("alpha\r\nbeta\r\n");
    bool hooked = false;
    TModalHookGuard hook([&](TCustomForm*) {
        hooked = true;
        TMemo* memo = Form->Memo();
        EXPECT_TRUE(memo->Focused()) << "the active control from the form file";
        Session.Input.PressKey(VK_END, TShiftState{ssCtrl});
        Session.Input.TypeText("\ngamma");
        Session.Input.PressKey(VK_ESCAPE);
        ProcessMessages();
        EXPECT_EQ(Form->ModalResult(), mrNone) << "Escape in the memo does not close the dialog";
        Session.Input.PressKey(VK_TAB);
        EXPECT_TRUE(Form->Button("OkBtn")->Focused());
        Session.Input.PressKey('S', TShiftState{ssAlt});
        EXPECT_TRUE(memo->Focused()) << "the label's accelerator";
        EXPECT_EQ(memo->Lines()->Count(), 3) << "Alt+S typed nothing";
        Session.Input.PressKey(VK_TAB);
        Session.Input.PressKey(VK_RETURN);
    });
    EXPECT_EQ(Form->ShowModal(), mrOk);
    EXPECT_TRUE(hooked);
    EXPECT_EQ(Form->Memo()->Lines()->GetText(), "alpha\r\nbeta\r\ngamma\r\n");
    // The form previewed every key the memo got, Escape and Enter included.
    EXPECT_NE(std::find(Log.begin(), Log.end(), "preview 27"), Log.end());
    EXPECT_EQ(Log.back(), "ok");
}
