#include "host/printing/TestPage.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <ctime>

namespace {

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

std::string today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

} // namespace

std::string testPagePdf(const std::string& queue) {
    std::string pdf;
    const double width = 595, height = 842; // A4 in points
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(append, &pdf, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 24);
    cairo_move_to(cr, 72, 120);
    cairo_show_text(cr, "Accounting pane test page");
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    const std::string lines[] = {"Printed " + today(), "Queue: " + queue,
                                 "The job's accounting codes travel with it as IPP attributes."};
    double y = 160;
    for (const std::string& line : lines) {
        cairo_move_to(cr, 72, y);
        cairo_show_text(cr, line.c_str());
        y += 20;
    }
    cairo_rectangle(cr, 60, 80, width - 120, y - 60);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return pdf;
}
