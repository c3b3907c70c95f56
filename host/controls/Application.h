#pragma once
// TApplication: the program's message loop and its forms. One object per process, reached
// through Application(); it holds no window state of its own (that belongs to the current window
// system), so it outlives any number of window systems, as tests create them.
#include <functional>
#include <string>

#include "host/controls/Forms.h"
#include "host/core/Exceptions.h"

// Called when a modal loop starts, after its form is shown: tests answer dialogs here (set the
// form's ModalResult, or script input) instead of a person.
using TModalHook = std::function<void(TCustomForm* Form)>;
// Told of an error a handler raised while HandleMessage ran it (a refused value, a file that
// cannot be written), so that a program shows it and goes on.
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;

class TApplication : public TComponent {
public:
    TApplication();

    // Shows the main form and handles messages until the application terminates.
    void Run();
    // Handles every message waiting now.
    void ProcessMessages();
    // Waits for one message and handles it. With OnException set, an Exception the message's
    // handlers raise goes to it instead of to the caller.
    void HandleMessage();
    // Ends Run (and any modal loop) once the quit message is handled.
    void Terminate();
    bool Terminated() const;

    // Closing the main form ends Run; a form forgets being the main form when it is freed.
    TCustomForm* MainForm() const { return FMainForm; }
    void SetMainForm(TCustomForm* Value) { FMainForm = Value; }
    // Nesting depth of modal loops now running.
    int ModalLevel() const { return FModalLevel; }

    std::string Title;
    TModalHook OnModalBegin;
    TExceptionEvent OnException;

    // Called by ShowModal around its loop.
    void ModalStarted(TCustomForm* Form);
    void ModalFinished(TCustomForm* Form);

private:
    TCustomForm* FMainForm = nullptr;
    int FModalLevel = 0;
};

TApplication& Application();

// Installs a modal hook for the length of a scope and puts the previous one back.
class TModalHookGuard {
public:
    explicit TModalHookGuard(TModalHook Hook) : FSaved(std::move(Application().OnModalBegin))
    {
        Application().OnModalBegin = std::move(Hook);
    }
    ~TModalHookGuard() { Application().OnModalBegin = std::move(FSaved); }
    TModalHookGuard(const TModalHookGuard&) = delete;
    TModalHookGuard& operator=(const TModalHookGuard&) = delete;

private:
    TModalHook FSaved;
};
