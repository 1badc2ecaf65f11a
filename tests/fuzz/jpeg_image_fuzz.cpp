// libFuzzer target: any bytes as gfx.data through read_jpeg_image, under ASan and UBSan.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include <jpeglib.h>

#include "media.h"
#include "platform.h"

// Every input is written to this one file, made in LLVMFuzzerInitialize and removed at exit.
static char input_path[64];
static int boxes_shown;

// The platform's message box, silent: counts the boxes and reads their texts to the end.
int message_box_show(const char* text, const char* caption, int style)
{
    if (strlen(text) + strlen(caption) == 0 || style < 0)
        abort();
    boxes_shown++;
    return IDOK;
}

static void remove_input() { unlink(input_path); }

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* dir = getenv("TMPDIR");
    snprintf(input_path, sizeof input_path, "%s/jpeg_fuzz.XXXXXX",
        dir != nullptr && strlen(dir) < 40 ? dir : "/tmp");
    const int fd = mkstemp(input_path);
    if (fd < 0)
        abort();
    close(fd);
    atexit(remove_input);
    return 0;
}

static jmp_buf header_failed;

static void on_header_error(j_common_ptr) { longjmp(header_failed, 1); }

static void no_message(j_common_ptr) { }

// True for a picture that would be decoded at a size that costs a long time per input (more than
// 1024 x 1024 pixels but small enough that the loader takes it). Those teach the fuzzer nothing new
// and only slow it down; the loader's refusal of bigger ones stays in.
static bool slow_to_decode(const uint8_t* data, size_t size)
{
    if (size <= 1)
        return false;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jerr.error_exit = on_header_error;
    jerr.output_message = no_message;
    jpeg_create_decompress(&cinfo);
    if (setjmp(header_failed)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_mem_src(&cinfo, data + 1, (unsigned long)(size - 1));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_calc_output_dimensions(&cinfo);
    const size_t pixels = (size_t)cinfo.output_width * cinfo.output_height;
    jpeg_destroy_decompress(&cinfo);
    return pixels > (size_t)1024 * 1024 && pixels * 3 <= JPEG_MAX_BLOCK_BYTES;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (slow_to_decode(data, size))
        return -1;
    FILE* file = fopen(input_path, "wb");
    if (file == nullptr || (size != 0 && fwrite(data, 1, size, file) != size) || fclose(file) != 0)
        abort();

    boxes_shown = 0;
    int width = -1, height = -1;
    unsigned char* pixels = read_jpeg_image(input_path, &width, &height);
    if (pixels != nullptr) {
        if (width <= 0 || height <= 0)
            abort();
        // every byte of the block is there to read (ASan checks the reach)
        volatile unsigned sum = 0;
        const size_t bytes = (size_t)width * (size_t)height * 3;
        for (size_t i = 0; i < bytes; i++)
            sum = sum + pixels[i];
        free(pixels);
    } else if (boxes_shown == 0) {
        // every null result has been explained to the viewer
        abort();
    }
    return 0;
}
