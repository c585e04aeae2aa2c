#pragma once

#include <QString>

#include <exception>

// The one failure a transfer job reports: it ends the batch, and the source that started the batch
// shows the reason to the user. Pictures transferred before it stay transferred and recorded.
class CopyFailedException : public std::exception
{
public:
    explicit CopyFailedException(QString reason) : m_reason(std::move(reason)) {}

    const char* what() const noexcept override { return "copyFailedException"; }
    const QString& reason() const { return m_reason; }

private:
    QString m_reason;
};
