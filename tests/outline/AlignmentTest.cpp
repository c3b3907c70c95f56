// The editor's alignment: a text that fits lies at the left, ends three pixels before the right
// edge, or is centred; a wider one scrolls as a left-aligned one does. Through a session of
// typing, clicks, caret keys, a paste that overflows the box and a delete that brings the text
// back, the painted pixels, the scroll position and the caret a click finds follow that place.
#include "EditorFixture.h"
#include "host/controls/EditText.h"
#include "host/windows/Paint.h"

#include <functional>

TEST_F(EditorTest, AlignedTextIsDrawnAndHitWhereItsAlignmentPlacesIt)
{
    const TAlignment alignments[] = { taLeftJustify, taRightJustify, taCenter };
    for (const TAlignment alignment : alignments) {
        SCOPED_TRACE("alignment " + std::to_string(alignment));
        Editor->SetAlignment(alignment);
        CellText = "12.50";
        Open();
        const int box = Editor->Width(), room = box - 4;
        int scroll = 0;
        // The scroll position the caret keeps: none while the text fits.
        const auto expectedScroll = [&] { return ExpectedScroll(scroll, room); };
        // Where the text's first character starts in the editor.
        const auto origin = [&] {
            const int width = TextWidth(Editor->Text());
            const int wanted = alignment == taLeftJustify ? 2
                : alignment == taRightJustify             ? box - 3 - width
                                                          : box / 2 - width / 2;
            return std::max(2, wanted) - Editor->ScrollX();
        };
        const auto xOf
            = [&](int Pos) { return origin() + TextWidth(Editor->Text().substr(0, static_cast<std::size_t>(Pos))); };
        const auto expectedPicture = [&] { return ExpectedPicture(box, origin()); };
        // A click on the text between its bytes Pos - 1 and Pos, or at a pixel of the box.
        const auto clickNear = [&](int Pos) { Session.Input.Click(EW(), { xOf(Pos) - 1, 10 }); };
        std::string wide;
        while (TextWidth(wide) < 3 * box) wide += "9876.54 ";

        struct TStep {
            const char* What;
            std::function<void()> Do;
            int Caret = -1; // where the step's click must leave the caret; AtEnd: after the text
        };
        constexpr int AtEnd = -2;
        const TStep steps[] = {
            { "loaded, all selected", [] {} },
            { "End and typing", [&] { Session.Input.PressKey(VK_END), Session.Input.TypeText("7"); } },
            { "a click inside the text", [&] { clickNear(3); }, 3 },
            { "typing in the middle", [&] { Session.Input.TypeText("0"); } },
            { "Home", [&] { Session.Input.PressKey(VK_HOME); } },
            { "a click left of the text",
                [&] {
                    Session.Input.Click(EW(), { 1, 10 });
                },
                0 },
            { "a click right of the text",
                [&] {
                    Session.Input.Click(EW(), { box - 2, 10 });
                },
                AtEnd },
            { "a paste wider than the box",
                [&] {
                    SetClipboardText(wide);
                    Session.Input.PressKey('V', { ssCtrl });
                } },
            { "Home in the wide text", [&] { Session.Input.PressKey(VK_HOME); } },
            { "a click in the wide text", [&] { clickNear(9); }, 9 },
            { "Shift+End selects the rest", [&] { Session.Input.PressKey(VK_END, { ssShift }); } },
            { "deleting it brings the text back into the box", [&] { Session.Input.PressKey(VK_DELETE); } },
            { "Backspace", [&] { Session.Input.PressKey(VK_BACK); } },
            { "a click on the last character", [&] { clickNear(static_cast<int>(Editor->Text().size())); }, AtEnd },
        };
        for (const TStep& s : steps) {
            SCOPED_TRACE(s.What);
            s.Do();
            ProcessMessages();
            EXPECT_EQ(Editor->ScrollX(), expectedScroll());
            if (s.Caret != -1) {
                EXPECT_EQ(Editor->CaretPos(), s.Caret == AtEnd ? static_cast<int>(Editor->Text().size()) : s.Caret);
            }
            const std::unique_ptr<TBitmap> shown = CaptureWindow(EW());
            const std::unique_ptr<TBitmap> expected = expectedPicture();
            int differing = 0;
            for (int y = 0; y < shown->Height(); ++y)
                for (int x = 0; x < shown->Width(); ++x) differing += shown->Pixel(x, y) != expected->Pixel(x, y);
            EXPECT_EQ(differing, 0);
        }
    }
}
