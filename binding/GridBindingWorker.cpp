// TGridBinding: the worker and its jobs: starting one, polling its progress, taking what it
// brought, and the job waiting after it.
#include <algorithm>
#include <mutex>
#include <thread>

#include "binding/GridBinding.h"
#include "binding/GridBindingImpl.h"

using namespace GridBindingDetail;

namespace {

// Progress closer than this to the last one told is not told again.
constexpr double ProgressStep = 0.01;

} // namespace

bool TGridBinding::StartRead(TJob Job, std::chrono::milliseconds Grace)
{
    if (Busy()) {
        FMissedRows = FMissedRows || Job.Kind != TJobKind::Sum;
        return false;
    }
    Job.Generation = Job.Kind == TJobKind::Sum ? FSumsGeneration : FRowsGeneration;
    StartJob(std::move(Job), Grace);
    return true;
}

void TGridBinding::YieldSum()
{
    if (!Busy() || FJob.Kind != TJobKind::Sum) return;
    FState->Cancel = true;
    {
        std::unique_lock lock(FState->Lock);
        if (!FState->Ended.wait_for(lock, FReadGrace, [this] { return FState->Done; })) return;
    }
    FinishJob(true);
}

void TGridBinding::StartJob(TJob Job, std::chrono::milliseconds Grace)
{
    if (Grace.count() < 0) Grace = FReadGrace;
    FJob = std::move(Job);
    FJobShown = false;
    FState = std::make_shared<TJobState>();
    // The row count the grid shows stays while the worker has the source.
    if (FRowCount >= 0) FShownRowCount = FRowCount;
    FWorker = std::thread([State = FState, &Source = FSource, Job = FJob] {
        const TSourceProgress progress = [&State](double Fraction) {
            {
                std::lock_guard lock(State->Lock);
                if (Fraction >= State->LastProgress + ProgressStep || Fraction >= 1 || Fraction < State->LastProgress) {
                    State->Progress.push_back(Fraction);
                    State->LastProgress = Fraction;
                }
            }
            return !State->Cancel;
        };
        bool cancelled = false;
        std::string error;
        try {
            switch (Job.Kind) {
            case TJobKind::Refresh: Source.Refresh(progress); break;
            case TJobKind::Order: Source.SetOrder(Job.Col, Job.Direction, progress); break;
            // A count or a page tells no progress of its own: the status line names it from the start.
            case TJobKind::Count:
                progress(0);
                State->Count = Source.RowCount();
                break;
            case TJobKind::Page:
                progress(0);
                Source.ReadRows(Job.Page * PageRows, PageRows, State->Rows);
                break;
            case TJobKind::Sum:
                State->Sum = Job.Partial;
                SumColumn(Source, Job.Col, Job.From, State->Sum, State->SumNext, progress);
                break;
            case TJobKind::Update: State->Refusal = Source.UpdateCell(Job.Row, Job.Col, Job.Value); break;
            case TJobKind::Insert: State->Refusal = Source.InsertRecord(State->Row); break;
            case TJobKind::Delete: State->Refusal = Source.DeleteRecord(Job.Row); break;
            }
        } catch (const ESourceCancelled&) {
            cancelled = true;
        } catch (const std::exception& E) {
            error = E.what();
        } catch (...) {
            error = "The table could not be read";
        }
        std::lock_guard lock(State->Lock);
        State->Done = true;
        State->Cancelled = cancelled;
        State->Error = std::move(error);
        State->Ended.notify_all();
    });
    {
        // A quick call is waited for: no progress shown, the new order in the next frame, the
        // read's result to the caller at once.
        std::unique_lock lock(FState->Lock);
        if (FState->Ended.wait_for(lock, Grace, [this] { return FState->Done; })) {
            lock.unlock();
            FinishJob(!FJob.Changes());
            return;
        }
    }
    try {
        if (!FPump) FPump = std::make_unique<TPump>(*this);
        FPump->Start();
        FJobShown = true;
        // This job's end clears the status line now.
        FEndOwed = false;
    } catch (const std::exception&) {
        // Without a window to hear from the worker, the call is waited for as a short one.
        std::unique_lock lock(FState->Lock);
        FState->Ended.wait(lock, [this] { return FState->Done; });
        lock.unlock();
        FinishJob(!FJob.Changes());
    }
}

