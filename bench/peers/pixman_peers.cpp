#include "pixman_peers.h"

#include <pixman.h>

#include <vector>

namespace peers {

namespace {

struct ImageDeleter {
    void operator()(pixman_image_t *image) const { pixman_image_unref(image); }
};

// A pixman image over pixel memory of its own (zeroed by pixman).
std::shared_ptr<pixman_image_t> OwnImage(pixman_format_code_t format, int width, int height) {
    return std::shared_ptr<pixman_image_t>(pixman_image_create_bits(format, width, height, nullptr, 0),
                                           ImageDeleter{});
}

std::string Version() { return std::string("pixman ") + pixman_version_string(); }

}  // namespace

Contender PixmanCopy(std::shared_ptr<SourceImage> source, int destinationBits) {
    Contender peer{Version() + (destinationBits == 24 ? " SRC r8g8b8" : " SRC r8g8b8 -> x8r8g8b8"), "pixman", {}, {}, {},
                   false};
    const int size = source->size();
    auto *bits = static_cast<uint32_t *>(source->bitmap()->Data);
    auto from = std::shared_ptr<pixman_image_t>(
        pixman_image_create_bits(PIXMAN_r8g8b8, size, size, bits, source->stride()), ImageDeleter{});
    auto to = OwnImage(destinationBits == 24 ? PIXMAN_r8g8b8 : PIXMAN_x8r8g8b8, size, size);
    if (!from || !to) {
        peer.absent = "no image";
        return peer;
    }
    peer.sample = [=] {
        return TimeCalls(
            [&] {
                pixman_image_composite32(PIXMAN_OP_SRC, from.get(), nullptr, to.get(), 0, 0, 0, 0, 0, 0, size, size);
                return true;
            },
            kMinSampleSeconds);
    };
    return peer;
}

Contender PixmanNearest(std::shared_ptr<SourceImage> source, int sourceSize, int destSize) {
    Contender peer{Version() + " nearest, x8r8g8b8", "pixman", {}, {}, {}, false};
    const int size = source->size();
    auto *bits = const_cast<uint32_t *>(source->pixels32().data());
    auto from = std::shared_ptr<pixman_image_t>(
        pixman_image_create_bits(PIXMAN_x8r8g8b8, size, size, bits, size * 4), ImageDeleter{});
    auto to = OwnImage(PIXMAN_x8r8g8b8, destSize, destSize);
    if (!from || !to) {
        peer.absent = "no image";
        return peer;
    }
    // The transform maps destination to source coordinates.
    pixman_transform_t scale;
    const pixman_fixed_t factor = pixman_double_to_fixed(double(sourceSize) / destSize);
    pixman_transform_init_scale(&scale, factor, factor);
    pixman_image_set_transform(from.get(), &scale);
    pixman_image_set_filter(from.get(), PIXMAN_FILTER_NEAREST, nullptr, 0);
    peer.sample = [=] {
        return TimeCalls(
            [&] {
                pixman_image_composite32(PIXMAN_OP_SRC, from.get(), nullptr, to.get(), 0, 0, 0, 0, 0, 0, destSize,
                                         destSize);
                return true;
            },
            kMinSampleSeconds);
    };
    return peer;
}

}  // namespace peers
