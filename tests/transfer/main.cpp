#include <QCoreApplication>

#include <gtest/gtest.h>

// The transferring marker lies beside the program, which only an application object knows.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
