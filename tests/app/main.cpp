#include <QCoreApplication>

#include <gtest/gtest.h>

// The HTTP fetch runs a local event loop and the test server lives on the same thread, so the tests
// need an application object.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
