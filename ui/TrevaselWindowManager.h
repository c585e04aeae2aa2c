#pragma once

#include <QMap>
#include <QObject>
#include <QPointer>

class BaseWindowController;

// The registry of the program's windows by id: at most one controller per id, made on the first
// request and forgotten when its window closes, so a second request brings the open window forward.
//
// Window ids: 0 settings, 1 transfer result, 2 help, 3 confirmation before a card transfer, 4 update
// check, 5 version information, 6 alert, 7 detailed settings, 8 second instance refused,
// 9 information notice, 10 transfer progress, 11 rejected delivery. The basic edition (as
// TrevaselCommon::edition() says) knows the ids 0 to 5 and 7 only.
class TrevaselWindowManager : public QObject
{
    Q_OBJECT

public:
    enum WindowId {
        Config = 0,
        CopyResult = 1,
        Help = 2,
        SDCopyConfirm = 3,
        UpdateCheck = 4,
        VersionInformation = 5,
        Alert = 6,
        DetailConfig = 7,
        Duplicate = 8,
        InformationCheck = 9,
        Progress = 10,
        NGFileCheckResult = 11,
    };

    // The one registry; never destroyed.
    static TrevaselWindowManager& sharedInstance();

    // The controller registered for id, made and registered first when there is none. Nobody for an
    // id the running edition does not know, or whose window this build does not have yet.
    BaseWindowController* getWindowController(int id);
    void removeWindow(int id);
    // True while a controller is registered for id: from the first request until its window closes.
    bool checkWindow(int id) const;

    // A new controller of the id's class, not registered; nobody for an id without one. The one place
    // that maps ids to classes.
    static BaseWindowController* makeController(int id);

Q_SIGNALS:
    // A controller was made for a request, before anything is shown: the program connects to the
    // signals of the windows it cares about here.
    void windowMade(BaseWindowController* controller);

private:
    TrevaselWindowManager() = default;

    QMap<int, QPointer<BaseWindowController>> m_windowDictionary;
};
