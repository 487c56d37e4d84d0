#include "png_file.h"

#include <objidl.h>
#include <gdiplus.h>

namespace {

namespace flat = Gdiplus::DllExports;

// The system's PNG encoder.
constexpr CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

// GDI+ from its start to its shutdown; nothing else of the program uses it.
class GdiplusSession {
public:
    GdiplusSession() {
        const Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool started() const { return started_; }

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

// A GDI+ bitmap, disposed of before the session ends.
class GdiplusBitmap {
public:
    explicit GdiplusBitmap(HBITMAP bitmap) {
        if (flat::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &bitmap_) != Gdiplus::Ok) bitmap_ = nullptr;
    }
    ~GdiplusBitmap() {
        if (bitmap_) flat::GdipDisposeImage(bitmap_);
    }
    GdiplusBitmap(const GdiplusBitmap&) = delete;
    GdiplusBitmap& operator=(const GdiplusBitmap&) = delete;
    Gdiplus::GpBitmap* get() const { return bitmap_; }

private:
    Gdiplus::GpBitmap* bitmap_ = nullptr;
};

}  // namespace

bool savePngFile(HBITMAP bitmap, const std::wstring& path) {
    if (!bitmap || path.empty()) return false;
    const GdiplusSession session;
    if (!session.started()) return false;
    const GdiplusBitmap image(bitmap);
    if (!image.get()) return false;
    return flat::GdipSaveImageToFile(image.get(), path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
}
