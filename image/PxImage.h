// PxImage: the one in-memory raster type. Pixels live in a packed
// device-independent bitmap (header, palette, rows bottom-up padded to 4
// bytes) that the drawing layer takes as it is; alpha and selection are
// separate planes of one byte per pixel.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <memory>

#include "image/ColourSpace.h"
#include "image/ImageFormats.h"
#include "platform/Gdi.h"
#include "platform/WinRecords.h"

class PxImage;
class PxFile;
namespace pximage::detail {
struct KernelWindow;
}

// Everything about a picture besides its pixels, copied whole by CopyInfo,
// Copy and Transfer.
struct ImageInfo {
    std::uint32_t rowStride = 0;
    std::uint8_t* bits = nullptr;   // first byte of the pixel array inside dib
    PxImage* ghostOwner = nullptr;  // set when this image is a non-owning view
    PxImage* parent = nullptr;
    std::uint32_t type = 0;         // format id
    char lastError[256] = {};
    std::int32_t progress = 0;
    std::int32_t escape = 0;        // non-zero stops long loops; -1 asks decoders for the size only
    std::int32_t transIndex = -1;
    RGBQUAD transColor{};
    std::uint8_t jpegQuality = 90;
    std::uint8_t jpegScale = 0;
    std::int32_t frame = 0;
    std::int32_t numFrames = 0;
    std::uint32_t frameDelay = 0;
    std::int32_t xDpi = 96;
    std::int32_t yDpi = 96;
    // How the stored pixels are turned against the view, as the Exif
    // Orientation tag numbers it: 1 upright, 2 to 8 mirrored and/or turned.
    std::uint8_t exifOrientation = 1;
    // The colour space the file declared; null when it declared none (sRGB).
    // Shared, so copies of a picture do not copy a profile.
    std::shared_ptr<const ColourSpace> colourSpace;
    RECT selectionBox{};
    std::uint8_t alphaMax = 255;
    bool alphaPaletteEnabled = false;
    bool enabled = true;
    std::int32_t xOffset = 0;
    std::int32_t yOffset = 0;
    std::uint32_t codecOptions[FormatCount] = {};
    RGBQUAD nearestColor{};
    std::uint8_t nearestIndex = 0;
    bool nearestValid = false;
    std::int32_t layerCount = 0;
    std::uint32_t flags = 0;
};

// A rectangle of a picture's pixels by stored position: columns x to
// x + width - 1, stored rows y to y + height - 1 (row 0 is the bottom row).
struct PxWindow {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool IsEmpty() const { return width <= 0 || height <= 0; }
    // Whether every pixel of inner lies in this window (an empty inner does).
    bool Holds(const PxWindow& inner) const
    {
        return inner.IsEmpty() || (!IsEmpty() && inner.x >= x && inner.y >= y &&
                                   std::int64_t(inner.x) + inner.width <= std::int64_t(x) + width &&
                                   std::int64_t(inner.y) + inner.height <= std::int64_t(y) + height);
    }
    // The pixels both windows hold; width and height 0 when none.
    PxWindow Intersect(const PxWindow& other) const;
    bool operator==(const PxWindow&) const = default;
};

class PxImage {
public:
    // How a colour is sampled between pixel centres. Both method enums have a
    // fixed underlying type so that an unknown number a caller passes is a
    // valid value, handled as the samplers document, not undefined behaviour.
    enum InterpolationMethod : std::int32_t {
        NearestNeighbour = 1,
        Bilinear = 2,
        BSpline = 3,
        Bicubic = 4,
        Bicubic2 = 5,
        Lanczos = 6,
        Box = 7,
        Hermite = 8,
        Hamming = 9,
        Sinc = 10,
        Blackman = 11,
        Bessel = 12,
        Gaussian = 13,
        Quadratic = 14,
        Mitchell = 15,
        Catrom = 16,
    };

    // What a sample outside the picture yields.
    enum OverflowMethod : std::int32_t {
        OverflowColor = 1,
        OverflowBackground = 2,
        OverflowTransparent = 3,
        OverflowWrap = 4,
        OverflowRepeat = 5,
        OverflowMirror = 6,
    };

