#pragma once

#include "platform/WorkspaceService.h"

#include <QList>

// Records what it was asked to open; fails at once when a test says so (setSucceeds(false)).
class FakeWorkspaceService : public WorkspaceService
{
public:
    void openUrl(const QUrl& url, Failed failed) override
    {
        m_urls.append(url);
        if (!m_succeeds && failed)
            failed();
    }
    void openFolder(const QString& folder, Failed failed) override
    {
        m_folders.append(folder);
        if (!m_succeeds && failed)
            failed();
    }

    const QList<QUrl>& openedUrls() const { return m_urls; }
    const QStringList& openedFolders() const { return m_folders; }
    void setSucceeds(bool succeeds) { m_succeeds = succeeds; }

private:
    QList<QUrl> m_urls;
    QStringList m_folders;
    bool m_succeeds = true;
};
