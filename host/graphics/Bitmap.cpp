#include "host/graphics/Bitmap.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/graphics/BmpReader.h"
#include "host/graphics/Canvas.h"
#include "host/graphics/Png.h"

namespace {

constexpr TPixel White = 0xFFFFFFFFu;

} // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int AWidth, int AHeight)
{
    SetSize(AWidth, AHeight);
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int AWidth, int AHeight)
{
    if (AWidth < 0 || AHeight < 0 || AWidth > MaxWindowSize || AHeight > MaxWindowSize)
        throw EInvalidGraphic("Invalid bitmap size " + std::to_string(AWidth) + " x " + std::to_string(AHeight));
    if (AWidth == FWidth && AHeight == FHeight) return;
    Unturn();
    std::vector<TPixel, TPixelAllocator<TPixel>> pixels;
    try {
        pixels.assign(static_cast<std::size_t>(AWidth) * AHeight, White);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("Not enough memory for a bitmap of " + std::to_string(AWidth) + " x " +
                              std::to_string(AHeight) + " pixels");
    }
    const int w = std::min(AWidth, FWidth), h = std::min(AHeight, FHeight);
    for (int y = 0; y < h; ++y)
        std::copy_n(FPixels.data() + static_cast<std::size_t>(y) * FWidth, w, pixels.data() + static_cast<std::size_t>(y) * AWidth);
    FPixels = std::move(pixels);
    FWidth = AWidth;
    FHeight = AHeight;
    if (FCanvas) FCanvas->SetSurface(FPixels.data(), FWidth, FHeight, FWidth, FRowShift);
}

TPixel* TBitmap::ScanLine(int Y)
{
    assert(Y >= 0 && Y < FHeight && "scan line out of range");
    return FPixels.data() + MemoryRow(Y) * FWidth;
}

const TPixel* TBitmap::ScanLine(int Y) const
{
    assert(Y >= 0 && Y < FHeight && "scan line out of range");
    return FPixels.data() + MemoryRow(Y) * FWidth;
}

TPixel TBitmap::Pixel(int X, int Y) const
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
    return FPixels[MemoryRow(Y) * FWidth + static_cast<std::size_t>(X)];
}

void TBitmap::SetPixel(int X, int Y, TPixel Value)
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
    FPixels[MemoryRow(Y) * FWidth + static_cast<std::size_t>(X)] = Value;
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas) FCanvas = std::make_unique<TCanvas>(FPixels.data(), FWidth, FHeight, FWidth, FRowShift);
    return FCanvas.get();
}

TColor TBitmap::TransparentColor() const
{
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
    if (Empty()) return clWhite;
    return PixelToColor(Pixel(0, FHeight - 1));
}

void TBitmap::SetTransparentColor(TColor Value)
{
    FTransparentColor = Value;
    FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
}

void TBitmap::Assign(const TBitmap& Source)
{
    if (&Source == this) return;
    FPixels = Source.FPixels;
    FRowShift = Source.FRowShift;
    FWidth = Source.FWidth;
    FHeight = Source.FHeight;
    FTransparent = Source.FTransparent;
    FTransparentColor = Source.FTransparentColor;
    FTransparentMode = Source.FTransparentMode;
    if (FCanvas) FCanvas->SetSurface(FPixels.data(), FWidth, FHeight, FWidth, FRowShift);
}

void TBitmap::LoadFromBMP(const std::uint8_t* Data, std::size_t Size)
{
    TDecodedBitmap decoded = DecodeBMP(Data, Size);
    FPixels.assign(decoded.Pixels.begin(), decoded.Pixels.end());
    FRowShift = 0;
    FWidth = decoded.Width;
    FHeight = decoded.Height;
    if (FCanvas) FCanvas->SetSurface(FPixels.data(), FWidth, FHeight, FWidth, FRowShift);
}

void TBitmap::LoadFromFile(const std::string& FileName)
{
    // Without blocking on a pipe; only a regular file is read, and only as far as the headers
    // say the image reaches, so a device or a growing file is never read to its end.
    const int fd = ::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw EInvalidGraphic("Cannot open bitmap file " + FileName);
    struct TCloser {
        int Fd;
        ~TCloser() { ::close(Fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) throw EInvalidGraphic("Not a regular file: " + FileName);

    std::vector<std::uint8_t> bytes;
    for (;;) {
        // Never more than the file held when it was opened.
        const std::uint64_t need =
            std::min<std::uint64_t>(BmpBytesNeeded(bytes.data(), bytes.size()), static_cast<std::uint64_t>(st.st_size));
        if (need <= bytes.size()) break;
        const std::size_t had = bytes.size();
        bytes.resize(static_cast<std::size_t>(need));
        std::size_t got = had;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        if (got < need) break; // the file ends early: the decoder says what is missing
    }
    LoadFromBMP(bytes.data(), bytes.size());
}

void TBitmap::SaveToPNG(const std::string& FileName) const
{
    if (FRowShift == 0) return SaveSurfaceToPNG(FileName, FPixels.data(), FWidth, FHeight, FWidth);
    TBitmap copy;
    copy.Assign(*this);
    copy.Unturn();
    SaveSurfaceToPNG(FileName, copy.FPixels.data(), FWidth, FHeight, FWidth);
}

void TBitmap::TurnRows(int DY)
{
    if (FHeight == 0) return;
    int shift = (FRowShift - DY) % FHeight;
    if (shift < 0) shift += FHeight;
    FRowShift = shift;
    if (FCanvas) FCanvas->SetRowShift(FRowShift);
}

void TBitmap::Unturn()
{
    if (FRowShift == 0) return;
    std::rotate(FPixels.begin(), FPixels.begin() + static_cast<std::ptrdiff_t>(FRowShift) * FWidth, FPixels.end());
    FRowShift = 0;
    if (FCanvas) FCanvas->SetRowShift(0);
}
