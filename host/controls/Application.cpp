#include "host/controls/Application.h"

#include "host/windows/MessageQueue.h"

TApplication& Application()
{
    static TApplication application;
    return application;
}

TApplication::TApplication() : TComponent(nullptr) {}

void TApplication::Run()
{
    if (FMainForm) FMainForm->Show();
    while (!Terminated()) HandleMessage();
}

void TApplication::ProcessMessages()
{
    ::ProcessMessages();
}

void TApplication::HandleMessage()
{
    if (!OnException) return ::HandleMessage();
    try {
        ::HandleMessage();
    } catch (const Exception& E) {
        OnException(this, E);
    }
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

bool TApplication::Terminated() const
{
    return QuitReceived();
}

void TApplication::ModalStarted(TCustomForm* Form)
{
    ++FModalLevel;
    if (OnModalBegin) OnModalBegin(Form);
}

void TApplication::ModalFinished(TCustomForm*)
{
    if (FModalLevel > 0) --FModalLevel;
}