    explicit PxImage(std::uint32_t type = 0);
    PxImage(std::uint32_t width, std::uint32_t height, std::uint32_t bpp, std::uint32_t type = 0);
    PxImage(const PxImage& src, bool copyPixels = true, bool copySelection = true, bool copyAlpha = true);
    // Takes src's pixels over (Transfer): large pictures are handed on, not copied.
    PxImage(PxImage&& src) noexcept;
    // Loads the file; the image stays empty when that fails.
    PxImage(const std::filesystem::path& path, std::uint32_t type);
    PxImage& operator=(const PxImage& src);
    virtual ~PxImage();

    // Lifetime and copies.
    std::uint8_t* Create(std::uint32_t width, std::uint32_t height, std::uint32_t bpp, std::uint32_t type = 0);
    bool Destroy();
    void Copy(const PxImage& src, bool copyPixels = true, bool copySelection = true, bool copyAlpha = true);
    void CopyInfo(const PxImage& src);
    bool Transfer(PxImage& src);
    void Ghost(PxImage& src);

    // Layout.
    std::uint8_t* GetBits(std::uint32_t row = 0);
    const std::uint8_t* GetBits(std::uint32_t row = 0) const;
    std::int32_t GetSize() const;
    std::uint32_t GetWidth() const { return std::uint32_t(header.biWidth); }
    std::uint32_t GetHeight() const { return std::uint32_t(header.biHeight); }
    std::uint32_t GetEffWidth() const { return info.rowStride; }
    std::uint16_t GetBpp() const { return header.biBitCount; }
    std::uint32_t GetNumColors() const { return header.biClrUsed; }
    std::uint32_t GetType() const { return info.type; }
    bool IsValid() const { return dib != nullptr; }
    bool IsInside(std::int32_t x, std::int32_t y) const;
    void Clear(std::uint8_t value = 0);

    // Information record.
    std::uint8_t GetJpegQuality() const { return info.jpegQuality; }
    void SetJpegQuality(std::uint8_t quality) { info.jpegQuality = quality; }
    const char* GetLastError() const { return info.lastError; }
    void SetLastError(const char* text);
    std::int32_t GetTransIndex() const { return info.transIndex; }
    void SetTransIndex(std::int32_t index) { info.transIndex = index; }
    RGBQUAD GetTransColor() const;
    void SetTransColor(RGBQUAD color);
    bool IsTransparent() const { return info.transIndex >= 0; }
    bool IsTransparent(std::int32_t x, std::int32_t y) const;
    void SetXDPI(std::int32_t dpi);
    void SetYDPI(std::int32_t dpi);
    std::int32_t GetXDPI() const { return info.xDpi; }
    std::int32_t GetYDPI() const { return info.yDpi; }
    std::uint8_t GetExifOrientation() const { return info.exifOrientation; }

    // Palette and pixels.
    bool IsIndexed() const { return header.biClrUsed != 0; }
    RGBQUAD* GetPalette();
    const RGBQUAD* GetPalette() const;
    RGBQUAD GetPaletteColor(std::uint8_t index) const;
    void SetPalette(const RGBQUAD* colors, std::uint32_t count = 256);
    void SetPaletteColor(std::uint8_t index, RGBQUAD color);
    std::uint8_t GetPixelIndex(std::int32_t x, std::int32_t y) const;
    void SetPixelIndex(std::int32_t x, std::int32_t y, std::uint8_t index);
    RGBQUAD GetPixelColor(std::int32_t x, std::int32_t y, bool withAlpha = true) const;
    void SetPixelColor(std::int32_t x, std::int32_t y, RGBQUAD color, bool setAlpha = false);
    std::uint8_t GetNearestIndex(RGBQUAD color);
    bool IncreaseBpp(std::uint32_t bpp);

    // Alpha plane.
    bool AlphaIsValid() const { return alpha != nullptr; }
    void AlphaCreate();
    void AlphaDelete();
    void AlphaClear();
    void AlphaSet(std::uint8_t value);
    void AlphaSet(std::int32_t x, std::int32_t y, std::uint8_t value);
    std::uint8_t AlphaGet(std::int32_t x, std::int32_t y) const;
    std::uint8_t* AlphaGetPointer(std::int32_t x = 0, std::int32_t y = 0);
    const std::uint8_t* AlphaGetPointer(std::int32_t x = 0, std::int32_t y = 0) const;
    bool AlphaCopy(const PxImage& src);
    std::uint8_t AlphaGetMax() const { return info.alphaMax; }
    void AlphaSetMax(std::uint8_t value) { info.alphaMax = value; }
    bool AlphaPaletteIsValid() const;

