#pragma once
// TSelectionMarks: the eight small squares a designer puts on the corners and edges of the
// selected control. They are controls of the designed form's window but belong to the designer,
// so the form file never holds them and the designer does not see their messages.
#include <array>
#include <memory>

class TControl;
class TMark;

class TSelectionMarks {
public:
    TSelectionMarks();
    ~TSelectionMarks();
    TSelectionMarks(const TSelectionMarks&) = delete;
    TSelectionMarks& operator=(const TSelectionMarks&) = delete;

    // Marks Control where it stands now (hides the marks for null or a control without a parent).
    void Mark(TControl* Control);
    bool Visible() const;

    // The squares' size in pixels.
    static constexpr int Size = 6;

private:
    std::array<std::unique_ptr<TMark>, 8> FMarks;
};
