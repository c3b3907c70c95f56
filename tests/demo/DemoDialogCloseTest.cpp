// The demo's dialogs can be left as a user leaves any window: the customer chooser (buttons
// only, no Cancel) and the "Delete record?" box end as Cancel through the window manager's close
// request and through Escape, and change nothing.
#include <gtest/gtest.h>

#include "apps/zelgrid-demo/DemoForm.h"
#include "host/controls/Application.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

TEST(DemoDialogClose, ChooserAndConfirmationEndAsCancelByCloseRequestAndEscape)
{
    THeadlessSession session;
    TDemoTable table = TDemoTable::Generated(5);
    auto* form = new TDemoForm(nullptr, table);
    form->Show();
    ProcessMessages();
    TZelGrid* grid = form->Grid();
    const int customer = table.FindColumn("Customer");
    const std::string before = table.Cell(customer, 1);
    for (bool byEscape : {false, true}) {
        std::vector<std::string> shown;
        TModalHookGuard hook([&](TCustomForm* Dialog) {
            shown.push_back(Dialog->Caption());
            if (byEscape) session.Input.PressKey(VK_ESCAPE);
            else session.Input.CloseRequest(Dialog->Handle(), false);
        });
        grid->AMoveColRow(grid->DataToRawColumn(2), 1 + grid->TitleRows(), true, true);
        session.Input.PressKey(VK_F2);
        grid->HideEditor();
        session.Input.PressKey(VK_DELETE);
        EXPECT_EQ(shown, (std::vector<std::string>{"Choose a customer", "Confirm"})) << byEscape;
        EXPECT_EQ(table.Cell(customer, 1), before);
        EXPECT_EQ(table.RowCount(), 5) << "nothing was deleted";
    }
    delete form;
}
