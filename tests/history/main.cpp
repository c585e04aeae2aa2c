#include "history/ImportedFileDao.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstring>

// "history_tests --insert-worker DATABASE PREFIX COUNT" inserts COUNT rows named PREFIX/N, one handle
// each, and exits 0 when every insert succeeded: the second process of the concurrency test.
static int insertWorker(const char* database, const char* prefix, const char* count)
{
    const ImportedFileDao history(QString::fromLocal8Bit(database));
    const int rows = QByteArray(count).toInt();
    int failed = 0;
    for (int row = 0; row < rows; ++row) {
        ImportedFileEntity file;
        file.fileName = QStringLiteral("%1/%2.JPG").arg(QString::fromLatin1(prefix)).arg(row);
        file.cameraId = QStringLiteral("SN-1");
        file.datetime = 20240101120000 + row;
        failed += history.insert(file) ? 0 : 1;
    }
    return failed == 0 ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--insert-worker") == 0)
        return insertWorker(argv[2], argv[3], argv[4]);
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
