#pragma once

#include "service/NGAnswerPoller.h"

#include <QByteArray>
#include <QObject>

#include <functional>

// Shows the ".NG" answers the poller finds in the rejected-delivery window. The first one found opens
// the window with its medical record number and is removed; while that window is open it only comes
// to the front, and an answer for the number it shows is removed.
class NGAnswerWindow : public QObject
{
    Q_OBJECT

public:
    using FolderOpener = std::function<void(const QString& folder)>;

    NGAnswerWindow(NGAnswerPoller::SettingsReader settings, FolderOpener openFolder,
                   QObject* parent = nullptr);

    NGAnswerPoller& poller() { return m_poller; }

private:
    bool answerFound(const QString& deliver, const QByteArray& name);

    FolderOpener m_openFolder;
    NGAnswerPoller m_poller;
    QByteArray m_shownAnswer; // the answer file the open window shows, as its name's bytes
};
