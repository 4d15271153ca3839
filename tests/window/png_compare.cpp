// Compares two PNG pictures pixel by pixel, colour only (the window system's snapshot has no
// alpha):
//   png-compare A.png B.png [TOLERANCE]
// exit 0 when they have the same size and no channel differs by more than TOLERANCE (default
// 0), else 1 with a line saying how they differ.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: png-compare A.png B.png [TOLERANCE]\n");
        return 2;
    }
    int tolerance = argc > 3 ? std::atoi(argv[3]) : 0;
    cairo_surface_t* a = cairo_image_surface_create_from_png(argv[1]);
    cairo_surface_t* b = cairo_image_surface_create_from_png(argv[2]);
    int status = 0;
    if (cairo_surface_status(a) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(b) != CAIRO_STATUS_SUCCESS) {
        std::printf("png-compare: a picture could not be read\n");
        status = 2;
    } else if (cairo_image_surface_get_width(a) != cairo_image_surface_get_width(b) ||
               cairo_image_surface_get_height(a) != cairo_image_surface_get_height(b)) {
        std::printf("png-compare: %dx%d against %dx%d\n", cairo_image_surface_get_width(a),
                    cairo_image_surface_get_height(a), cairo_image_surface_get_width(b),
                    cairo_image_surface_get_height(b));
        status = 1;
    } else {
        int width = cairo_image_surface_get_width(a);
        int height = cairo_image_surface_get_height(a);
        long differing = 0;
        int largest = 0;
        for (int y = 0; y < height; ++y) {
            const auto* rowA = reinterpret_cast<const unsigned*>(
                cairo_image_surface_get_data(a) + y * cairo_image_surface_get_stride(a));
            const auto* rowB = reinterpret_cast<const unsigned*>(
                cairo_image_surface_get_data(b) + y * cairo_image_surface_get_stride(b));
            for (int x = 0; x < width; ++x) {
                int worst = 0;
                for (int shift = 0; shift <= 16; shift += 8) {
                    int d = std::abs(static_cast<int>((rowA[x] >> shift) & 0xFF) -
                                     static_cast<int>((rowB[x] >> shift) & 0xFF));
                    worst = d > worst ? d : worst;
                }
                if (worst > tolerance) {
                    ++differing;
                }
                largest = worst > largest ? worst : largest;
            }
        }
        if (differing > 0) {
            std::printf("png-compare: %ld of %d pixels differ, by up to %d\n", differing,
                        width * height, largest);
            status = 1;
        } else {
            std::printf("png-compare: the same pixels (%dx%d, largest difference %d)\n", width,
                        height, largest);
        }
    }
    cairo_surface_destroy(a);
    cairo_surface_destroy(b);
    return status;
}
