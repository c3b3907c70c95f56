// The demo's dialogs can be left as a user leaves any window: the customer chooser (buttons
// only, no Cancel) and the "Delete record?" box end as Cancel through the window manager's close
// request and through Escape, and change nothing.
#include <gtest/gtest.h>

#include <functional>

#include "apps/zelgrid-demo/DemoForm.h"
#include "binding/GeneratedOrdersSource.h"
#include "tests/demo/DemoSources.h"
#include "host/controls/Application.h"
#include "host/controls/ListBox.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

// The demo's form over five generated records, its grid and the Customer column.
class DemoDialogClose : public ::testing::Test {
protected:
    void SetUp() override
    {
        form->Show();
        ProcessMessages();
    }
    void TearDown() override { delete form; }

    THeadlessSession session;
    TGeneratedOrdersSource table{5};
    TDemoForm* form = new TDemoForm(nullptr, table);
    TZelGrid* grid = form->Grid();
    const int customer = 2;
};

} // namespace

TEST_F(DemoDialogClose, ChooserAndConfirmationEndAsCancelByCloseRequestAndEscape)
{
    const std::string before = SourceCell(table, customer, 1);
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
        EXPECT_EQ(SourceCell(table, customer, 1), before);
        EXPECT_EQ(table.RowCount(), 5) << "nothing was deleted";
    }
}

// The chooser lists the names as they are, "&" included; Enter takes the selected one, a double
// click the one under the pointer, and Cancel nothing.
TEST_F(DemoDialogClose, ChooserTakesTheNameChosenByEnterOrDoubleClick)
{
    struct TCase { const char* Name; std::function<void(TCustomForm*, TListBox*)> Choose; std::string Expected; };
    const TCase cases[] = {
        {"Enter on the second", [&](TCustomForm*, TListBox* list) {
             list->SetItemIndex(0);
             session.Input.PressKey(VK_DOWN);
             session.Input.PressKey(VK_RETURN);
         }, "Brightwater & Sons"},
        {"double click on the third", [&](TCustomForm*, TListBox* list) {
             const TRect r = list->ItemRect(2);
             session.Input.DoubleClick(list->Handle(), TPoint{r.Left + 5, r.Top + 3});
         }, "Cobalt Works"},
        {"Cancel", [&](TCustomForm*, TListBox*) { session.Input.PressKey(VK_ESCAPE); }, "Cobalt Works"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TModalHookGuard hook([&](TCustomForm* Dialog) {
            TListBox* list = nullptr;
            for (int i = 0; i < Dialog->ControlCount(); ++i)
                if (auto* l = dynamic_cast<TListBox*>(Dialog->Controls(i))) list = l;
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->Items()->Strings(1), "Brightwater & Sons");
            c.Choose(Dialog, list);
        });
        grid->AMoveColRow(grid->DataToRawColumn(2), 1 + grid->TitleRows(), true, true);
        session.Input.PressKey(VK_F2);
        grid->HideEditor();
        EXPECT_EQ(SourceCell(table, customer, 1), c.Expected) << c.Name;
    }
}
