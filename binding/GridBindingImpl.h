#pragma once
// What the files of TGridBinding share and its users do not need: the state the worker shares
// with the GUI thread, the hidden window that polls it, and the helpers of more than one file.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "binding/GridBinding.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/WindowSystem.h"

namespace GridBindingDetail {

__extension__ typedef __int128 TWide;

inline bool IsNumeric(TSourceColumnKind Kind) { return Kind == TSourceColumnKind::Integer || Kind == TSourceColumnKind::Number; }

// Adds column Col of the records from From on to Sum, in large pages that bypass the cache. When
// Progress asks it to stop, between two pages, Next is where it stopped; -1 once done.
void SumColumn(TTableSource& Source, int Col, std::int64_t From, TWide& Sum, std::int64_t& Next,
               const TSourceProgress& Progress);

inline constexpr UINT_PTR PollTimer = 1;

} // namespace GridBindingDetail

// What the worker shares with the GUI thread. The worker only appends progress and sets Done; the
// GUI thread takes them. Cancel is read by the worker's progress callback.
struct TGridBinding::TJobState {
    std::mutex Lock;
    std::condition_variable Ended;
    std::vector<double> Progress;
    double LastProgress = -1;
    bool Done = false;
    bool Cancelled = false;
    std::string Error;
    std::atomic<bool> Cancel{false};
    // What a read brought, taken by the GUI thread once Done.
    std::int64_t Count = 0;
    std::vector<TSourceRow> Rows;
    GridBindingDetail::TWide Sum = 0;
    std::int64_t SumNext = -1;
    // What a write brought: the source's refusal, the appended record's position.
    std::string Refusal;
    std::int64_t Row = -1;
};

// A hidden window of the binding's own whose timer brings the worker's news to the GUI thread; it
// lives as long as the binding, whatever becomes of the grid.
class TGridBinding::TPump : public TMessageTarget {
public:
    explicit TPump(TGridBinding& Owner) : FOwner(Owner)
    {
        TCreateParams params;
        params.Style = WS_POPUP;
        params.Background = clNone;
        params.Target = this;
        if (!CreateWindowEx(params)) throw ESourceError("The binding could not make its window");
    }
    ~TPump() override
    {
        if (WindowHandle() && TWindowSystem::CurrentOrNull()) DestroyWindow(WindowHandle());
    }
    void Start() { SetTimer(WindowHandle(), GridBindingDetail::PollTimer, PollInterval); }
    void Stop() { KillTimer(WindowHandle(), GridBindingDetail::PollTimer); }

protected:
    void WMTimer(TWMTimer& Message) override
    {
        if (Message.TimerID() == GridBindingDetail::PollTimer) FOwner.Poll();
        else TMessageTarget::WMTimer(Message);
    }

private:
    TGridBinding& FOwner;
};
