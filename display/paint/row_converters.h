// Tables of the reducing row converters: one function per (source depth,
// device depth, variant), generated from templates and chosen once per row
// by SelectRowConverter.
#pragma once

#include <array>

#include "paint/paint_engine.h"

// Source depths the reducing converters take, in table column order.
inline constexpr std::array<int, 14> kReducibleDepths = {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64};

// Column of a source depth in the tables below, or -1.
constexpr int ReducibleDepthColumn(int bits) {
    for (size_t i = 0; i < kReducibleDepths.size(); ++i)
        if (kReducibleDepths[i] == bits) return static_cast<int>(i);
    return -1;
}

// Row of a device depth (1, 4, 8) in the tables below, or -1.
constexpr int DeviceDepthRow(int bits) { return bits == 1 ? 0 : bits == 4 ? 1 : bits == 8 ? 2 : -1; }

using ConverterTable = std::array<std::array<RowConverter, kReducibleDepths.size()>, 3>;

// [device row][source column]; null where no converter exists (1-bit
// sources on 1- and 4-bit devices).
extern const ConverterTable kDiffusionConverters;
extern const ConverterTable kOrderedConverters;
