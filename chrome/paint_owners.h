// Owners of the painting objects that live for one paint call. Each deletes its object with the
// matching function when it leaves scope, so owners declared in the order the objects are created
// delete them in reverse, the order the painters need.
#pragma once

#include <windows.h>
#include <gdiplus.h>

template <class T> struct GdipDeleter;
template <> struct GdipDeleter<Gdiplus::GpGraphics> {
    static void Delete(Gdiplus::GpGraphics* g) { Gdiplus::DllExports::GdipDeleteGraphics(g); }
};
template <> struct GdipDeleter<Gdiplus::GpPen> {
    static void Delete(Gdiplus::GpPen* pen) { Gdiplus::DllExports::GdipDeletePen(pen); }
};
template <> struct GdipDeleter<Gdiplus::GpSolidFill> {
    static void Delete(Gdiplus::GpSolidFill* brush) { Gdiplus::DllExports::GdipDeleteBrush(brush); }
};
template <> struct GdipDeleter<Gdiplus::GpPath> {
    static void Delete(Gdiplus::GpPath* path) { Gdiplus::DllExports::GdipDeletePath(path); }
};

// A GDI+ object made by a GdipCreate… call into Out(), deleted once at the end of the scope.
template <class T>
class GdipOwned {
public:
    GdipOwned() = default;
    GdipOwned(const GdipOwned&) = delete;
    GdipOwned& operator=(const GdipOwned&) = delete;
    ~GdipOwned() {
        if (object_) GdipDeleter<T>::Delete(object_);
    }

    T** Out() { return &object_; }
    T* Get() const { return object_; }

private:
    T* object_ = nullptr;
};

// Fills the rectangle with a solid colour through a brush that lives for this call only.
inline void FillSolid(HDC hdc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}
