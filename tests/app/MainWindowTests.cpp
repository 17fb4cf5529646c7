#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

using namespace tessarin;

TEST(MainWindow, OpensAtItsDefaultSizeAndKeepsItsMinimum)
{
    MainWindow window;
    window.show();
    EXPECT_EQ(window.windowTitle(), "Tessarin");
    EXPECT_EQ(window.size(), QSize(1440, 860));
    window.resize(200, 200);
    EXPECT_GE(window.centralWidget()->width(), 1120);
    EXPECT_GE(window.centralWidget()->height(), 700);
}

TEST(MainWindow, ClosingItEndsTheEventLoopWithStatusZero)
{
    MainWindow window;
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    EXPECT_EQ(QApplication::exec(), 0);
}
