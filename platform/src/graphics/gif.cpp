#include "Bitmap.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

struct Reader {
    const std::string* bytes;
    size_t at;
};

int readBytes(GifFileType* gif, GifByteType* buffer, int length) {
    auto* reader = static_cast<Reader*>(gif->UserData);
    if (length <= 0) {
        return 0;
    }
    size_t left = reader->bytes->size() - reader->at;
    size_t n = std::min(left, static_cast<size_t>(length));
    std::memcpy(buffer, reader->bytes->data() + reader->at, n);
    reader->at += n;
    return static_cast<int>(n);
}

struct GifCloser {
    GifFileType* gif;
    ~GifCloser() {
        if (gif != nullptr) {
            int error = 0;
            DGifCloseFile(gif, &error);
        }
    }
};

// Reads the extensions before the first image; only a graphic control block matters (its
// transparent colour).
bool readExtension(GifFileType* gif, int* transparent, std::string* error) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
        *error = "bad extension block";
        return false;
    }
    while (block != nullptr) {
        if (code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4) {
            GraphicsControlBlock gcb;
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
                *transparent = gcb.TransparentColor;
            }
            code = 0; // only the first sub-block is the control block
        }
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
            *error = "bad extension block";
            return false;
        }
    }
    return true;
}

uint32_t premultiplied(const GifColorType& c) {
    return 0xFF000000u | (static_cast<uint32_t>(c.Red) << 16) |
           (static_cast<uint32_t>(c.Green) << 8) | c.Blue;
}

} // namespace

bool looksLikeGif(const std::string& bytes) {
    return bytes.compare(0, 6, "GIF87a") == 0 || bytes.compare(0, 6, "GIF89a") == 0;
}

bool decodeGif(const std::string& bytes, Bitmap* out, std::string* error) {
    if (!looksLikeGif(bytes)) {
        *error = "not a GIF";
        return false;
    }
    Reader reader{&bytes, 0};
    int openError = 0;
    GifFileType* gif = DGifOpen(&reader, readBytes, &openError);
    GifCloser closer{gif};
    if (gif == nullptr) {
        *error = "unreadable GIF header";
        return false;
    }
    if (gif->SWidth <= 0 || gif->SHeight <= 0 || gif->SWidth > kMaxImageSide ||
        gif->SHeight > kMaxImageSide ||
        static_cast<long>(gif->SWidth) * gif->SHeight > kMaxImagePixels) {
        *error = "GIF screen size out of range";
        return false;
    }
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            *error = "GIF cut short";
            return false;
        }
        if (type == TERMINATE_RECORD_TYPE) {
            *error = "GIF holds no image";
            return false;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            if (!readExtension(gif, &transparent, error)) {
                return false;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            *error = "unknown GIF record";
            return false;
        }
        break;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR) {
        *error = "bad GIF image descriptor";
        return false;
    }
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Width > kMaxImageSide ||
        desc.Height > kMaxImageSide ||
        static_cast<long>(desc.Width) * desc.Height > kMaxImagePixels) {
        *error = "GIF frame size out of range";
        return false;
    }
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0) {
        *error = "GIF has no colour map";
        return false;
    }

    // Rows arrive in their stored order; interlaced images store every eighth row first.
    std::vector<int> rowOrder;
    if (desc.Interlace) {
        const int offsets[] = {0, 4, 2, 1};
        const int jumps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = offsets[pass]; y < desc.Height; y += jumps[pass]) {
                rowOrder.push_back(y);
            }
        }
    } else {
        for (int y = 0; y < desc.Height; ++y) {
            rowOrder.push_back(y);
        }
    }

    Bitmap bitmap;
    bitmap.width = gif->SWidth;
    bitmap.height = gif->SHeight;
    bitmap.pixels.assign(static_cast<size_t>(bitmap.width) * bitmap.height, 0);
    std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
    for (int y : rowOrder) {
        if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) {
            *error = "bad GIF image data";
            return false;
        }
        long screenY = static_cast<long>(desc.Top) + y;
        if (screenY < 0 || screenY >= bitmap.height) {
            continue; // a frame may reach past the logical screen: that part is not shown
        }
        for (int x = 0; x < desc.Width; ++x) {
            long screenX = static_cast<long>(desc.Left) + x;
            int index = line[static_cast<size_t>(x)];
            if (screenX < 0 || screenX >= bitmap.width || index == transparent ||
                index >= map->ColorCount) {
                continue;
            }
            bitmap.pixels[static_cast<size_t>(screenY) * bitmap.width + screenX] =
                premultiplied(map->Colors[index]);
        }
    }
    *out = std::move(bitmap);
    return true;
}

} // namespace platform
