#pragma once

#include "platform/WorkspaceService.h"

#include <QList>

// Records what it was asked to open; answers with succeeds (true unless a test sets it).
class FakeWorkspaceService : public WorkspaceService
{
public:
    bool openUrl(const QUrl& url) override
    {
        m_urls.append(url);
        return m_succeeds;
    }
    bool openFolder(const QString& folder) override
    {
        m_folders.append(folder);
        return m_succeeds;
    }

    const QList<QUrl>& openedUrls() const { return m_urls; }
    const QStringList& openedFolders() const { return m_folders; }
    void setSucceeds(bool succeeds) { m_succeeds = succeeds; }

private:
    QList<QUrl> m_urls;
    QStringList m_folders;
    bool m_succeeds = true;
};
