// main() of the widget tests: an offscreen QApplication (unless a platform
// is given) with the fonts pinned, so sampled pixels and text widths stay the
// same on every machine: the kit's Inter and JetBrains Mono (installed by
// ./setup), and DejaVu Sans for what takes the application font.
#include "qt/KitFonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    QApplication::setFont(font);
    for (const char* family : {"Inter", "JetBrains Mono"}) {
        if (!QFontDatabase::hasFamily(QString::fromUtf8(family)))
            std::fprintf(stderr, "widget tests: the font %s is missing; run ./setup\n", family);
    }
    lumra::pinKitFontFamilies(QStringLiteral("Inter"), QStringLiteral("JetBrains Mono"));
    return RUN_ALL_TESTS();
}
