#include "host/graphics/Png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "host/graphics/Bitmap.h"

namespace {

struct TFileCloser {
    void operator()(std::FILE* F) const { std::fclose(F); }
};

struct TPngErrorText {
    char Text[256] = "";
};

// libpng reports errors through a callback that must not return: it keeps the message and
// jumps back to WriteRows, which holds no object with a destructor.
[[noreturn]] void PngError(png_structp Png, png_const_charp Message)
{
    auto* error = static_cast<TPngErrorText*>(png_get_error_ptr(Png));
    std::snprintf(error->Text, sizeof error->Text, "%s", Message);
    png_longjmp(Png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Writes the image; false with Error filled when libpng fails. Only plain data lives here, so
// the long jump of the error path skips no destructor.
bool WriteRows(png_structp Png, png_infop Info, std::FILE* File, const TPixel* Bits, int Width, int Height,
               int Stride, png_byte* Row)
{
    if (setjmp(png_jmpbuf(Png))) return false;
    png_init_io(Png, File);
    png_set_IHDR(Png, Info, static_cast<png_uint_32>(Width), static_cast<png_uint_32>(Height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(Png, Info);
    for (int y = 0; y < Height; ++y) {
        const TPixel* src = Bits + static_cast<std::size_t>(y) * Stride;
        for (int x = 0; x < Width; ++x) {
            Row[x * 3] = static_cast<png_byte>(src[x] >> 16);
            Row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
            Row[x * 3 + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(Png, Row);
    }
    png_write_end(Png, Info);
    return true;
}

} // namespace

void SaveSurfaceToPNG(const std::string& FileName, const TPixel* Bits, int Width, int Height, int Stride)
{
    if (!Bits || Width <= 0 || Height <= 0 || Stride < Width)
        throw EInvalidGraphic("Cannot write an empty image to " + FileName);
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(FileName.c_str(), "wb"));
    if (!file) throw EInvalidGraphic("Cannot create PNG file " + FileName);

    TPngErrorText error;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw EInvalidGraphic("Cannot write PNG file " + FileName + ": out of memory");
    }
    std::vector<png_byte> row(static_cast<std::size_t>(Width) * 3);
    const bool written = WriteRows(png, info, file.get(), Bits, Width, Height, Stride, row.data());
    png_destroy_write_struct(&png, &info);
    if (!written) throw EInvalidGraphic("Cannot write PNG file " + FileName + ": " + error.Text);
    if (std::fflush(file.get()) != 0 || std::ferror(file.get()))
        throw EInvalidGraphic("Cannot write PNG file " + FileName);
}

void LoadPNGFile(const std::string& FileName, TBitmap& Bitmap)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, FileName.c_str()))
        throw EInvalidGraphic("Cannot read PNG file " + FileName + ": " + image.message);
    constexpr png_uint_32 limit = 16384;
    if (image.width == 0 || image.height == 0 || image.width > limit || image.height > limit) {
        png_image_free(&image);
        throw EInvalidGraphic("PNG file " + FileName + " has an unsupported size");
    }
    image.format = PNG_FORMAT_BGRA;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        throw EInvalidGraphic("Cannot read PNG file " + FileName + ": " + image.message);
    const int width = static_cast<int>(image.width), height = static_cast<int>(image.height);
    Bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        TPixel* row = Bitmap.ScanLine(y);
        const png_byte* src = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
        for (int x = 0; x < width; ++x, src += 4)
            row[x] = 0xFF000000u | static_cast<TPixel>(src[2]) << 16 | static_cast<TPixel>(src[1]) << 8 | src[0];
    }
}
