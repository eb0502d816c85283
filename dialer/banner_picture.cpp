// BannerPicture: loading and drawing the banner.
#include "dialer/banner_picture.h"

#include <vector>

namespace zelta {
namespace {

constexpr std::size_t kMaxBannerBytes = 16 * 1024 * 1024;

}  // namespace

bool BannerPicture::Load(FileSystem& files, Window& window, std::string_view path) {
    std::vector<std::uint8_t> bytes;
    if (files.Read(path, kMaxBannerBytes, bytes) != err::kSuccess) return false;
    Release();
    m_picture = window.LoadPicture(bytes);
    return m_picture != nullptr;
}

bool BannerPicture::Render(Window& window, int controlId) {
    if (m_picture) window.DrawPictureInControl(controlId, *m_picture);
    return true;
}

std::pair<int, int> BannerPicture::GetSize() const {
    return m_picture ? std::pair{m_picture->Width(), m_picture->Height()} : std::pair{0, 0};
}

}  // namespace zelta
