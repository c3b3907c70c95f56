#pragma once
// TObject, TPersistent and TComponent: the roots of the host's object model.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/core/ObjectWatch.h"
#include "host/core/Sets.h"

class TFiler;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    // Clears every TObjectWatch on this object, so callers out know it is gone.
    virtual ~TObject()
    {
        if (TObjectWatch::AnyOpen()) TObjectWatch::ObjectDestroyed(this);
    }
    // The class name as the host spells it ("TFont"), taken from the dynamic type.
    std::string ClassName() const;
};

// A handler of a plain notification, such as a font's change.
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TPersistent : public TObject {
public:
    // Copies Source into this object. The base asks Source to copy itself (AssignTo);
    // a pair of classes that cannot copy raises EConvertError naming both classes.
    virtual void Assign(TPersistent* Source);
    // Extra, non-published data a class writes to and reads from a form file.
    virtual void DefineProperties(TFiler* Filer);

protected:
    virtual void AssignTo(TPersistent* Dest);
    [[noreturn]] void AssignError(TPersistent* Source);
};

enum TComponentStateItem : unsigned char {
    csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor, csUpdating, csFixups
};
using TComponentState = TSet<TComponentStateItem, unsigned short>;

enum TOperation : unsigned char { opInsert, opRemove };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const;
    // Finds an owned component by name (case-insensitive), or nullptr.
    TComponent* FindComponent(const std::string& AName) const;
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);

    const std::string& Name() const { return FName; }
    // Free for the application.
    int Tag = 0;
    virtual void SetName(const std::string& NewName);

    TComponentState ComponentState;
    // Marks the component as being loaded from a form; Loaded ends it.
    void BeginLoading() { ComponentState.Include(csLoading).Include(csReading); }
    virtual void Loaded();
    // Marks this component and everything it owns as being designed (or not).
    void SetDesigning(bool Value);
    // A form reader places a component read inside another one there (a control on its form).
    virtual void SetParentComponent(TComponent*) {}

    // The name of the application's handler each event was bound to from a form file, so that
    // the form writer can write it back; empty when the event was not bound by name.
    std::string HandlerName(const std::string& Event) const;
    void SetHandlerName(const std::string& Event, const std::string& Handler);


protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::string FName;
    std::vector<std::pair<std::string, std::string>> FHandlerNames;
};