    // Selection plane.
    bool SelectionIsValid() const { return selection != nullptr; }
    bool SelectionCreate();
    bool SelectionCopy(const PxImage& src);
    bool SelectionDelete();

    // Files, memory blocks and streams, by format id (ImageFormats.h).
    bool Load(const std::filesystem::path& path, std::uint32_t type = FormatUnknown);
    bool Save(const std::filesystem::path& path, std::uint32_t type);
    // The same, with why it failed in a user's words in why (the system's
    // reason for a file that could not be made or written, else the
    // encoder's); the last error is touched as by Save.
    bool Save(const std::filesystem::path& path, std::uint32_t type, std::string& why);
    bool Decode(const std::uint8_t* data, std::int32_t length, std::uint32_t type);
    bool Decode(std::FILE* stream, std::uint32_t type);
    bool Decode(PxFile* file, std::uint32_t type);
    // data must be null on entry; on success it owns a std::malloc block the caller frees.
    bool Encode(std::uint8_t*& data, std::int32_t& length, std::uint32_t type);
    bool Encode(std::FILE* stream, std::uint32_t type);
    bool Encode(PxFile* file, std::uint32_t type);

    // Drawing onto a device context (device coordinates, y downwards). A
    // negative width or height means the image's own; 1 when drawing was
    // attempted, 0 when nothing could be drawn.
    std::int32_t Draw(HDC dc, std::int32_t x = 0, std::int32_t y = 0, std::int32_t width = -1, std::int32_t height = -1,
                      const RECT* clip = nullptr, bool smooth = false) const;
    std::int32_t Draw(HDC dc, const RECT& target, const RECT* clip = nullptr, bool smooth = false) const;
    // A DIB section (no device context) or a device bitmap holding these pixels; the caller owns it.
    HBITMAP MakeBitmap(HDC dc = nullptr);
    bool CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette = nullptr);

    // Geometric transforms. A null destination means: in place.
    bool Flip();
    bool Mirror();
    bool RotateLeft(PxImage* dest = nullptr);
    bool RotateRight(PxImage* dest = nullptr);
    bool Rotate180(PxImage* dest = nullptr);
    // Turns the stored pixels the right way up for the recorded Exif
    // orientation, with the transforms above, and records orientation 1.
    bool TurnUpright();
    // With allCores, Rotate2 and Resample2 of a 24-bit picture split a large
    // result by rows over the image core's thread pool (RowPool.h); small
    // results stay on the calling thread. The pixels are the same either way.
    bool Rotate2(float angle, PxImage* dest = nullptr, InterpolationMethod im = Bilinear,
                 OverflowMethod om = OverflowBackground, const RGBQUAD* replacement = nullptr,
                 bool optimizeRightAngles = true, bool keepSize = false, bool allCores = false);
    // With a part, the resamplers make that window of the newWidth x
    // newHeight result alone, holding the very pixels the whole result has
    // there: every result pixel follows from its own position and the scales.
    // A part reaching outside the result is refused.
    bool Resample(std::int32_t newWidth, std::int32_t newHeight, int mode = 1, PxImage* dest = nullptr,
                  const PxWindow* part = nullptr);
    bool Resample2(std::int32_t newWidth, std::int32_t newHeight, InterpolationMethod im = Bicubic2,
                   OverflowMethod om = OverflowRepeat, PxImage* dest = nullptr, bool disableAveraging = false,
                   bool allCores = false, const PxWindow* part = nullptr);
    // Rotate2 without keepSize, for a large picture of which only some pixels
    // are at hand and of whose result only a window is wanted: this image
    // holds the window `held` of a fullWidth x fullHeight picture, and the
    // result is the window `part` of what Rotate2 makes of that picture, the
    // same pixels. held must take in Rotate2Reads of the part, and be the
    // whole picture for the overflow methods that read from anywhere (wrap,
    // repeat, mirror); false, with nothing delivered, otherwise.
    bool Rotate2Part(float angle, std::int32_t fullWidth, std::int32_t fullHeight, const PxWindow& held,
                     const PxWindow& part, PxImage* dest, InterpolationMethod im = Bilinear,
                     OverflowMethod om = OverflowBackground, const RGBQUAD* replacement = nullptr,
                     bool optimizeRightAngles = true, bool allCores = false);
    // The size Rotate2 without keepSize gives a width x height picture;
    // false where it gives none.
    static bool Rotate2Size(float angle, std::int32_t width, std::int32_t height, bool optimizeRightAngles,
                            std::int32_t& newWidth, std::int32_t& newHeight);
    // The pixels of a width x height picture that the window `part` of its
    // Rotate2 result (without keepSize) reads, within the picture: empty when
    // they all lie outside it. It may take in a pixel or two more than are read.
    static PxWindow Rotate2Reads(float angle, std::int32_t width, std::int32_t height, InterpolationMethod im,
                                 bool optimizeRightAngles, const PxWindow& part);
    // A copy of the window of this picture (which must lie inside it), with
    // this picture's information record and alpha plane.
    bool CopyWindow(const PxWindow& window, PxImage& dest) const;

    // Sampling.
    RGBQUAD GetPixelColorInterpolated(float x, float y, InterpolationMethod im = Bilinear,
                                      OverflowMethod om = OverflowBackground,
                                      const RGBQUAD* replacement = nullptr) const;
    RGBQUAD GetAreaColorInterpolated(float xc, float yc, float width, float height,
                                     InterpolationMethod im, OverflowMethod om,
                                     const RGBQUAD* replacement = nullptr) const;
    RGBQUAD GetPixelColorWithOverflow(std::int32_t x, std::int32_t y, OverflowMethod om = OverflowRepeat,
                                      const RGBQUAD* replacement = nullptr) const;
    void OverflowCoordinates(std::int32_t& x, std::int32_t& y, OverflowMethod om) const;
    void OverflowCoordinates(float& x, float& y, OverflowMethod om) const;

    // Interpolation kernels.
    static float KernelBSpline(float x);
    static float KernelLinear(float x);
    static float KernelCubic(float x);
    static float KernelGeneralizedCubic(float x, float p = -0.5f);
    static float KernelLanczosSinc(float x, float radius = 3.0f);
    static float KernelBox(float x);
    static float KernelHermite(float x);
    static float KernelHamming(float x);
    static float KernelSinc(float x);
    static float KernelBlackman(float x);
    static float KernelBessel(float x);
    static float KernelGaussian(float x);
    static float KernelQuadratic(float x);
    static float KernelMitchell(float x);
    static float KernelCatrom(float x);

    // Members in the order the container's layout describes them.
    std::uint8_t* dib = nullptr;
    BITMAPINFOHEADER header{};
    ImageInfo info;
    std::uint8_t* selection = nullptr;
    std::uint8_t* alpha = nullptr;
    PxImage** layers = nullptr;

