// hello: a TZelGrid over a std::vector of records, editable; a window, or a PNG with --png FILE.
#include <charconv>
#include <string>
#include <vector>

#include "zelgrid/Program.h"

struct TCity { std::string Name, Country; int People; };
std::vector<TCity> Cities = {{"Oslo", "Norway", 709037}, {"Lisbon", "Portugal", 545796}, {"Riga", "Latvia", 605273}};

int main(int argc, char** argv)
{
    const char* png = argc == 3 && std::string(argv[1]) == "--png" ? argv[2] : nullptr;
    TWindowSystem windows(CreateBackend(png ? "headless" : "x11")); // headless when there is no display
    TForm form(nullptr);
    form.SetCaption("hello: cities");
    auto* grid = new TZelGrid(&form); // freed by the form
    grid->SetAlign(alClient);
    grid->SetOptions(grid->Options() + dgAlwaysShowSelection); // a set: + and - add or take away options
    for (const char* caption : {"City", "Country", "People"}) grid->Columns()->Add()->Title()->SetCaption(caption);
    grid->OnGetRowCount = [](int& ARowCount) { ARowCount = static_cast<int>(Cities.size()); };
    grid->OnGetDataCell = [](int ACol, int ARow, std::string& AValue) {
        AValue = ACol == 0 ? Cities[ARow].Name : ACol == 1 ? Cities[ARow].Country : std::to_string(Cities[ARow].People);
    };
    grid->OnValidateData = [](int ACol, int ARow, const std::string& NewVal, bool& ACancel) {
        int people = 0;
        std::from_chars(NewVal.data(), NewVal.data() + NewVal.size(), people);
        ACancel = ACol == 2 && std::to_string(people) != NewVal; // not a whole number: refused, the old value stays
        if (ACol == 0) Cities[ARow].Name = NewVal; // an edit arrives here as its row is left
        if (ACol == 1) Cities[ARow].Country = NewVal;
        if (ACol == 2 && !ACancel) Cities[ARow].People = people;
    };
    grid->SetParent(&form);
    form.Show();
    Application().SetMainForm(&form);
    if (std::string(windows.Backend().Name()) == "x11") Application().Run(); // the event loop, until the window closes
    else CaptureWindow(form.Handle())->SaveToPNG(png ? png : "hello.png");
}
