// Writes the seed corpora of the form fuzz targets: a form with two grids of several layouts,
// in binary and (without its leading "object ") in text.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "host/controls/Forms.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "zelgrid/Zelgrid.h"

int main(int Argc, char** Argv)
{
    if (Argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", Argv[0]);
        return 2;
    }
    RegisterZelGridProperties();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("Form1");
    for (int g = 0; g < 2; ++g) {
        auto* grid = new TZelGrid(form.get());
        grid->SetName("Grid" + std::to_string(g + 1));
        for (int l = 0; l < 2; ++l) {
            TZelGridColumns* columns = (l == 0 ? grid->Layout()->GetItem(0) : grid->Layout()->Add())->GeTZelColumns();
            columns->Add()->Title()->SetCaption("Name");
            TZelColumn* column = columns->Add();
            column->SetWidth(80);
            column->GetPickList()->Add("yes");
            column->GetFont()->SetStyle(TFontStyles{fsBold});
            columns->Add()->SetVisible(false);
        }
        grid->SetHandlerName("OnGetDataCell", "Form1GetDataCell");
    }
    const std::string binary = WriteForm(form.get());
    const std::string text = ObjectBinaryToText(binary);
    const std::filesystem::path root = Argv[1];
    for (const char* folder : {"form_binary", "form_text"}) std::filesystem::create_directories(root / folder);
    std::ofstream(root / "form_binary" / "grids", std::ios::binary) << binary;
    std::ofstream(root / "form_text" / "grids", std::ios::binary) << text.substr(7);
    return 0;
}
