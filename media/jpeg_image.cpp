// The background picture's decoder: one skipped byte, then a JPEG stream, decoded into RGB rows.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "media.h"
#include "platform.h"

// The decoder's error manager, and where on_jpeg_fatal_error sends control: back into the
// read_jpeg_image that made it, past the decoder. The library hands the manager back as cinfo->err.
struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf fatal_return;
};

// The library's output_message: every fatal error and the first warning of a picture end up here.
// The text is the library's own, formatted by its format_message.
static void show_jpeg_message(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    message_box_show(text, "JPEG Error", MB_OK);
}

// The library's error_exit: the decoder cannot go on. Shows why, destroys the object (which frees
// its pools, the row buffer with them) and returns to read_jpeg_image, never into the library.
static void on_jpeg_fatal_error(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    JpegErrors* errors = (JpegErrors*)cinfo->err;
    jpeg_destroy(cinfo);
    longjmp(errors->fatal_return, 1);
}

// Copies one decoded row into the block: RGB as it comes, a grey sample spread over R, G and B.
// Rows of any other layout (CMYK, YCCK) are not stored; the block keeps its zeros there.
static void store_row(unsigned char* out, const JSAMPLE* row, int width, int components)
{
    if (components == 3) {
        memcpy(out, row, (size_t)width * 3);
    } else if (components == 1) {
        for (int x = 0; x < width; x++) {
            out[0] = row[x];
            out[1] = row[x];
            out[2] = row[x];
            out += 3;
        }
    }
}

// Called once by init_scene with "gfx.data". Writes width and height once decoding has started and
// returns the pixel block, or returns null after a message box saying why.
unsigned char* read_jpeg_image(const char* path, int* width, int* height)
{
    // written after setjmp and needed after a longjmp, so kept out of registers
    FILE* volatile file = nullptr;
    unsigned char* volatile pixels = nullptr;

    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.output_message = show_jpeg_message;
    errors.manager.error_exit = on_jpeg_fatal_error;
    if (setjmp(errors.fatal_return)) {
        // the message is shown and the object destroyed; what is left is ours
        if (file != nullptr)
            fclose(file);
        free(pixels);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);

    // a folder, a FIFO or a device is refused like a missing file, before the decoder could take it
    // for an empty or endless one; the message names the file alone, not why
    const char* why = nullptr;
    file = plain_file_open(path, &why);
    if (file == nullptr) {
        char text[256];
        snprintf(text, sizeof text, "Can't open JPEG file %s\n", path);
        message_box_show(text, INTRO_CAPTION, MB_OK | MB_ICONWARNING);
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    // the lead byte is not part of the picture
    fseek(file, JPEG_SKIP_BYTES, SEEK_SET);
    jpeg_stdio_src(&cinfo, file);
    // no parameter is changed: RGB or grey output at full size, the library's default methods
    jpeg_read_header(&cinfo, TRUE);
    // the size the decoder will deliver, known before the library sets up its buffers for it
    jpeg_calc_output_dimensions(&cinfo);
    const int w = (int)cinfo.output_width;
    const int h = (int)cinfo.output_height;
    const int components = cinfo.output_components;

    // sizes in size_t: 65500 x 65500 x 3 does not fit an int
    const size_t row_bytes = (size_t)w * 3;
    const size_t block_bytes = row_bytes * (size_t)h;
    // a picture too big to hold is refused before decoding starts: for a progressive picture the
    // library itself would first ask for twice the block's size in coefficients
    const bool too_big = h != 0 && row_bytes > JPEG_MAX_BLOCK_BYTES / (size_t)h;
    if (!too_big) {
        jpeg_start_decompress(&cinfo);
        // zero-filled, so rows that are not stored never show uninitialised memory
        pixels = (unsigned char*)calloc(block_bytes, 1);
    }
    *width = w;
    *height = h;
    if (pixels == nullptr) {
        message_box_show("Out of memory when loading graphics", INTRO_CAPTION, MB_OK | MB_ICONWARNING);
        jpeg_destroy_decompress(&cinfo);
        fclose(file);
        return nullptr;
    }

    // one row of output samples in the image pool, released with the object
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(
        (j_common_ptr)&cinfo, JPOOL_IMAGE, cinfo.output_width * (JDIMENSION)components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        // the stdio source never suspends; a call that delivers nothing would loop for ever
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1)
            break;
        const size_t r = cinfo.output_scanline - 1;
        store_row(pixels + r * row_bytes, row[0], w, components);
    }

    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    fclose(file);
    return pixels;
}
