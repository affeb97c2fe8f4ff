// JPEG decoding with libjpeg-turbo, optionally reduced by 2, 4 or 8 while decoding (the DCT
// scaling that makes camera-size thumbnails cheap). Built only when the library was found; the
// platform's imaging component decodes JPEG files otherwise.
#include "ImgIoInternal.h"

#include <memory>
#include <new>

#if defined(IMGIO_WITH_LIBJPEG)
#include <stdio.h>
#include <string.h>
#include <jpeglib.h>
#endif

namespace imgio {

#if defined(IMGIO_WITH_LIBJPEG)

namespace {

// libjpeg reports a fatal error through error_exit, which must not return. It jumps back to
// RunDecode with the compiler's own setjmp (no unwinding through libjpeg's frames is involved).
struct ErrorTrap {
    jpeg_error_mgr mgr;
    void* jump[5];
};

void OnFatal(j_common_ptr cinfo)
{
    __builtin_longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1);
}

// Warnings (corrupt entropy data that the decoder can work through) are not fatal, as with the
// platform's decoder; a file cut short never gets here.
void OnMessage(j_common_ptr, int) {}
void OnOutput(j_common_ptr) {}

// Watches the decoding as it goes: the scans read before the first row comes out are counted in
// blocks decoded and held to the limit the header check holds files to (so a file that slipped
// past the check cannot take longer), and the thread's cancel check is asked at every step.
// Plain data, zeroed with the decoder's state.
struct Monitor {
    jpeg_progress_mgr mgr;
    uint64_t limit;   // blocks the scans may decode in all
    uint64_t work;    // blocks decoded so far
    int scan;         // the scan and the rows of it counted
    JDIMENSION rows;
    bool reading;     // the scans are being read in ahead of the output
};

void OnProgress(j_common_ptr common)
{
    auto* c = reinterpret_cast<j_decompress_ptr>(common);
    auto* m = reinterpret_cast<Monitor*>(c->progress);
    if (m->reading) {
        if (c->input_scan_number != m->scan) {
            m->scan = c->input_scan_number;
            m->rows = 0;
        }
        if (c->input_iMCU_row > m->rows && c->comps_in_scan > 0) {
            // One row of MCUs: a component's own blocks, v rows of them, when it is alone in the scan.
            const jpeg_component_info* alone = c->comps_in_scan == 1 ? c->cur_comp_info[0] : nullptr;
            const uint64_t perRow = alone ? uint64_t(alone->width_in_blocks) * unsigned(alone->v_samp_factor)
                                          : uint64_t(c->MCUs_per_row) * unsigned(c->blocks_in_MCU);
            m->work += uint64_t(c->input_iMCU_row - m->rows) * perRow;
            m->rows = c->input_iMCU_row;
        }
        if (m->work > m->limit)
            OnFatal(common);
    }
    if (ReadCancelled())
        OnFatal(common);
}

// What the resolution of the result is, as the platform's decoder reports it: the JFIF density
// in dots per inch or per centimetre, and 96 dpi when the file states none.
void SetResolution(const jpeg_decompress_struct& c, DibWriter* out)
{
    double x = 96.0, y = 96.0;
    if (c.saw_JFIF_marker && c.density_unit == 1) {
        x = c.X_density;
        y = c.Y_density;
    } else if (c.saw_JFIF_marker && c.density_unit == 2) {
        x = c.X_density * 2.54;
        y = c.Y_density * 2.54;
    }
    out->SetResolution(PelsPerMeterFromDpi(x), PelsPerMeterFromDpi(y));
}

// All libjpeg calls. Nothing here has a destructor: a fatal error comes back to the setjmp
// point, which frees the decoder's memory and reports failure. out is the caller's.
JpegResult RunDecode(jpeg_decompress_struct* c, ErrorTrap* trap, Monitor* monitor, const uint8_t* data, size_t size,
                     unsigned scale, DibWriter* out)
{
    c->err = jpeg_std_error(&trap->mgr);
    trap->mgr.error_exit = OnFatal;
    trap->mgr.emit_message = OnMessage;
    trap->mgr.output_message = OnOutput;
    if (__builtin_setjmp(trap->jump)) {
        jpeg_destroy_decompress(c);
        return JpegResult::Failed;
    }
    jpeg_create_decompress(c);
    jpeg_mem_src(c, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(c, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(c);
        return JpegResult::Failed;
    }
    bool gray = false;
    switch (c->jpeg_color_space) {
    case JCS_GRAYSCALE:
        gray = true;
        c->out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        c->out_color_space = JCS_EXT_BGR;
        break;
    default: // CMYK and YCCK: left to the platform's colour handling
        jpeg_destroy_decompress(c);
        return JpegResult::Unsupported;
    }
    c->scale_num = 1;
    c->scale_denom = scale;
    c->dct_method = JDCT_ISLOW;
    // Whole-frame buffers beyond the budget (with room for the decoder's rounding up to whole
    // MCUs and its working rows) are refused by the decoder too, should one get past the check.
    c->mem->max_memory_to_use = long(kMaxDecoderBytes + kMaxDecoderBytes / 16);
    unsigned blocksPerMcu = 0;
    for (int i = 0; i < c->num_components; ++i)
        blocksPerMcu += unsigned(c->comp_info[i].h_samp_factor * c->comp_info[i].v_samp_factor);
    const uint64_t mcuWidth = 8u * unsigned(c->max_h_samp_factor), mcuHeight = 8u * unsigned(c->max_v_samp_factor);
    monitor->limit = JpegScanWorkLimit((c->image_width + mcuWidth - 1) / mcuWidth *
                                       ((c->image_height + mcuHeight - 1) / mcuHeight) * blocksPerMcu);
    monitor->mgr.progress_monitor = OnProgress;
    c->progress = &monitor->mgr;
    monitor->reading = true;
    jpeg_start_decompress(c);
    monitor->reading = false;
    if (!out->Create(c->output_width, c->output_height, gray ? 8 : 24, gray ? 256 : 0)) {
        jpeg_destroy_decompress(c);
        return JpegResult::Failed;
    }
    if (gray)
        for (unsigned i = 0; i < 256; ++i)
            out->Palette()[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    SetResolution(*c, out);
    while (c->output_scanline < c->output_height) {
        JSAMPROW row = out->Row(c->output_scanline);
        if (jpeg_read_scanlines(c, &row, 1) != 1) {
            jpeg_destroy_decompress(c);
            return JpegResult::Failed;
        }
    }
    jpeg_finish_decompress(c);
    jpeg_destroy_decompress(c);
    return JpegResult::Ok;
}

} // namespace

bool HaveJpegDecoder() { return true; }

const char* JpegDecoderName()
{
#define IMGIO_TEXT2(x) #x
#define IMGIO_TEXT(x) IMGIO_TEXT2(x)
#if defined(WITH_SIMD)
    return "libjpeg-turbo " IMGIO_TEXT(LIBJPEG_TURBO_VERSION) " (SIMD)";
#else
    return "libjpeg-turbo " IMGIO_TEXT(LIBJPEG_TURBO_VERSION);
#endif
}

JpegResult DecodeJpeg(const uint8_t* data, size_t size, unsigned scale, HGLOBAL* image)
{
    *image = nullptr;
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8)
        return JpegResult::Failed;
    // Large structures, kept off the stack of threads that may have a small one.
    struct State {
        jpeg_decompress_struct c;
        ErrorTrap trap;
        Monitor monitor;
    };
    std::unique_ptr<State> state(new (std::nothrow) State);
    if (!state)
        return JpegResult::Failed;
    memset(state.get(), 0, sizeof *state);
    DibWriter out;
    const JpegResult result = RunDecode(&state->c, &state->trap, &state->monitor, data, size, scale, &out);
    if (result == JpegResult::Ok)
        *image = out.Finish();
    return *image || result != JpegResult::Ok ? result : JpegResult::Failed;
}

#else

bool HaveJpegDecoder() { return false; }
const char* JpegDecoderName() { return "WIC"; }
JpegResult DecodeJpeg(const uint8_t*, size_t, unsigned, HGLOBAL* image)
{
    *image = nullptr;
    return JpegResult::Unsupported;
}

#endif

} // namespace imgio
