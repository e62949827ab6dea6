// GoogleTest main for the window tests: one QApplication for the whole program (Xvfb provides the
// display), created only when tests run, so listing them needs no display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSurfaceFormat>
#include <memory>

#include "app/ChildView.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const bool listing = GTEST_FLAG_GET(list_tests);
    std::unique_ptr<QApplication> app;
    if (!listing) {
        QSurfaceFormat::setDefaultFormat(korvan::ChildView::ContextFormat());
        app = std::make_unique<QApplication>(argc, argv);
    }
    return RUN_ALL_TESTS();
}
