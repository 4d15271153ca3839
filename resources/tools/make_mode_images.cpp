// Draws the pane's two mode pictures and writes them as GIF files:
//
//   make-mode-images OUTPUT_FOLDER
//
// The committed resources/Accounting-On.gif and Accounting-Off.gif were made with it.
#include <cairo.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 64;
constexpr int kTransparent = 255;

void roundedSquare(cairo_t* cr, double x, double y, double side, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + side - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + side - radius, y + side - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + side - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void label(cairo_t* cr, const char* text) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 13);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_move_to(cr, (kSide - extents.x_advance) / 2, 56);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_show_text(cr, text);
}

cairo_surface_t* drawOn() {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
    cairo_t* cr = cairo_create(surface);
    roundedSquare(cr, 2, 2, kSide - 4, 10);
    cairo_set_source_rgb(cr, 0.18, 0.62, 0.31);
    cairo_fill(cr);
    // A check mark: codes go with the job.
    cairo_set_line_width(cr, 6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, 17, 24);
    cairo_line_to(cr, 28, 35);
    cairo_line_to(cr, 47, 14);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke(cr);
    label(cr, "ON");
    cairo_destroy(cr);
    return surface;
}

cairo_surface_t* drawOff() {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
    cairo_t* cr = cairo_create(surface);
    roundedSquare(cr, 2, 2, kSide - 4, 10);
    cairo_set_source_rgb(cr, 0.55, 0.57, 0.60);
    cairo_fill(cr);
    // A barred circle: no codes.
    cairo_set_line_width(cr, 5);
    cairo_arc(cr, kSide / 2.0, 25, 13, 0, 2 * M_PI);
    cairo_move_to(cr, kSide / 2.0 - 9, 34);
    cairo_line_to(cr, kSide / 2.0 + 9, 16);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke(cr);
    label(cr, "OFF");
    cairo_destroy(cr);
    return surface;
}

// A 6x6x6 colour cube, then greys; the last entry is the transparent colour.
std::vector<GifColorType> palette() {
    std::vector<GifColorType> colours;
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                colours.push_back({static_cast<GifByteType>(r * 51),
                                   static_cast<GifByteType>(g * 51),
                                   static_cast<GifByteType>(b * 51)});
            }
        }
    }
    while (colours.size() < 255) {
        auto v = static_cast<GifByteType>((colours.size() - 216) * 255 / 38);
        colours.push_back({v, v, v});
    }
    colours.push_back({255, 255, 255});
    return colours;
}

int nearest(const std::vector<GifColorType>& colours, int r, int g, int b) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < kTransparent; ++i) {
        long dr = r - colours[i].Red, dg = g - colours[i].Green, db = b - colours[i].Blue;
        long distance = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

bool writeGif(cairo_surface_t* surface, const std::string& path) {
    std::vector<GifColorType> colours = palette();
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    std::vector<GifPixelType> pixels(kSide * kSide);
    for (int y = 0; y < kSide; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < kSide; ++x) {
            uint32_t p = row[x];
            int a = p >> 24;
            if (a < 128) {
                pixels[y * kSide + x] = kTransparent;
                continue;
            }
            // Undo the premultiplication.
            int r = ((p >> 16) & 0xFF) * 255 / a, g = ((p >> 8) & 0xFF) * 255 / a,
                b = (p & 0xFF) * 255 / a;
            pixels[y * kSide + x] = static_cast<GifPixelType>(nearest(colours, r, g, b));
        }
    }
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (gif == nullptr) {
        return false;
    }
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    bool ok = EGifPutScreenDesc(gif, kSide, kSide, 8, 0, map) == GIF_OK;
    GraphicsControlBlock gcb = {0, false, 0, kTransparent};
    GifByteType extension[4];
    size_t length = EGifGCBToExtension(&gcb, extension);
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
                   GIF_OK;
    ok = ok && EGifPutImageDesc(gif, 0, 0, kSide, kSide, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < kSide; ++y) {
        ok = EGifPutLine(gif, &pixels[y * kSide], kSide) == GIF_OK;
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-mode-images OUTPUT_FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    cairo_surface_t* on = drawOn();
    cairo_surface_t* off = drawOff();
    bool ok = writeGif(on, folder + "/Accounting-On.gif") &&
              writeGif(off, folder + "/Accounting-Off.gif");
    cairo_surface_write_to_png(on, (folder + "/Accounting-On.png").c_str());
    cairo_surface_write_to_png(off, (folder + "/Accounting-Off.png").c_str());
    cairo_surface_destroy(on);
    cairo_surface_destroy(off);
    if (!ok) {
        std::fprintf(stderr, "make-mode-images: could not write the GIF files\n");
        return 1;
    }
    return 0;
}
