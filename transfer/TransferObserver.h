#pragma once

#include <QString>

// What a transfer job asks of the windows that watch it. The tray program wires the real window
// registry and notification centre; the command line wires its own progress display.
class TransferObserver
{
public:
    virtual ~TransferObserver() = default;
    // True while the window with that id is open.
    virtual bool checkWindow(int windowId) const = 0;
    virtual void postNotification(const QString& name) = 0;
};

namespace TransferNotification {
inline constexpr int progressWindowId = 10;
inline const QString updateProgress = QStringLiteral("notificationNameUpdateProgress");
} // namespace TransferNotification
