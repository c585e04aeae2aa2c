#include <QCoreApplication>

#include <gtest/gtest.h>

// The import service runs its batches on a worker and reports through the event loop.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
