#include "qt/SymbolRegistry.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

TEST(SymbolRegistryTest, KnowsTheApplicationsSymbolsAndNothingElse) {
    for (const char* name :
         {"checkmark.circle.fill", "exclamationmark.circle.fill", "xmark.circle.fill",
          "pause.circle.fill", "wifi", "slider.horizontal.3", "info.circle",
          "exclamationmark.triangle.fill", "arrow.down.circle.fill"})
        EXPECT_TRUE(hasSymbol(QString::fromLatin1(name))) << name;
    for (const char* name : {"", "no.such.symbol", "../symbols/wifi", "WIFI"})
        EXPECT_FALSE(hasSymbol(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(symbolImage(QStringLiteral("no.such.symbol"), QSizeF(20, 20), Qt::red).isNull());
}

TEST(SymbolRegistryTest, PaintsTheShapeInOneSolidColourOnTransparency) {
    const QColor tint(255, 69, 58);
    const QImage image =
        symbolImage(QStringLiteral("checkmark.circle.fill"), QSizeF(20, 20), tint, 2.0)
            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(40, 40));
    EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);     // outside the circle
    EXPECT_EQ(image.pixelColor(6, 20), tint);         // inside the disc
    EXPECT_LT(image.pixelColor(18, 24).alpha(), 128); // the checkmark is a cut-out
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() != 255)
                continue;
            ++opaque;
            EXPECT_EQ(pixel.rgb(), tint.rgb()) << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 400);
}

TEST(SymbolRegistryTest, TheBrandAssetExistsAndUnknownAssetsDoNot) {
    EXPECT_FALSE(assetImage(QStringLiteral("MenuBarBrandIcon"), QSizeF(18, 18)).isNull());
    EXPECT_TRUE(assetImage(QStringLiteral("NoSuchAsset"), QSizeF(18, 18)).isNull());
}

} // namespace
} // namespace lumra
