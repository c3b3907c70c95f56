// A grid on a modal form without a Cancel button: Escape belongs to the grid while it edits (an
// open pick list closes, then the editor hides, committing as the grid does); only then does
// Escape leave the form as Cancel.
#include <gtest/gtest.h>

#include <map>

#include "ZelGridTestSupport.h"
#include "host/controls/Application.h"
#include "host/windows/Input.h"

TEST_F(ZelGridTest, EscapeClosesTheListThenTheEditorThenTheModalForm)
{
    AddColumns(2);
    Columns()->GeTZelColumn(1)->GetPickList()->SetText("New\r\nShipped\r\n");
    std::map<int, std::string> stored;
    Grid->OnGetDataCell = [&](int ACol, int, std::string& Value) { Value = stored.count(ACol) ? stored[ACol] : "old"; };
    Grid->OnValidateData = [&](int ACol, int, const std::string& NewVal, bool&) { stored[ACol] = NewVal; };
    Grid->SetParent(Form);
    std::vector<std::string> log;
    TModalHookGuard hook([&](TCustomForm*) {
        Grid->SetFocus();
        Session.Input.TypeText("typed");
        if (Grid->FEditorActive) log.push_back("editing");
        Session.Input.PressKey(VK_ESCAPE);
        if (!Grid->FEditorActive && Form->ModalResult() == mrNone) log.push_back("editor hidden");
        Session.Input.PressKey(VK_TAB);
        Session.Input.PressKey(VK_F2);
        if (Grid->Editor()->ListVisible()) log.push_back("list dropped");
        Session.Input.PressKey(VK_ESCAPE);
        if (!Grid->Editor()->ListVisible() && Grid->FEditorActive) log.push_back("list closed");
        Session.Input.PressKey(VK_ESCAPE);
        if (!Grid->FEditorActive && Form->ModalResult() == mrNone) log.push_back("editor hidden");
        Session.Input.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(log, (std::vector<std::string>{"editing", "editor hidden", "list dropped", "list closed", "editor hidden"}));
    EXPECT_EQ(stored[0], "typed") << "Escape hides the grid's editor as the grid does: the text is kept";
}
