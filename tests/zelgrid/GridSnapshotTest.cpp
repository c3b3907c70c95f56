// Golden images of representative grids, compared with a small tolerance (text rasterising may
// differ by a level here and there between FreeType versions). To accept a changed look, run
//     ZEL_UPDATE_GOLDEN=1 build/dev/tests/zelgrid/zelgrid_tests --gtest_filter='GridSnapshot*'
// and look at every image under tests/zelgrid/golden before committing them.
#include <cstdlib>
#include <functional>
#include <string>

#include "host/graphics/Png.h"
#include "tests/zelgrid/DrawingSupport.h"

namespace {

// Pixels whose channels differ by more than this count as different...
constexpr int ChannelTolerance = 40;
// ...and at most this share of them may.
constexpr double DifferentShare = 0.004;

int DifferentPixels(const TBitmap& A, const TBitmap& B)
{
    int n = 0;
    for (int y = 0; y < A.Height(); ++y)
        for (int x = 0; x < A.Width(); ++x) {
            const TPixel p = A.Pixel(x, y), q = B.Pixel(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) > ChannelTolerance) {
                    ++n;
                    break;
                }
            }
        }
    return n;
}

} // namespace

class GridSnapshotTest : public GridDrawingTest {
protected:
    void ExpectLooksLike(const std::string& Name)
    {
        std::unique_ptr<TBitmap> shot = Shot();
        ASSERT_TRUE(shot);
        const std::string golden = std::string(ZEL_GOLDEN_DIR) + "/" + Name + ".png";
        if (std::getenv("ZEL_UPDATE_GOLDEN")) {
            shot->SaveToPNG(golden);
            return;
        }
        TBitmap expected;
        ASSERT_NO_THROW(LoadPNGFile(golden, expected)) << "no golden image " << golden;
        ASSERT_EQ(expected.Width(), shot->Width());
        ASSERT_EQ(expected.Height(), shot->Height());
        const int different = DifferentPixels(expected, *shot);
        if (different > DifferentShare * shot->Width() * shot->Height()) {
            shot->SaveToPNG(Name + ".actual.png");
            ADD_FAILURE() << Name << ": " << different << " pixels differ; this run's picture is " << Name
                          << ".actual.png in the test's working directory";
        }
    }
};

TEST_F(GridSnapshotTest, RepresentativeGridsLookAsTheyDid)
{
    struct TCase {
        const char* Name;
        std::function<void()> Arrange;
    };
    const TCase cases[] = {
        {"default", [] {}},
        {"stripes-rowselect",
         [this] {
             Grid->SetBlindedColor(RGB(0xE8, 0xF0, 0xFF));
             Grid->SetBlinded(true);
             Grid->SetOptions(Grid->Options() + TZelGridOptions{dgRowSelect});
             Grid->SetCurrentRow(3);
             Grid->SetFocus();
         }},
        {"hidden-column", [this] { Columns()->GeTZelColumn(1)->SetVisible(false); }},
        {"word-wrap",
         [this] {
             Grid->SetDefRowHeight(34);
             Columns()->GeTZelColumn(1)->SetWordWrap(true);
             Columns()->GeTZelColumn(2)->SetAlignment(taRightJustify);
             Grid->OnGetDataCell = [](int ACol, int ARow, std::string& AValue) {
                 AValue = ACol == 1 ? "wrapped words here" : "R" + std::to_string(ARow) + "C" + std::to_string(ACol);
             };
         }},
        {"flat-hot", [this] { Session.Input.MouseMove(Grid->Handle(), {60, 60}); }},
        {"flat-cold", [this] { Session.Input.MouseLeave(Grid->Handle()); }},
        {"disabled", [this] { Grid->SetEnabled(false); }},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        // A fresh grid for each picture.
        delete Grid;
        Grid = new TCountingGrid(Form);
        Grid->SetBounds(8, 8, 230, 150);
        Grid->OnGetRowCount = [this](int& ARowCount) { ARowCount = Records; };
        Grid->OnGetDataCell = [](int ACol, int ARow, std::string& AValue) {
            AValue = "R" + std::to_string(ARow) + "C" + std::to_string(ACol);
        };
        AddColumns(3);
        ShowGrid();
        Unfocus();
        Grid->SetCurrentRow(2);
        test.Arrange();
        ExpectLooksLike(test.Name);
    }
}
