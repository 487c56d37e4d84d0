// Scoped owners of Windows handles: every handle the program makes is released
// by the owner's destructor (or reset), on every path and exactly once.
#pragma once

#include <windows.h>

#include <utility>

// Kinds of handle: what counts as "none" and how one is released.
struct KernelHandleKind {
    // CreateFileA fails with INVALID_HANDLE_VALUE, CreateThread and CreateEventA
    // with NULL: both mean no handle.
    static bool valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void release(HANDLE handle) { CloseHandle(handle); }
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
};

struct RegistryKeyKind {
    static bool valid(HKEY key) { return key != nullptr; }
    static void release(HKEY key) { RegCloseKey(key); }
    static HKEY none() { return nullptr; }
};

struct GdiObjectKind {
    static bool valid(HGDIOBJ object) { return object != nullptr; }
    static void release(HGDIOBJ object) { DeleteObject(object); }
    static HGDIOBJ none() { return nullptr; }
};

struct MenuKind {
    static bool valid(HMENU menu) { return menu != nullptr; }
    static void release(HMENU menu) { DestroyMenu(menu); }
    static HMENU none() { return nullptr; }
};

template <typename Handle, typename Kind>
class Scoped {
public:
    Scoped() = default;
    explicit Scoped(Handle handle) : handle_(handle) {}
    ~Scoped() { reset(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& other) noexcept : handle_(other.take()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) reset(other.take());
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return Kind::valid(handle_); }
    explicit operator bool() const { return valid(); }
    // Releases the present handle, if any, and keeps the new one.
    void reset(Handle handle = Kind::none()) {
        if (Kind::valid(handle_)) Kind::release(handle_);
        handle_ = handle;
    }
    // Gives the handle up without releasing it.
    Handle take() { return std::exchange(handle_, Kind::none()); }
    // For APIs that return a handle through a pointer (RegOpenKeyExA).
    Handle* out() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Kind::none();
};

using ScopedHandle = Scoped<HANDLE, KernelHandleKind>;
using ScopedRegKey = Scoped<HKEY, RegistryKeyKind>;
using ScopedMenu = Scoped<HMENU, MenuKind>;

// A pen, brush, font or bitmap.
class GdiObject : public Scoped<HGDIOBJ, GdiObjectKind> {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ object) : Scoped(object) {}
    HBRUSH brush() const { return static_cast<HBRUSH>(get()); }
    HFONT font() const { return static_cast<HFONT>(get()); }
    HBITMAP bitmap() const { return static_cast<HBITMAP>(get()); }
};

// Selects an object into a DC and puts the previous one back. A null object is
// not selected (a window whose fonts were not made keeps the DC's own).
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() { restore(); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    void restore() {
        if (previous_) SelectObject(dc_, previous_);
        previous_ = nullptr;
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDC() { EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};
