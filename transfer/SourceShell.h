#pragma once

#include "app/Edition.h"
#include "platform/EventIdStore.h"
#include "transfer/TransferObserver.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

// What the camera-card and watch-folder sources ask of the running program, without knowing its
// windows: the tray program wires its window registry, the tests a recording stand-in.
class SourceShell : public TransferObserver
{
public:
    // The card transfer that the confirmation window starts on OK.
    struct CardTransfer
    {
        std::function<qint64(const QString& folder)> getTotalImageFileCount;
        std::function<void(const QStringList& folders)> copyImage;
    };

    // The alert (window 6) with "ApplicationMessage27" filled with the failure's reason.
    virtual void showTransferFailure(const QString& reason) = 0;
    // The result window (window 1) with the count of pictures that arrived.
    virtual void showCopyResult(qint64 fileCount) = 0;
    // The confirmation window (window 3) for the card folders; its OK runs the transfer.
    virtual void confirmCardTransfer(const QStringList& cards, CardTransfer transfer) = 0;
    virtual void bringToFront(int windowId) = 0;
    virtual void hideWindow(int windowId) = 0;
    // Lets the event loop run for a while, so that windows draw and volumes settle.
    virtual void pause(std::chrono::milliseconds duration) = 0;
    // Unmounts and ejects the mounted media that hold the folders.
    virtual void ejectMedia(const QStringList& folders) = 0;
};

class FileEventStreamService;
class TransferJob;

// What both sources are given by the program: its event streams, its windows, where the stream
// positions are kept, how a batch's job is made, and the edition.
struct SourceServices
{
    FileEventStreamService* streams = nullptr;
    SourceShell* shell = nullptr;
    EventIdStore eventIds{QString()};
    std::function<std::unique_ptr<TransferJob>()> makeJob;
    Edition edition = Edition::Full;
};

namespace SourceWindow {
inline constexpr int copyResult = 1;
inline constexpr int confirmation = 3;
inline constexpr int alert = 6;
inline constexpr int progress = 10;
inline const QString closeProgressWindow = QStringLiteral("notificationNameCloseProgressWindow");
} // namespace SourceWindow