void TGridBinding::Poll()
{
    const std::shared_ptr<TJobState> state = FState;
    if (!state) {
        // A job that ended inside a grid's event left the end of its progress and the job after
        // it to this turn.
        if (FPump) FPump->Stop();
        if (FEndOwed) {
            FEndOwed = false;
            const std::weak_ptr<bool> life = FLife;
            if (OnProgress) OnProgress(0.0, std::string());
            if (life.expired()) return;
        }
        StartPending();
        return;
    }
    std::vector<double> progress;
    bool done = false;
    {
        std::lock_guard lock(FState->Lock);
        progress.swap(FState->Progress);
        done = FState->Done;
    }
    // The handler may free the binding or start or stop things; each call checks afterwards.
    const std::weak_ptr<bool> life = FLife;
    const std::string text = FJob.Text;
    for (double fraction : progress) {
        if (!OnProgress) break;
        OnProgress(fraction, text);
        // A modal loop in the handler may have ended this job and started another.
        if (life.expired() || FState != state) return;
    }
    if (done && FState == state) FinishJob();
}

bool TGridBinding::KeepRead(const TJob& Job, TJobState& State)
{
    switch (Job.Kind) {
    case TJobKind::Count:
        if (Job.Generation != FRowsGeneration) return false;
        FRowCount = std::max<std::int64_t>(State.Count, 0);
        FShownRowCount = FRowCount;
        return true;
    case TJobKind::Page:
        if (Job.Generation != FRowsGeneration) return false;
        KeepPage(Job.Page, std::move(State.Rows));
        return true;
    case TJobKind::Sum:
        if (Job.Generation != FSumsGeneration) return false;
        ForgetSum(Job.Col);
        FSums.push_back({Job.Col, State.Sum});
        return true;
    default: return false;
    }
}

void TGridBinding::FinishJob(bool Inline)
{
    if (FPump) FPump->Stop();
    FWorker.join();
    const std::shared_ptr<TJobState> state = std::move(FState);
    const TJob job = std::move(FJob);
    FJob = {};
    const bool shown = FJobShown;
    FJobShown = false;
    const std::weak_ptr<bool> life = FLife;
    // The source changed only when the call went through; a cancelled or failed one keeps its
    // order, and the rows shown stay right.
    const bool changed = !state->Cancelled && state->Error.empty();
    if (!job.Reads() && !job.Changes()) {
        if (!FinishWrite(job, *state, Inline)) return;
        if (shown && Inline) {
            FEndOwed = true;
        } else if (shown && OnProgress) {
            OnProgress(FWriteEnd == TWriteEnd::Stored ? 1.0 : 0.0, std::string());
            if (life.expired()) return;
        }
    } else if (job.Reads()) {
        // A read: kept when it is still for the cache it was asked for; a failed one is kept as
        // the last error, never shown in a box (it may have been asked for by a paint).
        const bool kept = changed && KeepRead(job, *state);
        if (!state->Error.empty()) FLastError = state->Error;
        // A sum that stepped aside goes on from where it stopped.
        if (job.Kind == TJobKind::Sum && state->Cancelled && state->SumNext >= 0 && job.Generation == FSumsGeneration)
            FSumResume = TSumResume{job.Col, state->SumNext, state->Sum, FRowsGeneration};
        if (kept && !Inline && FGridAlive) {
            TObjectWatch alive(FGrid);
            if (job.Kind == TJobKind::Count) FGrid->UpdateRowCount();
            if (alive && !FCaptionWidths.empty() && !Busy()) WidenFromData();
            if (alive) {
                FMissedRows = false;
                FGrid->Invalidate();
            }
        }
        if (shown && Inline) {
            FEndOwed = true;
        } else if (shown && OnProgress) {
            OnProgress(changed ? 1.0 : 0.0, std::string());
            if (life.expired()) return;
        }
    } else {
        if (changed) {
            ReadFields();
            if (job.Kind == TJobKind::Refresh) DropCache();
            else ForgetRows();
            if (FGridAlive) {
                TObjectWatch alive(FGrid);
                if (!FCaptionWidths.empty()) WidenFromData();
                if (alive && job.Kind == TJobKind::Refresh) FGrid->UpdateRowCount();
                if (alive) {
                    FGrid->Invalidate();
                    if (FGrid->EditorActive()) FGrid->InvalidateEditor();
                }
            }
        } else if (state->Cancelled) {
            FLastError = "Cancelled: " + job.Text;
        }
        if (OnProgress) {
            OnProgress(changed ? 1.0 : 0.0, std::string());
            if (life.expired()) return;
        }
        if (!state->Error.empty()) {
            if (!FGridAlive) {
                FLastError = state->Error;
            } else {
                Refused(state->Error);
                if (life.expired()) return;
            }
        }
    }
    if (Inline) {
        if ((FEndOwed || FPending) && FPump && !Busy()) FPump->Start();
        return;
    }
    // Rows the grid asked for while the worker had the source are read now.
    if (FMissedRows && FGridAlive && !Busy()) {
        FMissedRows = false;
        FGrid->Invalidate();
    }
    StartPending();
}

void TGridBinding::StartPending()
{
    if (!FPending || Busy()) return;
    TJob next = std::move(*FPending);
    FPending.reset();
    StartJob(std::move(next));
}
