#include "app/WebSite.h"

namespace WebSite {

QString server()
{
    QString server = QStringLiteral(TREVASEL_WEB_SERVER);
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server;
}

QString url(const QString& path)
{
    return server() + path;
}

} // namespace WebSite
