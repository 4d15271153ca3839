// Builds GIF files byte by byte, so that tests can make both good pictures and the malformed
// ones that have crashed GIF readers before.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

struct GifSpec {
    int screenWidth = 4;
    int screenHeight = 4;
    bool globalMap = true;
    int globalBits = 2; // 2^bits colours
    std::vector<uint32_t> colours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    int backgroundIndex = 0;
    int transparentIndex = -1; // a graphic control block when >= 0
    bool image = true;
    int left = 0, top = 0;
    int width = 4, height = 4;
    bool interlaced = false;
    bool localMap = false;
    std::vector<uint8_t> pixels; // width * height indexes; all 0 when empty
    bool corruptLzw = false;     // a code that was never defined, after the first pixel
    int lzwCodeSizeByte = -1;    // the stored minimum code size, when not the right one
    size_t truncateTo = 0;       // keep only this many bytes (0: all)
};

inline void putShort(std::string* out, int v) {
    out->push_back(static_cast<char>(v & 0xFF));
    out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

// LZW data in which every pixel is one code, with a clear code often enough that the code size
// never grows.
inline std::string lzwBlocks(const std::vector<uint8_t>& pixels, int minCodeSize, bool corrupt) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    const int codeSize = minCodeSize + 1;
    std::vector<int> codes = {clear};
    int sinceClear = 0;
    for (uint8_t p : pixels) {
        if (sinceClear == (1 << codeSize) - clear - 3) {
            codes.push_back(clear);
            sinceClear = 0;
        }
        codes.push_back(p);
        ++sinceClear;
        if (corrupt && codes.size() == 2) {
            codes.push_back((1 << codeSize) - 1); // a code the table does not hold yet
        }
    }
    codes.push_back(end);
    std::string bytes;
    uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= static_cast<uint32_t>(code) << count;
        count += codeSize;
        while (count >= 8) {
            bytes.push_back(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) {
        bytes.push_back(static_cast<char>(bits & 0xFF));
    }
    std::string out;
    out.push_back(static_cast<char>(minCodeSize));
    for (size_t at = 0; at < bytes.size(); at += 255) {
        std::string block = bytes.substr(at, 255);
        out.push_back(static_cast<char>(block.size()));
        out += block;
    }
    out.push_back('\0');
    return out;
}

inline std::string buildGif(const GifSpec& spec) {
    std::string out = "GIF89a";
    putShort(&out, spec.screenWidth);
    putShort(&out, spec.screenHeight);
    int packed = spec.globalMap ? (0x80 | 0x70 | (spec.globalBits - 1)) : 0x70;
    out.push_back(static_cast<char>(packed));
    out.push_back(static_cast<char>(spec.backgroundIndex));
    out.push_back('\0');
    auto putMap = [&](int bits) {
        for (int i = 0; i < (1 << bits); ++i) {
            uint32_t c = i < static_cast<int>(spec.colours.size()) ? spec.colours[i] : 0;
            out.push_back(static_cast<char>((c >> 16) & 0xFF));
            out.push_back(static_cast<char>((c >> 8) & 0xFF));
            out.push_back(static_cast<char>(c & 0xFF));
        }
    };
    if (spec.globalMap) {
        putMap(spec.globalBits);
    }
    if (spec.transparentIndex >= 0) {
        out += std::string("\x21\xF9\x04\x01\x00\x00", 6);
        out.push_back(static_cast<char>(spec.transparentIndex));
        out.push_back('\0');
    }
    if (spec.image) {
        out.push_back(',');
        putShort(&out, spec.left);
        putShort(&out, spec.top);
        putShort(&out, spec.width);
        putShort(&out, spec.height);
        int flags =
            (spec.interlaced ? 0x40 : 0) | (spec.localMap ? (0x80 | (spec.globalBits - 1)) : 0);
        out.push_back(static_cast<char>(flags));
        if (spec.localMap) {
            putMap(spec.globalBits);
        }
        // A frame too large to store is given only a little data: a reader must refuse it from
        // its descriptor alone.
        std::vector<uint8_t> pixels = spec.pixels;
        pixels.resize(std::min<size_t>(static_cast<size_t>(spec.width) * spec.height, 4096), 0);
        std::string data = lzwBlocks(pixels, std::max(2, spec.globalBits), spec.corruptLzw);
        if (spec.lzwCodeSizeByte >= 0) {
            data[0] = static_cast<char>(spec.lzwCodeSizeByte);
        }
        out += data;
    }
    out.push_back(';');
    if (spec.truncateTo > 0 && spec.truncateTo < out.size()) {
        out.resize(spec.truncateTo);
    }
    return out;
}
