// Print job start and end, and the per-print scopes.
#include "views/print_job.h"

#include <cstring>

namespace views {

namespace {

// The profile value is read into a buffer of this size, as the default
// printer has always been read.
constexpr DWORD kDeviceStringSize = 81;

// Cuts `text` at its first comma; returns what followed it, or the empty
// string at its end when there is no comma.
char *SplitAtComma(char *text) {
    char *comma = std::strchr(text, ',');
    if (comma == nullptr) return text + std::strlen(text);
    *comma = '\0';
    return comma + 1;
}

}  // namespace

HDC OpenDefaultPrintJob() {
    char device[kDeviceStringSize] = {};
    GetProfileStringA("windows", "device", "", device, kDeviceStringSize);
    char *driver = SplitAtComma(device);
    char *port = SplitAtComma(driver);
    HDC dc = CreateDCA(driver, device, port, nullptr);
    if (dc == nullptr) return nullptr;
    DOCINFOA info{};
    info.cbSize = sizeof(DOCINFOA);
    info.lpszDocName = "ZELT GRAPHIC";
    if (StartDocA(dc, &info) <= 0) {
        DeleteDC(dc);
        return nullptr;
    }
    // A page that cannot start shows up when the job ends.
    (void)StartPage(dc);
    return dc;
}

UINT FinishPrintJob(HDC dc, bool openedHere, int status, int endDoc) {
    if (status == STATUS_OK) {
        if (endDoc == 0) return PrintJobValue(dc);
        UINT result = PrintJobValue(dc);
        if (EndPage(dc) <= 0) result = 0;
        if (EndDoc(dc) <= 0) result = 0;
        DeleteDC(dc);
        return result;
    }
    if (openedHere) {
        AbortDoc(dc);
        DeleteDC(dc);
    } else if (endDoc != 0) {
        EndPage(dc);
        EndDoc(dc);
        DeleteDC(dc);
    }
    return 0;
}

UINT PrintJobValue(HDC dc) { return static_cast<UINT>(reinterpret_cast<UINT_PTR>(dc)); }

// Handles carry 32 significant bits, sign-extended where pointers are wider.
HDC PrintJobDc(UINT value) { return reinterpret_cast<HDC>(static_cast<LONG_PTR>(static_cast<LONG>(value))); }

PrintDisplayMode::PrintDisplayMode(HDC dc) {
    // Devices of more than 256 colours report -1.
    if (GetDeviceCaps(dc, NUMCOLORS) <= 2) {
        const int bits = GetDeviceCaps(dc, TECHNOLOGY) == DT_METAFILE
                             ? 24
                             : GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
        if (bits == 1) {
            old_ = Z_SetDisplayMode(DISP_CONVERTER_ALT | DISP_INDEXED_PAINT | DISP_DITHER_ALT,
                                    DISP_CONVERTER_ALT | DISP_DITHER_ALT);
            return;
        }
    }
    old_ = Z_SetDisplayMode(DISP_INDEXED_PAINT | DISP_DEVICE_REDUCE, 0);
}

}  // namespace views
