#include "qt/ToolboxImage.h"

#include "component/Resources.h"

namespace kadrelle::qt {

namespace {
std::uint32_t le(std::span<const std::uint8_t> d, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | d[at + std::size_t(i)];
  return v;
}
}  // namespace

QImage imageFromDib(std::span<const std::uint8_t> dib) {
  if (dib.size() < 40 || le(dib, 0, 4) != 40 || le(dib, 16, 4) != 0) return {};
  const auto width = std::int32_t(le(dib, 4, 4)), height = std::int32_t(le(dib, 8, 4));
  const int bits = int(le(dib, 14, 2));
  if (width <= 0 || width > 4096 || height == 0 || height > 4096 || height < -4096) return {};
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return {};
  std::size_t colours = bits == 24 ? 0 : le(dib, 32, 4);
  if (bits != 24 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
  const std::size_t table = 40, pixels = table + 4 * colours;
  const std::size_t stride = (std::size_t(width) * std::size_t(bits) + 31) / 32 * 4;
  const int rows = std::abs(height);
  if (dib.size() < pixels + stride * std::size_t(rows)) return {};
  QImage image(width, rows, QImage::Format_RGB32);
  for (int y = 0; y < rows; ++y) {
    const std::size_t row = pixels + stride * std::size_t(height > 0 ? rows - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      if (bits == 24) {
        const std::size_t p = row + std::size_t(x) * 3;
        image.setPixel(x, y, qRgb(dib[p + 2], dib[p + 1], dib[p]));
        continue;
      }
      const std::size_t bit = std::size_t(x) * std::size_t(bits);
      const unsigned byte = dib[row + bit / 8];
      const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
      if (index >= colours) return {};
      const std::size_t c = table + 4 * index;
      image.setPixel(x, y, qRgb(dib[c + 2], dib[c + 1], dib[c]));
    }
  }
  return image;
}

QImage toolboxImage() {
  const auto resources = com::moduleResources();
  const com::Resource* bitmap = com::findResource(resources, "BITMAP", "30000");
  return bitmap ? imageFromDib(bitmap->data) : QImage();
}

}  // namespace kadrelle::qt
