#include "host/core/Persistent.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <strings.h>
#include <typeinfo>

#include "host/core/Exceptions.h"

std::string TObject::ClassName() const
{
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    // Host class names carry no namespace.
    const auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

void TPersistent::Assign(TPersistent* Source)
{
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::DefineProperties(TFiler*) {}

void TPersistent::AssignTo(TPersistent* Dest)
{
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* Source)
{
    const std::string sourceName = Source ? Source->ClassName() : std::string("nil");
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    ComponentState.Include(csDestroying);
    // Owned components go first, newest first; each removes itself from this list.
    while (!FComponents.empty()) delete FComponents.back();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount()) ListIndexError(Index);
    return FComponents[static_cast<size_t>(Index)];
}

TComponent* TComponent::FindComponent(const std::string& AName) const
{
    if (AName.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (strcasecmp(c->FName.c_str(), AName.c_str()) == 0) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    if (ComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (it == FComponents.end()) return;
    Notification(AComponent, opRemove);
    FComponents.erase(it);
    AComponent->FOwner = nullptr;
}

void TComponent::SetName(const std::string& NewName)
{
    FName = NewName;
}

std::string TComponent::HandlerName(const std::string& Event) const
{
    for (const auto& [event, handler] : FHandlerNames)
        if (strcasecmp(event.c_str(), Event.c_str()) == 0) return handler;
    return {};
}

void TComponent::SetHandlerName(const std::string& Event, const std::string& Handler)
{
    for (auto it = FHandlerNames.begin(); it != FHandlerNames.end(); ++it)
        if (strcasecmp(it->first.c_str(), Event.c_str()) == 0) {
            if (Handler.empty()) FHandlerNames.erase(it);
            else it->second = Handler;
            return;
        }
    if (!Handler.empty()) FHandlerNames.emplace_back(Event, Handler);
}

void TComponent::Loaded()
{
    ComponentState.Exclude(csLoading).Exclude(csReading);
}

void TComponent::SetDesigning(bool Value)
{
    if (Value) ComponentState.Include(csDesigning);
    else ComponentState.Exclude(csDesigning);
    for (TComponent* c : FComponents) c->SetDesigning(Value);
}

void TComponent::Notification(TComponent*, TOperation) {}
