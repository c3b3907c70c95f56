#include "apps/zelgrid-designer/FormDesigner.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "apps/zelgrid-designer/SelectionMarks.h"
#include "host/controls/Forms.h"
#include "host/controls/Menus.h"
#include "host/core/Exceptions.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "host/streaming/PropertyRegistry.h"

namespace {

// Larger files are refused before they are read into memory.
constexpr std::streamoff MaxFileSize = std::streamoff{256} << 20;

std::string ReadFormFile(const std::string& Path)
{
    std::ifstream in(Path, std::ios::binary | std::ios::ate);
    if (!in) throw EReadError("Cannot open " + Path);
    const std::streamoff size = in.tellg();
    if (size > MaxFileSize) throw EReadError(Path + " is larger than 256 MiB");
    in.seekg(0);
    std::string data(static_cast<std::size_t>(size), '\0');
    if (!in.read(data.data(), size)) throw EReadError("Cannot read " + Path);
    return data;
}

bool IsMouseMessage(UINT Msg) { return Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST; }
bool IsKeyMessage(UINT Msg) { return Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST; }

} // namespace

TFormDesigner::TFormDesigner(const std::string& Path)
    : FFileName(Path), FDesignOwner(std::make_unique<TComponent>(nullptr)), FVerbMenu(std::make_unique<TPopupMenu>(nullptr)),
      FMarks(std::make_unique<TSelectionMarks>())
{
    const std::string data = ReadFormFile(Path);
    FTextForm = IsTextForm(data);
    FDesignOwner->SetDesigning(true);
    // Handlers the form names stay recorded by name and are written back on saving.
    THandlerTable handlers;
    handlers.AcceptUnknown = true;
    TComponent* root = ReadForm(data, nullptr, &handlers, FDesignOwner.get());
    FRoot.Set(root);
    auto* form = dynamic_cast<TCustomForm*>(root);
    if (!form) throw EReadError(Path + " holds a " + root->ClassName() + ", not a form");
    form->SetDesigner(this);
    FSelection.Set(root);
}

TFormDesigner::~TFormDesigner()
{
    if (TCustomForm* form = Form()) form->SetDesigner(nullptr);
    FMarks.reset();
    FVerbMenu.reset();
    FDesignOwner.reset();
}

TCustomForm* TFormDesigner::Form() const { return dynamic_cast<TCustomForm*>(FRoot.Get()); }

void TFormDesigner::Modified()
{
    FModified = true;
    // The selected control may have moved or changed its size.
    MarkSelection();
    if (OnModifiedChanged) OnModifiedChanged();
}

void TFormDesigner::Select(TComponent* Component)
{
    if (Component == FSelection.Get()) return;
    FSelection.Set(Component);
    MarkSelection();
    if (OnSelectionChanged) OnSelectionChanged();
}

void TFormDesigner::MarkSelection()
{
    auto* control = dynamic_cast<TControl*>(FSelection.Get());
    FMarks->Mark(control == FRoot.Get() ? nullptr : control);
}

TComponent* TFormDesigner::FindDesigned(const std::string& Name) const
{
    TComponent* root = FRoot.Get();
    if (!root) return nullptr;
    if (strcasecmp(root->Name().c_str(), Name.c_str()) == 0) return root;
    return root->FindComponent(Name);
}

void TFormDesigner::ExecuteVerb(TComponent* Component, int Index)
{
    GetComponentEditor(Component, this)->ExecuteVerb(Index);
}

void TFormDesigner::Edit(TComponent* Component)
{
    GetComponentEditor(Component, this)->Edit();
}

void TFormDesigner::PopupVerbs(TComponent* Component, TPoint ScreenPos)
{
    TMenuItem* items = FVerbMenu->Items();
    while (items->Count() > 0) delete items->Items(items->Count() - 1);
    std::unique_ptr<TComponentEditor> editor = GetComponentEditor(Component, this);
    const int count = editor->GetVerbCount();
    if (count <= 0) return;
    for (int i = 0; i < count; ++i) {
        auto* item = new TMenuItem(nullptr);
        item->SetCaption(editor->GetVerb(i));
        // The verb runs after the menu closed, on a fresh editor; the component may be gone.
        item->OnClick = [this, i](TObject*) {
            if (TComponent* c = FMenuComponent.Get()) ExecuteVerb(c, i);
        };
        items->Add(item);
    }
    FMenuComponent.Set(Component);
    FVerbMenu->SetPopupComponent(Component);
    FVerbMenu->Popup(ScreenPos.X, ScreenPos.Y);
}

// ----- the designed form's messages ---------------------------------------------------------

TComponent* TFormDesigner::ComponentAt(TControl* Sender) const
{
    TComponent* root = FRoot.Get();
    for (TControl* c = Sender; c; c = c->Parent())
        if (c == root || (c->Owner() == root && !c->Name().empty())) return c;
    return root;
}

bool TFormDesigner::DesignHit(TControl* Sender, const TMessage& Message) const
{
    if (Sender == FRoot.Get()) return false;
    return Sender->Perform(CM_DESIGNHITTEST, Message.WParam, Message.LParam) != 0;
}

