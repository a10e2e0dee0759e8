#pragma once

#include <QImage>
#include <cstdint>
#include <span>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::qt {

// A device-independent bitmap (a 40-byte header, the colour table, then the rows bottom-up, each
// padded to 4 bytes) as an image; 1, 4, 8 and 24 bits per pixel. A malformed one gives a null
// image.
QImage imageFromDib(std::span<const std::uint8_t> dib);

// The module's toolbox picture (bitmap 30000), as Designer's widget box and the program show it.
QImage toolboxImage();

}  // namespace kadrelle::qt
#pragma GCC visibility pop
