#pragma once
// TBitmap: an off-screen 32-bit image (TPixel 0xAARRGGBB, rows top to bottom) with a canvas.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/core/Exceptions.h"
#include "host/graphics/Color.h"
#include "host/graphics/PixelStore.h"

class TCanvas;

// A picture that cannot be read: a malformed or unsupported bitmap.
class EInvalidGraphic : public Exception {
public:
    explicit EInvalidGraphic(const std::string& Msg) : Exception(Msg) {}
};

enum TTransparentMode : unsigned char { tmAuto, tmFixed };

class TBitmap {
public:
    TBitmap();
    TBitmap(int AWidth, int AHeight);
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }
    // Resizing keeps the pixels of the overlapping part; new pixels are white.
    // A negative size raises EInvalidGraphic.
    void SetSize(int AWidth, int AHeight);
    void SetWidth(int Value) { SetSize(Value, FHeight); }
    void SetHeight(int Value) { SetSize(FWidth, Value); }

    // The pixels of row Y (0 <= Y < Height); the row is Width pixels long.
    TPixel* ScanLine(int Y);
    const TPixel* ScanLine(int Y) const;
    TPixel Pixel(int X, int Y) const;
    void SetPixel(int X, int Y, TPixel Value);
    // The pixel memory: row Y lies at memory row (Y + RowShift()) mod Height.
    TPixel* Bits() { return FPixels.data(); }
    const TPixel* Bits() const { return FPixels.data(); }
    // Distance between rows, in pixels.
    int Stride() const { return FWidth; }
    int RowShift() const { return FRowShift; }
    // Moves every row DY rows down (up when negative), the rows leaving at one edge coming in at
    // the other, by turning the row order instead of moving pixels.
    void TurnRows(int DY);

    // The canvas drawing on this bitmap; it follows every resize.
    TCanvas* Canvas();

    // Transparent drawing (TCanvas::Draw and image lists): pixels of the transparent colour are
    // skipped. With tmAuto the colour is that of the bottom-left pixel.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }
    TColor TransparentColor() const;
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value) { FTransparentMode = Value; }

    // Copies size, pixels and transparency settings from another bitmap.
    void Assign(const TBitmap& Source);

    // Reads a Windows bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel, with or without its file
    // header. Malformed data raises EInvalidGraphic and leaves the bitmap unchanged.
    void LoadFromBMP(const std::uint8_t* Data, std::size_t Size);
    void LoadFromFile(const std::string& FileName);
    // Loads the module's named bitmap resource (see host/streaming/Resources.h; defined in
    // host_streaming, which a caller links). EResNotFound when there is no such resource.
    void LoadFromResourceName(const std::string& Name);
    // Writes the bitmap as a PNG file; EInvalidGraphic when the file cannot be written.
    void SaveToPNG(const std::string& FileName) const;

private:
    // Puts row 0 first in memory again, for code that reads the rows as one block.
    void Unturn();
    std::size_t MemoryRow(int Y) const
    {
        const int r = Y + FRowShift;
        return static_cast<std::size_t>(r >= FHeight ? r - FHeight : r);
    }

    int FWidth = 0;
    int FHeight = 0;
    int FRowShift = 0;
    std::vector<TPixel, TPixelAllocator<TPixel>> FPixels;
    std::unique_ptr<TCanvas> FCanvas;
    bool FTransparent = false;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
};
