#pragma once
// TObjectWatch: knows whether an object still exists after a call out that may free it (an
// application handler, a nested message loop, a message sent to a window).
//
//     TObjectWatch alive(this);
//     if (OnMoveToRow) OnMoveToRow(this, ARow);
//     if (!alive) return;          // the handler freed us: touch nothing
//
// Watches are stack objects in an intrusive list; an object's destructor clears every watch on it,
// so no object pays for the mechanism but a pointer compare when it is freed, and a watch costs
// two pointer writes.
class TObject;

class TObjectWatch {
public:
    explicit TObjectWatch(const TObject* Object);
    ~TObjectWatch();
    TObjectWatch(const TObjectWatch&) = delete;
    TObjectWatch& operator=(const TObjectWatch&) = delete;

    // The watched object has not been destroyed since the watch began.
    bool Alive() const { return FObject != nullptr; }
    explicit operator bool() const { return Alive(); }

    // Called by TObject's destructor: clears every watch on Object.
    static void ObjectDestroyed(const TObject* Object);
    // Whether any watch is open (a destructor skips the scan when none is).
    static bool AnyOpen() { return FFirst != nullptr; }

private:
    const TObject* FObject;
    TObjectWatch* FPrev = nullptr;
    TObjectWatch* FNext = nullptr;
    static inline TObjectWatch* FFirst = nullptr;
};

// Gives a member of Object a value for a scope and puts the old one back at its end, also when an
// exception passes, but not when Object was freed meanwhile (a flag such as "aligning now").
template <class T>
class TScopedMember {
public:
    TScopedMember(const TObject* Object, T& Member, T Value) : FAlive(Object), FMember(Member), FOld(Member)
    {
        Member = Value;
    }
    ~TScopedMember()
    {
        if (FAlive) FMember = FOld;
    }
    TScopedMember(const TScopedMember&) = delete;
    TScopedMember& operator=(const TScopedMember&) = delete;

private:
    TObjectWatch FAlive;
    T& FMember;
    T FOld;
};

// A reference to an object that does not own it and reads null once the object is freed (a
// label's FocusControl, a control's PopupMenu).
template <class T>
class TWatchedPtr {
public:
    TWatchedPtr() = default;
    TWatchedPtr(const TWatchedPtr&) = delete;
    TWatchedPtr& operator=(const TWatchedPtr&) = delete;
    ~TWatchedPtr() { delete FWatch; }

    void Set(T* Value)
    {
        delete FWatch;
        FWatch = nullptr;
        FObject = Value;
        if (Value) FWatch = new TObjectWatch(Value);
    }
    T* Get() const { return FWatch && FWatch->Alive() ? FObject : nullptr; }

private:
    T* FObject = nullptr;
    TObjectWatch* FWatch = nullptr;
};
