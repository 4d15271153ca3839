// Decoded pictures, and the one GIF decoder that every image facility of the platform shares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Premultiplied ARGB, one 32-bit word a pixel, row after row (cairo's ARGB32 layout).
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

constexpr size_t kMaxImageFileBytes = 16 * 1024 * 1024;
constexpr int kMaxImageSide = 8192;
constexpr long kMaxImagePixels = 16L * 1024 * 1024;

// The first frame of a GIF composited onto its logical screen (transparent where it paints
// nothing). False with a reason for anything that can't be decoded safely.
bool decodeGif(const std::string& bytes, Bitmap* out, std::string* error);

// True when the bytes begin like a GIF.
bool looksLikeGif(const std::string& bytes);

} // namespace platform
