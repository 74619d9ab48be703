#include "app/PreviewRenderer.h"
#include "app/PreviewWidget.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QImage>

#include <vector>

namespace zentar {
namespace {

// A frame in the run's layout: blue, green, red bytes, rows padded to 4 bytes, bottom-up.
struct Frame {
    Frame(int w, int h) : width(w), height(h), stride(PreviewRenderer::RowBytes(w)) {
        bytes.assign(stride * static_cast<size_t>(h), 0x60);
    }
    // Pixel (x, y) with y counted from the top of the picture.
    const uint8_t* pixel(int x, int y) const {
        return bytes.data() + static_cast<size_t>(height - 1 - y) * stride +
               static_cast<size_t>(x) * 3;
    }
    int width, height;
    size_t stride;
    std::vector<uint8_t> bytes;
};

TEST(PreviewRendererTest, EmptyStatisticsLeaveTheFrameAsItWasAndBlankClearsThePicture) {
    test::EnsureQtApp();
    Frame frame(64, 48);
    for (size_t i = 0; i < frame.bytes.size(); ++i) {
        frame.bytes[i] = static_cast<uint8_t>(i * 7);
    }
    const std::vector<uint8_t> before = frame.bytes;
    PreviewRenderer renderer;
    renderer.CreatePreview(64, 48, PreviewRect{3, 0, 136, 100});
    PreviewWidget widget;
    widget.setText("(preview)");
    widget.resize(140, 100);
    renderer.DrawPreview(frame.bytes.data(), frame.bytes.size(), "", QFont(), &widget);
    for (int y = 0; y < 48; ++y) { // the picture bytes round-trip; padding is not copied
        for (int x = 0; x < 64 * 3; ++x) {
            ASSERT_EQ(frame.bytes[y * frame.stride + x], before[y * frame.stride + x]);
        }
    }
    // The picture goes onto the letterbox: the first columns stay background.
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(shown.pixelColor(1, 50), widget.palette().window().color());
    const uint8_t* p = frame.pixel(32, 24);
    EXPECT_EQ(shown.pixelColor(70, 50), QColor(p[2], p[1], p[0]));

    widget.blank();
    EXPECT_FALSE(widget.showsPicture());
    renderer.DestroyPreview();
    EXPECT_FALSE(renderer.exists());
    // A frame too small for the output size is refused, not overrun.
    renderer.CreatePreview(64, 48, PreviewRect{0, 0, 140, 100});
    std::vector<uint8_t> small(100, 0x42);
    renderer.DrawPreview(small.data(), small.size(), "x", QFont(), &widget);
    EXPECT_EQ(small, std::vector<uint8_t>(100, 0x42));
}

} // namespace
} // namespace zentar
