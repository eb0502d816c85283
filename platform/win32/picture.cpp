// Implements the banner's picture with OLE: a stream over a copy of the bytes, OleLoadPicture, and
// IPicture::Render.
#include "platform/win32/picture.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>

namespace zelta::win32 {
namespace {

// HIMETRIC (0.01 mm) to screen pixels.
int ToPixels(long himetric, int axis) {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, axis) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return ::MulDiv(static_cast<int>(himetric), dpi, 2540);
}

class OlePicture final : public Picture {
public:
    explicit OlePicture(IPicture* picture) : m_picture(picture) {}
    ~OlePicture() override { m_picture->Release(); }
    OlePicture(const OlePicture&) = delete;
    OlePicture& operator=(const OlePicture&) = delete;

    int Width() override { return ToPixels(HimetricWidth(), LOGPIXELSX); }
    int Height() override { return ToPixels(HimetricHeight(), LOGPIXELSY); }
    long HimetricWidth() {
        OLE_XSIZE_HIMETRIC w = 0;
        m_picture->get_Width(&w);
        return w;
    }
    long HimetricHeight() {
        OLE_YSIZE_HIMETRIC h = 0;
        m_picture->get_Height(&h);
        return h;
    }
    IPicture* get() { return m_picture; }

private:
    IPicture* m_picture;
};

}  // namespace

std::unique_ptr<Picture> LoadOlePicture(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return nullptr;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return nullptr;
    void* target = ::GlobalLock(memory);
    if (!target) {
        ::GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    ::GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {  // the stream frees the memory
        ::GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    const HRESULT hr = ::OleLoadPicture(stream, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                        reinterpret_cast<void**>(&picture));
    stream->Release();
    if (FAILED(hr) || !picture) return nullptr;
    return std::make_unique<OlePicture>(picture);
}

void RenderOlePicture(Picture& picture, HDC dc) {
    auto& ole = static_cast<OlePicture&>(picture);
    const long w = ole.HimetricWidth();
    const long h = ole.HimetricHeight();
    // The source starts at the bottom (h) with a negative height: the picture comes out upright.
    ole.get()->Render(dc, 0, 0, ole.Width(), ole.Height(), 0, h, w, -h, nullptr);
}

}  // namespace zelta::win32
