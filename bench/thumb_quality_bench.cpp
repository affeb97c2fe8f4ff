// Thumbnails of JPEG files made the quick way (decoded reduced by 2, 4 or 8, then fitted by the
// exact resampler) against the slow way (decoded at full size, then fitted): PSNR per colour
// channel, and the time each way takes. The quality bar is 40 dB on every channel of every file.
// Run: scripts/wine-run.sh build/x64/bin/thumb_quality_bench.exe FOLDER [BOX]
#include <windows.h>
#include <math.h>
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "win/Dib.h"
#include "album/ThumbBuild.h"
#include "album/ThumbFit.h"
#include "vendor_standins/imgio/imgio.h"
#include "win/Handles.h"
#include "BenchClock.h"

namespace {

// PSNR of each channel (blue, green, red) of two 24-bit images of one size; false otherwise.
bool Psnr(HGLOBAL a, HGLOBAL b, double out[3])
{
    dib::Layout la, lb;
    if (!dib::IsValidBlock(a, &la) || !dib::IsValidBlock(b, &lb) || la.width != lb.width ||
        la.height != lb.height || la.bitCount != 24 || lb.bitCount != 24)
        return false;
    win::GlobalLockGuard ga(a), gb(b);
    double sum[3] = {0, 0, 0};
    for (int y = 0; y < la.height; ++y) {
        const unsigned char* p = ga.bytes() + la.bitsOffset + size_t(y) * la.stride;
        const unsigned char* q = gb.bytes() + lb.bitsOffset + size_t(y) * lb.stride;
        for (int x = 0; x < 3 * la.width; ++x) {
            const double d = double(p[x]) - double(q[x]);
            sum[x % 3] += d * d;
        }
    }
    for (int c = 0; c < 3; ++c) {
        const double mse = sum[c] / (double(la.width) * la.height);
        out[c] = mse == 0 ? 99.0 : 10.0 * log10(255.0 * 255.0 / mse);
    }
    return true;
}

// The full image averaged over each thumbnail pixel's area: the picture a thumbnail should show,
// free of the aliasing of sampling a large image at a few points.
HGLOBAL AreaAverage(HGLOBAL image, int nw, int nh)
{
    dib::Layout l;
    if (!dib::IsValidBlock(image, &l) || l.bitCount != 24)
        return nullptr;
    const size_t stride = ((size_t(nw) * 3 + 3) / 4) * 4;
    win::GlobalBlock out = win::GlobalBlock::Allocate(40 + stride * size_t(nh), true);
    win::GlobalLockGuard in(image), o(out.get());
    memcpy(o.bytes(), in.bytes(), 40);
    auto* hdr = reinterpret_cast<BITMAPINFOHEADER*>(o.bytes());
    hdr->biWidth = nw;
    hdr->biHeight = nh;
    hdr->biSizeImage = DWORD(stride * size_t(nh));
    for (int y = 0; y < nh; ++y) {
        const int y0 = int(int64_t(y) * l.height / nh), y1 = std::max(y0 + 1, int(int64_t(y + 1) * l.height / nh));
        for (int x = 0; x < nw; ++x) {
            const int x0 = int(int64_t(x) * l.width / nw), x1 = std::max(x0 + 1, int(int64_t(x + 1) * l.width / nw));
            double sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                const unsigned char* p = in.bytes() + l.bitsOffset + size_t(sy) * l.stride + 3 * size_t(x0);
                for (int sx = x0; sx < x1; ++sx, p += 3)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += p[c];
            }
            unsigned char* q = o.bytes() + 40 + size_t(y) * stride + 3 * size_t(x);
            for (int c = 0; c < 3; ++c)
                q[c] = (unsigned char)(sum[c] / ((x1 - x0) * (y1 - y0)) + 0.5);
        }
    }
    return out.release();
}

double Lowest(const double p[3]) { return std::min(p[0], std::min(p[1], p[2])); }

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: thumb_quality_bench FOLDER [BOX]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const WORD box = WORD(argc > 2 ? atoi(argv[2]) : 96);
    const unsigned times = argc > 3 ? unsigned(atoi(argv[3])) : 2; // the reduced image is at least this many boxes
    std::vector<std::string> files;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.jpg").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do
            files.push_back(folder + "\\" + fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    printf("Thumbnail quality, box %u, JPEG decoder %s: reduced decode against full decode\n", box,
           ImgIoJpegDecoder());
    double worst = 1e9, full = 0, quick = 0, fullToPicture = 0, quickToPicture = 0;
    int n = 0;
    for (const std::string& file : files) {
        double t0 = Now();
        win::GlobalBlock image(ImgIoReadFile(file.c_str(), 0, nullptr));
        win::GlobalBlock slow(image ? FitDibToBox(image.get(), box, box) : nullptr);
        double t1 = Now();
        IMGIOSIZEDREAD request = {};
        request.dwSize = sizeof request;
        request.nMinWidth = request.nMinHeight = times * box;
        win::GlobalBlock reduced(ImgIoReadFileSized(file.c_str(), 0, nullptr, &request));
        win::GlobalBlock fast(reduced ? album::FitDibToBoxAs(reduced.get(), box, box, request.nImageWidth,
                                                             request.nImageHeight)
                                      : nullptr);
        double t2 = Now();
        dib::Layout tl;
        win::GlobalBlock reference;
        if (slow && dib::IsValidBlock(slow.get(), &tl))
            reference.reset(AreaAverage(image.get(), tl.width, tl.height));
        double ps[3] = {0, 0, 0}, pf[3] = {0, 0, 0};
        const bool areaOk = reference && Psnr(reference.get(), slow.get(), ps) && Psnr(reference.get(), fast.get(), pf);
        double p[3];
        if (!slow || !fast || !Psnr(slow.get(), fast.get(), p)) {
            printf("  %-40s FAILED\n", file.c_str());
            worst = 0;
            continue;
        }
        const double low = std::min(p[0], std::min(p[1], p[2]));
        worst = std::min(worst, low);
        full += t1 - t0;
        quick += t2 - t1;
        fullToPicture += areaOk ? Lowest(ps) : 0.0;
        quickToPicture += areaOk ? Lowest(pf) : 0.0;
        ++n;
        printf("  %-16s 1/%u: PSNR r %.1f g %.1f b %.1f dB; against the area average: full path %.1f, reduced "
               "path %.1f dB; full %.0f ms, reduced %.0f ms\n",
               file.substr(file.find_last_of('\\') + 1).c_str(), request.nReduction, p[2], p[1], p[0],
               areaOk ? Lowest(ps) : 0.0, areaOk ? Lowest(pf) : 0.0, (t1 - t0) * 1e3, (t2 - t1) * 1e3);
    }
    if (n)
        printf("%d files: lowest channel PSNR quick against full %.1f dB (bar: 40 dB) %s; against the area average "
               "full %.1f dB, quick %.1f dB (means); full decode %.0f ms a file, reduced %.0f ms (%.1fx)\n",
               n, worst, worst >= 40 ? "PASS" : "FAIL", fullToPicture / n, quickToPicture / n, full * 1e3 / n,
               quick * 1e3 / n, full / (quick > 0 ? quick : 1e-9));
    return n && worst >= 40 ? 0 : 1;
}
