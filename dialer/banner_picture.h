// BannerPicture: the installation's own banner, "banner.jpg" in the installation directory, drawn
// into the main window's banner frame at its natural size.
#pragma once

#include <memory>
#include <string_view>

#include "platform/platform.h"

namespace zelta {

class BannerPicture {
public:
    // Reads and decodes the file; true when a picture is held. The file is read whole, up to a bound
    // no banner comes near.
    bool Load(FileSystem& files, Window& window, std::string_view path);
    // Draws the picture into control `controlId` from its top-left corner, clipped to it.
    bool Render(Window& window, int controlId);
    // The picture's size in pixels, (0, 0) without one.
    std::pair<int, int> GetSize() const;
    void Release() { m_picture.reset(); }

private:
    std::unique_ptr<Picture> m_picture;
};

}  // namespace zelta
