// A long text in the editor: through a scripted session of typing, pasting, deleting, caret keys
// and clicks, the scroll position, the caret a click finds and the painted pixels are what
// measuring the whole text before the caret gives.
#include "EditorFixture.h"
#include "host/controls/EditText.h"
#include "host/windows/Paint.h"

#include <functional>

namespace {

// About 6 KB, several of the editor's measuring steps: two- and three-byte characters, a stray
// continuation byte and a lead byte without its continuation.
std::string LongText()
{
    std::string text;
    for (int i = 0; text.size() < 6000; ++i)
        text += "word" + std::to_string(i)
            + (i % 7 == 0         ? " caf\xC3\xA9 12\xE2\x82\xAC "
                    : i % 11 == 0 ? " \x80 \xC3 "
                                  : " ");
    return text;
}

} // namespace

TEST_F(EditorTest, LongTextScrollsFindsCaretsAndPaintsAsTheWholeTextMeasures)
{
    // Italics: glyphs that reach past their advance, into the view from left of it.
    Editor->Font()->SetStyle({ fsItalic });
    CellText = LongText();
    Open();
    const int room = Editor->Width() - 4;
    int scroll = Editor->ScrollX();
    // The scroll position the editor keeps the caret visible with, from the one before.
    const auto expectedScroll = [&] { return ExpectedScroll(scroll, room); };
    // The editor as the whole text and its selection draw.
    const auto expectedPicture = [&] { return ExpectedPicture(Editor->Width(), 2 - Editor->ScrollX()); };
    const auto clickAt = [&](int X) { Session.Input.Click(EW(), { X, 10 }); };

    struct TStep {
        const char* What;
        std::function<void()> Do;
        int ClickX = -1; // where the step clicks
    };
    const TStep steps[] = {
        { "End", [&] { Session.Input.PressKey(VK_END); } },
        { "typing at the end", [&] { Session.Input.TypeText("x"); } },
        { "Ctrl+Left", [&] { Session.Input.PressKey(VK_LEFT, { ssCtrl }); } },
        { "a click left of the caret", [&] { clickAt(37); }, 37 },
        { "into the middle", [&] { Editor->SetSel(3001, 3001); } },
        { "typing in the middle", [&] { Session.Input.TypeText("y"); } },
        { "a three-byte character", [&] { Session.Input.KeyDown(0, 0x20AC), Session.Input.KeyUp(0); } },
        { "Backspace", [&] { Session.Input.PressKey(VK_BACK); } },
        { "pasting 2,500 bytes",
            [&] {
                SetClipboardText(LongText().substr(100, 2500));
                Session.Input.PressKey('V', { ssCtrl });
            } },
        { "Delete", [&] { Session.Input.PressKey(VK_DELETE); } },
        { "a click near the right edge", [&] { clickAt(111); }, 111 },
        { "Shift+End selects to the end", [&] { Session.Input.PressKey(VK_END, { ssShift }); } },
        { "typing over the selection", [&] { Session.Input.TypeText("z"); } },
        { "Shift+Home selects to the start", [&] { Session.Input.PressKey(VK_HOME, { ssShift }); } },
        { "Ctrl+Right", [&] { Session.Input.PressKey(VK_RIGHT, { ssCtrl }); } },
        { "a selection in the middle", [&] { Editor->SetSel(2990, 3030); } },
        { "deleting it", [&] { Session.Input.PressKey(VK_DELETE); } },
        { "a selection from inside a character to the end",
            [&] {
                const int inside = static_cast<int>(Editor->Text().find("\xC3\xA9", 500)) + 1;
                Editor->SetSel(inside, static_cast<int>(Editor->Text().size()));
            } },
    };
    std::vector<TStep> script(std::begin(steps), std::end(steps));
    // The caret back over the text near the editor's measuring checkpoint at 1 KiB, a character
    // at a time, each time with a click left of it: the view starts anywhere around it.
    int sweep = 1100;
    for (int i = 0; i < 120; ++i) {
        script.push_back({ "the caret a character further left", [&] {
                              sweep = PriorCharPos(Editor->Text(), sweep);
                              Editor->SetSel(sweep, sweep);
                          } });
        script.push_back({ "a click right of it", [&] { clickAt(40); }, 40 });
    }
    for (const TStep& s : script) {
        SCOPED_TRACE(s.What);
        s.Do();
        ProcessMessages();
        EXPECT_EQ(Editor->ScrollX(), expectedScroll());
        const std::unique_ptr<TBitmap> shown = CaptureWindow(EW());
        const std::unique_ptr<TBitmap> expected = expectedPicture();
        int differing = 0;
        for (int y = 0; y < shown->Height(); ++y)
            for (int x = 0; x < shown->Width(); ++x) differing += shown->Pixel(x, y) != expected->Pixel(x, y);
        EXPECT_EQ(differing, 0);
        // A click lands on the character boundary nearest to it: right of the middle of the
        // character before the caret, left of the middle of the one after it.
        if (s.ClickX >= 0) {
            const std::string& text = Editor->Text();
            const int caret = Editor->CaretPos();
            const int x = s.ClickX - 2 + Editor->ScrollX();
            const auto widthTo = [&](int Pos) { return TextWidth(text.substr(0, static_cast<std::size_t>(Pos))); };
            EXPECT_GE(x, (widthTo(PriorCharPos(text, caret)) + widthTo(caret)) / 2);
            EXPECT_LT(x, (widthTo(caret) + widthTo(NextCharPos(text, caret))) / 2);
        }
    }
}
