// PNG output through libpng: rows written as they are, fast compression
// (page pictures are large and mostly white).
#include "page_png.h"

#ifdef VESK_HAVE_PNG
#include <png.h>
#endif

#include <csetjmp>
#include <cstdio>
#include <memory>

namespace vesk::host {

#ifndef VESK_HAVE_PNG
bool writePng(const std::string&, const decode::Picture&, std::string* error) {
    if (error) *error = "this build of vesk writes no PNG files (libpng was not found when it was built)";
    return false;
}
#else
bool writePng(const std::string& path, const decode::Picture& pic, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (pic.width == 0 || pic.height == 0 || pic.rgb.size() != static_cast<size_t>(pic.width) * pic.height * 3)
        return fail("an empty picture");
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) return fail("cannot create " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return fail("out of memory");
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return fail("cannot write " + path);
    }
    png_init_io(png, f.get());
    png_set_compression_level(png, 1);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_IHDR(png, info, pic.width, pic.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::uint32_t y = 0; y < pic.height; ++y)
        png_write_row(png, const_cast<png_bytep>(pic.rgb.data() + static_cast<size_t>(y) * pic.width * 3));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(f.get()) != 0) return fail("cannot write " + path);
    return true;
}
#endif

}  // namespace vesk::host
