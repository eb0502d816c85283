// The real Picture: OleLoadPicture over an IStream on the file's bytes, rendered with IPicture.
#pragma once

#include <windows.h>

#include <memory>
#include <span>

#include "platform/ui.h"

namespace zelta::win32 {

// Decodes the bytes; nullptr when they are not a picture.
std::unique_ptr<Picture> LoadOlePicture(std::span<const std::uint8_t> bytes);

// Draws a picture made by LoadOlePicture upright at its natural size at (0, 0) of `dc`.
void RenderOlePicture(Picture& picture, HDC dc);

}  // namespace zelta::win32
