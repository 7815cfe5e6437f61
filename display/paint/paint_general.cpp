// The general paint path: any scale, any view perspective. Destination
// lines are mapped to stored source rows and columns by nearest neighbour
// (paint_geometry.h), resampled at the source depth, converted for the
// device and sent in bands (band_loop.h).
#include "frame/display_settings.h"
#include "paint/band_loop.h"

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

    job.usage = paint_band::FillColorTable(info, bitmap, format, displayMode);
    return paint_band::PaintBands(job);
}
