#include "host/controls/Dialogs.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/controls/Application.h"
#include "host/controls/StdCtrls.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/Paint.h"

namespace {

constexpr int Margin = 12, IconSize = 32, ButtonWidth = 75, ButtonHeight = 25, ButtonGap = 8;
constexpr int MaxTextWidth = 360;

struct TButtonKind {
    TMsgDlgBtn Button;
    const char* Caption;
    TModalResult Result;
};
constexpr TButtonKind ButtonKinds[] = {
    {mbYes, "&Yes", mrYes},       {mbNo, "&No", mrNo},           {mbOK, "OK", mrOk},
    {mbCancel, "Cancel", mrCancel}, {mbAbort, "&Abort", mrAbort}, {mbRetry, "&Retry", mrRetry},
    {mbIgnore, "&Ignore", mrIgnore}, {mbAll, "&All", mrAll},
};

const char* DialogCaption(TMsgDlgType DlgType)
{
    switch (DlgType) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return nullptr;
    }
}

// Captions keep their accelerator marks only for the keyboard's sake; the button shows none.
std::string WithoutAccelerator(const char* Caption)
{
    std::string s(Caption);
    s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
    return s;
}

// The form of a message dialog paints its icon and text itself.
class TMessageForm : public TForm {
public:
    TMessageForm(TMsgDlgType DlgType, std::string Msg) : TForm(nullptr), FType(DlgType), FMsg(std::move(Msg)) {}

    TRect IconRect;
    TRect TextRect;

protected:
    void PaintWindow(HDC DC) override
    {
        TCanvas& canvas = DC->Canvas();
        canvas.SetFont(Font());
        canvas.Brush()->SetColor(Color());
        canvas.FillRect(ClientRect());
        if (FType != mtCustom) DrawIcon(canvas);
        TRect text = TextRect;
        canvas.Brush()->SetStyle(bsClear);
        canvas.SetTextColor(clWindowText);
        canvas.DrawText(FMsg, text, DT_WORDBREAK | DT_NOPREFIX);
        canvas.Brush()->SetStyle(bsSolid);
    }

private:
    // A disk (or a triangle for warnings) with a white mark, drawn row by row.
    void DrawIcon(TCanvas& Canvas) const
    {
        static constexpr TColor Fills[] = {TColor(0x00C0FF), TColor(0x0000C0), TColor(0xC06000), TColor(0xC06000)};
        static constexpr const char* Marks[] = {"!", "X", "i", "?"};
        const TColor fill = Fills[FType];
        const int cx = IconRect.Left + IconSize / 2;
        const double radius = IconSize / 2.0 - 1;
        for (int y = 0; y < IconSize; ++y) {
            int half;
            if (FType == mtWarning) {
                half = (y * IconSize / 2) / IconSize;
            } else {
                const double dy = y + 0.5 - IconSize / 2.0;
                half = dy * dy > radius * radius ? -1 : static_cast<int>(std::sqrt(radius * radius - dy * dy) + 0.5);
            }
            if (half < 0) continue;
            Canvas.Brush()->SetColor(fill);
            Canvas.FillRect({cx - half, IconRect.Top + y, cx + half, IconRect.Top + y + 1});
        }
        TFont mark;
        mark.Assign(Font());
        mark.SetSize(14);
        mark.SetStyle(TFontStyles{fsBold});
        Canvas.SetFont(&mark);
        Canvas.Brush()->SetStyle(bsClear);
        Canvas.SetTextColor(FType == mtWarning ? clBlack : clWhite);
        TRect r = IconRect;
        if (FType == mtWarning) r.Top += 6;
        Canvas.DrawText(Marks[FType], r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        Canvas.Brush()->SetStyle(bsSolid);
        Canvas.SetFont(Font());
    }

    TMsgDlgType FType;
    std::string FMsg;
};

} // namespace

std::unique_ptr<TForm> CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons)
{
    auto form = std::make_unique<TMessageForm>(DlgType, Msg);
    const char* caption = DialogCaption(DlgType);
    form->SetCaption(caption ? caption : Application().Title);

    TRect text{0, 0, MaxTextWidth, 0};
    TCanvas measure;
    measure.SetFont(form->Font());
    measure.DrawText(Msg, text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    const int textLeft = DlgType == mtCustom ? Margin : Margin + IconSize + Margin;
    const int textHeight = std::max(text.Height(), DlgType == mtCustom ? 0 : IconSize);
    form->IconRect = {Margin, Margin, Margin + IconSize, Margin + IconSize};
    form->TextRect = {textLeft, Margin + std::max(0, (textHeight - text.Height()) / 2), textLeft + text.Width(),
                      Margin + textHeight};

    std::vector<const TButtonKind*> kinds;
    for (const TButtonKind& kind : ButtonKinds)
        if (Buttons.Contains(kind.Button)) kinds.push_back(&kind);
    if (kinds.empty()) kinds.push_back(&ButtonKinds[2]);
    const int count = static_cast<int>(kinds.size());
    const int rowWidth = count * ButtonWidth + (count - 1) * ButtonGap;
    const int clientWidth = std::max(textLeft + text.Width() + Margin, rowWidth + 2 * Margin);
    const int buttonTop = Margin + textHeight + Margin;
    const int clientHeight = buttonTop + ButtonHeight + Margin;

    const auto pick = [&](std::initializer_list<TMsgDlgBtn> order) -> TMsgDlgBtn {
        for (TMsgDlgBtn b : order)
            if (std::any_of(kinds.begin(), kinds.end(), [b](const TButtonKind* k) { return k->Button == b; })) return b;
        return kinds.front()->Button;
    };
    const TMsgDlgBtn defaultButton = pick({mbYes, mbOK});
    const TMsgDlgBtn cancelButton = pick({mbCancel, mbNo, mbOK});
    int left = (clientWidth - rowWidth) / 2;
    TButton* first = nullptr;
    for (const TButtonKind* kind : kinds) {
        auto* button = new TButton(form.get());
        button->SetCaption(WithoutAccelerator(kind->Caption));
        button->SetModalResult(kind->Result);
        button->SetDefault(kind->Button == defaultButton);
        button->SetCancel(kind->Button == cancelButton);
        button->SetBounds(left, buttonTop, ButtonWidth, ButtonHeight);
        button->SetParent(form.get());
        if (kind->Button == defaultButton || !first) first = button;
        left += ButtonWidth + ButtonGap;
    }
    // Over the middle of the main form when there is one; a top-level form has no frame of its own.
    TPoint at{100, 100};
    if (const TCustomForm* main = Application().MainForm())
        at = {main->Left() + (main->Width() - clientWidth) / 2, main->Top() + (main->Height() - clientHeight) / 2};
    form->SetBounds(at.X, at.Y, clientWidth, clientHeight);
    form->SetActiveControl(first);
    return form;
}

TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, long)
{
    std::unique_ptr<TForm> form = CreateMessageDialog(Msg, DlgType, Buttons);
    TObjectWatch alive(form.get());
    const TModalResult result = form->ShowModal();
    // A handler that freed the dialog took it from us.
    if (!alive) (void)form.release();
    return result;
}

void ShowMessage(const std::string& Msg)
{
    MessageDlg(Msg, mtCustom, TMsgDlgButtons{mbOK});
}
