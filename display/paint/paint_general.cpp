// The general paint path: any scale, any view perspective. Destination
// lines are mapped to stored source rows and columns by nearest neighbour
// (paint_geometry.h), resampled at the source depth, converted for the
// device and sent in bands (band_loop.h). With DISP_PATH_OPTION or
// DISP_KERNEL_REDUCE the kernel's colour reduction makes the band rows
// instead (paint_kernel_reduce.h); it asks for every destination line, so
// its dither runs at destination resolution.
#include <cstring>

#include "frame/display_settings.h"
#include "paint/band_loop.h"
#include "paint/paint_kernel_reduce.h"

int PaintGeneral(HDC hdc, BitmapRecord *bitmap, const BYTE *rowBuffer, int bufferFirstRow, int bufferRows,
                 const RECT *srcRect, const RECT *srcClip, const RECT *dstRect, const RECT *dstClip, int deviceBits,
                 int paintMode, DWORD rop) {
    DisplaySettings *settings = GetDisplaySettings();
    const UINT displayMode = settings->DisplayMode;
    const bool paintsAsGray = IsDeepGrayBitmap(bitmap);

    paint_geometry::PaintGeometry geometry;
    if (!paint_geometry::PrepareScaled(bitmap, *srcRect, *srcClip, *dstRect, *dstClip, &geometry)) return STATUS_OK;

    paint_band::RowFormat format;
    paint_band::ChooseRowFormat(bitmap, paintMode, deviceBits, paintsAsGray, &format);
    const bool kernelReduce = paint_band::KernelReduceOn(displayMode);
    if (kernelReduce) paint_band::AdjustKernelReduceFormat(bitmap, deviceBits, &format);
    BITMAPINFO *info = paint_band::SelectHeader(hdc, settings);

    paint_band::BandJob job;
    job.hdc = hdc;
    job.bitmap = bitmap;
    job.rowBuffer = rowBuffer;
    job.bufferFirstRow = bufferFirstRow;
    job.bufferRows = bufferRows;
    job.geometry = &geometry;
    job.format = &format;
    job.info = info;
    job.rop = rop;
    job.displayMode = displayMode;

    if (!kernelReduce) {
        job.usage = paint_band::FillColorTable(info, bitmap, format, displayMode);
        return paint_band::PaintBands(job);
    }
    // The service reduces to the colours the header has without indexed
    // paint; the header then gets its real table.
    RGBQUAD targetColors[256];
    paint_band::FillColorTable(info, bitmap, format, displayMode & ~DISP_INDEXED_PAINT);
    const int targetCount = static_cast<int>(info->bmiHeader.biBitCount <= 8 ? info->bmiHeader.biClrUsed : 0);
    std::memcpy(targetColors, info->bmiColors, sizeof(RGBQUAD) * static_cast<std::size_t>(targetCount));
    job.usage = paint_band::FillColorTable(info, bitmap, format, displayMode);
    paint_band::ReduceSource source;
    const int status = paint_band::StartKernelReduce(job, targetColors, targetCount, &source);
    if (status != STATUS_OK) return status;
    job.reducer = source.handle;
    return paint_band::PaintBands(job);
}
