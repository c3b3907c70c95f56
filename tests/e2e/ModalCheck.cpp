// e2e-modal: modal windows and a popup in a real X display, for run_modal_e2e.sh to leave as a
// user would. Over a main window "Modal check" it opens, one after the other, a chooser without a
// Cancel button ("Chooser"), a confirmation box ("Confirm") and the chooser again, and prints how
// each ended ("Chooser: 2", 2 being Cancel). Then it opens a popup menu over the main window and
// runs until the main window is closed.
#include <cstring>
#include <iostream>

#include "host/controls/Application.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Menus.h"
#include "host/controls/StdCtrls.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/WindowSystem.h"

namespace {

TModalResult RunChooser()
{
    TForm dialog(nullptr);
    dialog.SetCaption("Chooser");
    dialog.SetBounds(200, 150, 240, 100);
    int y = 8;
    for (const char* name : {"Abernathy Ltd", "Brightwater && Sons"}) {
        auto* button = new TButton(&dialog);
        button->SetCaption(name);
        button->SetModalResult(mrOk);
        button->SetBounds(10, y, 210, 26);
        button->SetParent(&dialog);
        y += 30;
    }
    return dialog.ShowModal();
}

} // namespace

int main()
{
    auto backend = CreateBackend("x11");
    if (std::strcmp(backend->Name(), "x11") != 0) {
        std::cerr << "e2e-modal: no X display\n";
        return 2;
    }
    TWindowSystem system(std::move(backend));
    TForm main(nullptr);
    main.SetCaption("Modal check");
    main.SetBounds(60, 60, 500, 400);
    auto* menu = new TPopupMenu(&main);
    auto* item = new TMenuItem(menu);
    item->SetCaption("&Copy");
    menu->Items()->Add(item);
    Application().SetMainForm(&main);
    main.Show();
    ProcessMessages();
    std::cout << "Chooser: " << RunChooser() << std::endl;
    std::cout << "Confirm: " << MessageDlg("Delete record?", mtConfirmation, {mbOK, mbCancel}, 0) << std::endl;
    std::cout << "Chooser: " << RunChooser() << std::endl;
    menu->Popup(main.Left() + 40, main.Top() + 40);
    std::cout << "popup open" << std::endl;
    Application().Run();
    std::cout << "closed" << std::endl;
    return 0;
}