bool TFormDesigner::IsDesignMsg(TControl* Sender, TMessage& Message)
{
    if (FPassing) return false;
    const UINT msg = Message.Msg;
    if (msg == WM_CLOSE && Sender == FRoot.Get()) {
        if (OnCloseCommand) OnCloseCommand();
        return true;
    }
    if (IsKeyMessage(msg)) {
        // An open menu (the verbs) takes the keys through the control's own handling.
        if (MenuTracking()) return false;
        const TWMKey key{Message};
        if (msg == WM_KEYDOWN && key.CharCode() == 'S' && key.Shift().Contains(ssCtrl) && OnSaveCommand)
            OnSaveCommand();
        return true;
    }
    if (IsMouseMessage(msg)) return MouseMessage(Sender, Message);
    return false;
}

bool TFormDesigner::MouseMessage(TControl* Sender, TMessage& Message)
{
    const UINT msg = Message.Msg;
    if (TControl* owner = FPressControl.Get()) {
        if (Sender != owner) return true;
        if (msg == WM_LBUTTONUP) EndControlPress(Sender, Message);
        return msg == WM_LBUTTONUP;
    }
    switch (msg) {
    case WM_MOUSEMOVE: return !DesignHit(Sender, Message);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (DesignHit(Sender, Message)) {
            FPressControl.Set(Sender);
            FPressSnapshot = WriteForm(FRoot.Get());
            return false;
        }
        Select(ComponentAt(Sender));
        if (msg == WM_LBUTTONDBLCLK)
            if (TComponent* c = Selection()) Edit(c);
        return true;
    case WM_RBUTTONDOWN: Select(ComponentAt(Sender)); return true;
    case WM_RBUTTONUP: {
        const TWMMouse mouse{Message};
        if (TComponent* c = ComponentAt(Sender)) PopupVerbs(c, Sender->ClientToScreen(mouse.Pos()));
        return true;
    }
    default: return true;
    }
}

void TFormDesigner::EndControlPress(TControl* Sender, TMessage& Message)
{
    FPressControl.Set(nullptr);
    {
        struct TPassing {
            bool& Flag;
            ~TPassing() { Flag = false; }
        } passing{FPassing};
        FPassing = true;
        Sender->WndProc(Message);
    }
    if (FRoot.Get() && WriteForm(FRoot.Get()) != FPressSnapshot) Modified();
    FPressSnapshot.clear();
}

// ----- the Name editor ----------------------------------------------------------------------

namespace {

bool IsIdent(const std::string& S)
{
    const auto letter = [](char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; };
    if (S.empty() || !letter(S[0])) return false;
    return std::all_of(S.begin(), S.end(), [&](char C) { return letter(C) || (C >= '0' && C <= '9'); });
}

} // namespace

void TComponentNameProperty::SetValue(const std::string& Value)
{
    auto* component = dynamic_cast<TComponent*>(GetComponent(0));
    if (!component || Value == component->Name()) return;
    if (!IsIdent(Value)) throw EConvertError("'" + Value + "' is not a valid component name");
    TComponent* root = Designer() ? Designer()->Root() : nullptr;
    TComponent* other = root ? root->FindComponent(Value) : nullptr;
    if ((other && other != component) || (root && component != root && strcasecmp(root->Name().c_str(), Value.c_str()) == 0))
        throw EConvertError("A component named " + Value + " already exists");
    TPropertyEditor::SetValue(Value);
}

void RegisterDesignerEditors()
{
    const TPropInfo* name = PropertyRegistry().FindClass("TComponent")->FindProperty("Name");
    RegisterPropertyEditor(name->PropType, "TComponent", "Name", PropertyEditorOf<TComponentNameProperty>());
}

// ----- saving -------------------------------------------------------------------------------

void TFormDesigner::Save()
{
    std::string data = WriteForm(FRoot.Get());
    if (FTextForm) data = ObjectBinaryToText(data);
    WriteFileReplacing(FFileName, data);
    FModified = false;
    if (OnModifiedChanged) OnModifiedChanged();
}

void WriteFileReplacing(const std::string& File, const std::string& Data)
{
    const auto fail = [&](const std::string& What) {
        return EWriteError("Cannot save " + File + ": " + What + " (" + std::strerror(errno) + ")");
    };
    // A symbolic link stays one: the file it names is replaced.
    std::string target = File;
    if (char* real = realpath(File.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) throw fail("cannot create a temporary file beside it");
    // The saved file keeps the permissions the old one had.
    struct stat old {};
    if (stat(target.c_str(), &old) == 0) (void)fchmod(fd, old.st_mode & 07777);
    std::size_t done = 0;
    while (done < Data.size()) {
        const ssize_t n = write(fd, Data.data() + done, Data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const EWriteError error = fail("writing failed");
            close(fd);
            unlink(temp.c_str());
            throw error;
        }
        done += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        const EWriteError error = fail("writing failed");
        unlink(temp.c_str());
        throw error;
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        const EWriteError error = fail("renaming the temporary file failed");
        unlink(temp.c_str());
        throw error;
    }
}