protected:
    // The check every encoder starts with: a stream and a picture are needed.
    bool EncodeCheck(PxFile* file);
    // A result image for a transform: this image's information record and
    // resolution, the given size and depth at this format, this palette, and
    // an all-opaque alpha plane when asked for.
    bool StartResult(PxImage& result, std::uint32_t width, std::uint32_t height, std::uint32_t bpp,
                     bool withAlpha) const;
    // Hands a finished result to the destination, or to this image.
    bool DeliverResult(PxImage& result, PxImage* dest);
    // The colour a sample far outside the picture yields (overflow methods other than 4 to 6).
    RGBQUAD OverflowColorFor(OverflowMethod om, const RGBQUAD* replacement) const;
    // 24-bit rows through pointers: the fast forms of the resamplers.
    // The result holds the window of the whole result whose first column
    // and stored row are x0 and y0.
    void Resample2Area24(PxImage& result, std::int32_t x0, std::int32_t y0, float xs, float ys,
                         InterpolationMethod im, OverflowMethod om, bool allCores);
    void Resample2Point24(PxImage& result, std::int32_t x0, std::int32_t y0, float xs, float ys,
                          InterpolationMethod im, OverflowMethod om, bool allCores);
    void Resample2Kernel24(PxImage& result, std::int32_t x0, std::int32_t y0, float xs, float ys,
                           const pximage::detail::KernelWindow& window, OverflowMethod om, bool allCores);

private:
    void ResetHeaderResolution();
};

// The replacement colour samplers use when the caller gives none.
constexpr RGBQUAD kReplacementWhite{255, 255, 255, 0};
