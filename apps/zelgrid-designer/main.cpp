// zelgrid-designer: opens a form file (binary or text) at design time, shows the form beside the
// selected component's properties, runs the component and property editors, and saves the file.
// Without a display, or with --png, it renders its windows to a PNG and exits.
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "apps/zelgrid-designer/DesignerWindow.h"
#include "apps/zelgrid-designer/FormDesigner.h"
#include "host/controls/Application.h"
#include "host/controls/Dialogs.h"
#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/WindowSystem.h"
#include "package/Zelpack4.h"

namespace {

const char* const Usage =
    "usage: zelgrid-designer FILE [--select NAME] [--layout-editor GRIDNAME] [--png OUT]\n"
    "  FILE                    a form file, binary or text; saved in the same form\n"
    "  --select NAME           select the component NAME at start\n"
    "  --layout-editor GRID    open the layout editor on the grid GRID at start\n"
    "  --png OUT               render the form and the designer (and the layout editor, when\n"
    "                          opened) to OUT instead of opening windows\n"
    "  --help                  show this text\n"
    "Mouse: a click selects, a right click offers the component's editor commands, a double\n"
    "click runs its first one. Ctrl+S saves.\n";

struct TOptions {
    std::string File, Png, Select, LayoutEditor;
};

std::optional<TOptions> ParseOptions(int argc, char** argv, int& Exit)
{
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            Exit = 0;
            return std::nullopt;
        }
        if (arg == "--png" && hasValue) options.Png = argv[++i];
        else if (arg == "--select" && hasValue) options.Select = argv[++i];
        else if (arg == "--layout-editor" && hasValue) options.LayoutEditor = argv[++i];
        else if (arg.rfind("--", 0) != 0 && options.File.empty()) options.File = arg;
        else {
            std::cerr << "zelgrid-designer: unknown or incomplete option " << arg << "\n" << Usage;
            Exit = 2;
            return std::nullopt;
        }
    }
    if (options.File.empty()) {
        std::cerr << Usage;
        Exit = 2;
        return std::nullopt;
    }
    return options;
}

struct TUsageError {
    std::string Message;
};

TComponent* Designed(TFormDesigner& Designer, const std::string& Name)
{
    TComponent* component = Designer.FindDesigned(Name);
    if (!component) throw TUsageError{"the form has no component named " + Name};
    return component;
}

// Selects what the options name and opens the layout editor when asked.
void StartSession(TFormDesigner& Designer, const TOptions& Options)
{
    if (!Options.Select.empty()) Designer.Select(Designed(Designer, Options.Select));
    if (Options.LayoutEditor.empty()) return;
    TComponent* grid = Designed(Designer, Options.LayoutEditor);
    Designer.Select(grid);
    if (GetComponentEditor(grid, &Designer)->GetVerbCount() == 0)
        throw TUsageError{Options.LayoutEditor + " has no component editor"};
    Designer.ExecuteVerb(grid, 0);
}

// The windows side by side, as they stand on the screen: the form, the designer, and a dialog.
std::unique_ptr<TBitmap> Compose(const std::vector<const TBitmap*>& Shots)
{
    constexpr int Gap = 8;
    int width = 0, height = 0;
    for (const TBitmap* shot : Shots) {
        width += shot->Width() + Gap;
        height = std::max(height, shot->Height());
    }
    auto result = std::make_unique<TBitmap>(std::max(width - Gap, 1), std::max(height, 1));
    TCanvas* canvas = result->Canvas();
    canvas->Brush()->SetColor(clAppWorkSpace);
    canvas->FillRect({0, 0, result->Width(), result->Height()});
    int x = 0;
    for (const TBitmap* shot : Shots) {
        canvas->Draw(x, 0, *shot);
        x += shot->Width() + Gap;
    }
    return result;
}

void RenderToPng(const TOptions& Options, const std::string& Out)
{
    THeadlessSession session;
    TFormDesigner designer(Options.File);
    TDesignerWindow window(nullptr, designer);
    window.ShowDesigner();
    ProcessMessages();
    // Dialogs are captured as they open and then cancelled: nobody is there to answer them.
    std::unique_ptr<TBitmap> dialog;
    {
        TModalHookGuard hook([&](TCustomForm* Form) {
            ProcessMessages();
            if (!dialog) dialog = CaptureWindow(Form->Handle());
            Form->SetModalResult(mrCancel);
        });
        StartSession(designer, Options);
    }
    ProcessMessages();
    std::vector<std::unique_ptr<TBitmap>> shots;
    shots.push_back(CaptureWindow(designer.Form()->Handle()));
    shots.push_back(CaptureWindow(window.Handle()));
    std::vector<const TBitmap*> all{shots[0].get(), shots[1].get()};
    if (dialog) all.push_back(dialog.get());
    Compose(all)->SaveToPNG(Out);
}

int RunOnDisplay(std::unique_ptr<TWindowBackend> Backend, const TOptions& Options)
{
    TWindowSystem system(std::move(Backend));
    TFormDesigner designer(Options.File);
    auto window = std::make_unique<TDesignerWindow>(nullptr, designer);
    TObjectWatch alive(window.get());
    // A refused value or a failed command is shown, and the session goes on.
    Application().OnException = [](TObject*, const Exception& E) { MessageDlg(E.what(), mtError, {mbOK}); };
    Application().SetMainForm(window.get());
    window->ShowDesigner();
    ProcessMessages();
    StartSession(designer, Options);
    Application().Run();
    Application().OnException = nullptr;
    if (!alive) (void)window.release();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    const std::optional<TOptions> options = ParseOptions(argc, argv, exitCode);
    if (!options) return exitCode;
    // The designer installs the package: its units' initialisation, then its registrations.
    Zelpack4Initialize();
    Register();
    RegisterDesignerEditors();
    try {
        if (!options->Png.empty()) {
            RenderToPng(*options, options->Png);
            std::cout << "Rendered the designer to " << options->Png << "\n";
            return 0;
        }
        auto backend = CreateBackend("x11");
        if (std::strcmp(backend->Name(), "x11") == 0) return RunOnDisplay(std::move(backend), *options);
        RenderToPng(*options, "zelgrid-designer.png");
        std::cout << "No display: rendered the designer to zelgrid-designer.png\n";
        return 0;
    } catch (const TUsageError& E) {
        std::cerr << "zelgrid-designer: " << E.Message << "\n";
        return 2;
    } catch (const std::exception& E) {
        std::cerr << "zelgrid-designer: " << E.what() << "\n";
        return 1;
    }
}
