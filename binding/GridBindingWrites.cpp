// TGridBinding: the user's writes (edits, appends, deletes), readying the source for them, and
// showing their result or the source's refusal.
#include <climits>
#include <mutex>

#include "binding/GridBinding.h"
#include "binding/GridBindingImpl.h"
#include "host/controls/Dialogs.h"

bool TGridBinding::Refused(const std::string& Reason)
{
    FLastError = Reason;
    const std::weak_ptr<bool> life = FLife;
    MessageDlg(Reason, mtError, TMsgDlgButtons{mbOK}, 0);
    return !life.expired() && FGridAlive.Alive();
}

bool TGridBinding::RefuseBusy()
{
    return Refused("The table cannot be changed now (" + FJob.Text + "); wait for it or press Escape to stop it");
}

bool TGridBinding::Settle()
{
    if (!Busy()) return true;
    if (!FJob.Reads()) return false;
    // A sum gives way: what it had read may change, so it is made again after the write.
    if (FJob.Kind == TJobKind::Sum) FState->Cancel = true;
    {
        std::unique_lock lock(FState->Lock);
        if (!FState->Ended.wait_for(lock, FReadGrace, [this] { return FState->Done; })) return false;
    }
    const std::weak_ptr<bool> life = FLife;
    FinishJob(true);
    return !life.expired() && !Busy();
}

void TGridBinding::ValidateData(int ACol, int ARow, const std::string& NewVal, bool& ACancel)
{
    const int field = SourceColumnAt(ACol);
    if (field < 0 && !Busy()) {
        ACancel = true;
        return;
    }
    const std::weak_ptr<bool> life = FLife;
    const bool settled = Settle();
    if (life.expired()) {
        ACancel = true;
        return;
    }
    // The record's page may be read now, and that read may be left to the worker.
    const TSourceRow* row = settled && field >= 0 ? RowAt(ARow) : nullptr;
    if (!settled || Busy()) {
        ACancel = true;
        if (RefuseBusy()) FGrid->InvalidateEditor();
        return;
    }
    if (field < 0) {
        ACancel = true;
        return;
    }
    TJob job;
    job.Kind = TJobKind::Update;
    job.Row = ARow;
    job.Col = field;
    job.Value = NewVal;
    job.Known = row && field < static_cast<int>(row->size());
    if (job.Known) {
        if ((*row)[static_cast<std::size_t>(field)] == NewVal) return;
        job.Old = {(*row)[static_cast<std::size_t>(field)]};
    }
    job.Text = "Storing the edit";
    StartWrite(std::move(job));
    if (life.expired()) {
        ACancel = true;
        return;
    }
    if (FWriteEnd == TWriteEnd::Stored) return;
    // Refused, or not stored yet: the grid keeps showing what the database holds, and the
    // editor the kept value, so that leaving the cell does not offer the same text again.
    ACancel = true;
    if (FWriteEnd == TWriteEnd::Pending && FGridAlive) FGrid->InvalidateEditor();
}

void TGridBinding::AppendRecord()
{
    // A read-only source has no records to add: Down on the last row stays there.
    if (!FWritable) return;
    const std::weak_ptr<bool> life = FLife;
    if (!Settle()) {
        if (!life.expired()) RefuseBusy();
        return;
    }
    TObjectWatch alive(FGrid);
    FGrid->HideEditor();
    if (!alive || life.expired()) return;
    if (Busy()) {
        RefuseBusy();
        return;
    }
    TJob job;
    job.Kind = TJobKind::Insert;
    job.Text = "Adding a record";
    StartWrite(std::move(job));
    if (life.expired() || !alive || FWriteEnd != TWriteEnd::Stored) return;
    FGrid->UpdateRowCount();
    const std::int64_t row = FWrittenRow;
    if (!alive || row < 0 || row > INT_MAX - 1 - FGrid->TitleRows()) return;
    FGrid->SetCurrentRow(static_cast<int>(row) + FGrid->TitleRows());
}

void TGridBinding::DeleteRecord(int ARow)
{
    const std::weak_ptr<bool> life = FLife;
    const bool settled = Settle();
    if (life.expired()) return;
    const TSourceRow* shown = settled ? RowAt(ARow) : nullptr;
    if (!settled || Busy()) {
        RefuseBusy();
        return;
    }
    TJob job;
    job.Kind = TJobKind::Delete;
    job.Row = ARow;
    job.Known = shown != nullptr;
    if (shown) job.Old = *shown;
    job.Text = "Deleting the record";
    StartWrite(std::move(job));
}

void TGridBinding::StartWrite(TJob Job)
{
    FWriteEnd = TWriteEnd::Pending;
    FWrittenRow = -1;
    StartJob(std::move(Job), FWriteGrace);
}

bool TGridBinding::FinishWrite(const TJob& Job, TJobState& State, bool Inline)
{
    const std::weak_ptr<bool> life = FLife;
    const std::string refusal = !State.Refusal.empty() ? State.Refusal : State.Error;
    const bool stored = refusal.empty();
    FWriteEnd = stored ? TWriteEnd::Stored : TWriteEnd::Refused;
    FWrittenRow = State.Row;
    // What the source holds now is read again, stored or not. A value that could not be read
    // cannot be taken out of the sums: they are made again.
    if (Job.Kind == TJobKind::Update) {
        FPages.clear();
        FSumResume.reset();
        if (stored && Job.Known) AdjustSums(Job.Col, Job.Old[0], Job.Value);
        else if (stored) ForgetSum(Job.Col);
    } else {
        ForgetRows();
        if (stored && Job.Kind == TJobKind::Delete) {
            if (Job.Known) AdjustSums(Job.Old);
            else ForgetSum(-1);
        }
    }
    if (!stored) {
        if (!FGridAlive) {
            FLastError = refusal;
            return true;
        }
        if (!Refused(refusal)) return !life.expired();
        if (Job.Kind == TJobKind::Update) FGrid->InvalidateEditor();
        return true;
    }
    // A write that ended after its caller went on shows its result now.
    if (Inline || !FGridAlive) return true;
    TObjectWatch alive(FGrid);
    if (Job.Kind != TJobKind::Update) FGrid->UpdateRowCount();
    if (alive && Job.Kind == TJobKind::Insert && FWrittenRow >= 0 && FWrittenRow <= INT_MAX - 1 - FGrid->TitleRows())
        FGrid->SetCurrentRow(static_cast<int>(FWrittenRow) + FGrid->TitleRows());
    if (alive) {
        FGrid->Invalidate();
        if (FGrid->EditorActive()) FGrid->InvalidateEditor();
    }
    return !life.expired();
}
