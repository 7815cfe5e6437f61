// Direct row converters: rows of depths GDI cannot take, rewritten as 4-,
// 8- or 24-bit rows without reducing colours.
#pragma once

#include "paint/paint_engine.h"

struct DirectConverterChoice {
    DirectRowConverter convert;  // null: the rows go to GDI as they are
    int bandBits;                // depth of the rows the converter writes
};

// The converter for a source depth; Order 2 marks 16-bit gray data, and
// paintsAsGray picks the 8-bit gray output for 12/16-bit gray sources.
DirectConverterChoice ChooseDirectConverter(int bits, int order, bool paintsAsGray);
