#include "ui/TrevaselWindowManager.h"

#include "app/TrevaselCommon.h"
#include "ui/AlertWindowController.h"
#include "ui/ConfigWindowController.h"
#include "ui/CopyResultWindowController.h"
#include "ui/DetailConfigWindowController.h"
#include "ui/DuplicateWindowController.h"
#include "ui/HelpWindowController.h"
#include "ui/InformationCheckWindowController.h"
#include "ui/NGFileCheckResultWindowController.h"
#include "ui/ProgressWindowController.h"
#include "ui/SDCopyConfirmWindowController.h"
#include "ui/UpdateCheckWindowController.h"
#include "ui/VersionInformationWindowController.h"

TrevaselWindowManager& TrevaselWindowManager::sharedInstance()
{
    static TrevaselWindowManager* manager = new TrevaselWindowManager;
    return *manager;
}

namespace {
bool editionKnows(int id)
{
    if (TrevaselCommon::edition() == Edition::Basic)
        return (id >= 0 && id <= TrevaselWindowManager::VersionInformation) ||
               id == TrevaselWindowManager::DetailConfig;
    return id >= 0 && id <= TrevaselWindowManager::NGFileCheckResult;
}
} // namespace

BaseWindowController* TrevaselWindowManager::makeController(int id)
{
    if (!editionKnows(id))
        return nullptr;
    switch (id) {
    case Config:
        return new ConfigWindowController;
    case CopyResult:
        return new CopyResultWindowController;
    case Help:
        return new HelpWindowController;
    case SDCopyConfirm:
        return new SDCopyConfirmWindowController;
    case UpdateCheck:
        return new UpdateCheckWindowController;
    case VersionInformation:
        return new VersionInformationWindowController;
    case Alert:
        return new AlertWindowController;
    case DetailConfig:
        return new DetailConfigWindowController;
    case Duplicate:
        return new DuplicateWindowController;
    case InformationCheck:
        return new InformationCheckWindowController;
    case Progress:
        return new ProgressWindowController;
    case NGFileCheckResult:
        return new NGFileCheckResultWindowController;
    default:
        return nullptr;
    }
}

BaseWindowController* TrevaselWindowManager::getWindowController(int id)
{
    if (!editionKnows(id))
        return nullptr;
    QPointer<BaseWindowController>& controller = m_windowDictionary[id];
    if (controller)
        return controller;
    controller = makeController(id);
    if (!controller) {
        m_windowDictionary.remove(id);
        return nullptr;
    }
    BaseWindowController* made = controller;
    made->setTrevaselWindowManager(this);
    Q_EMIT windowMade(made);
    return made;
}

void TrevaselWindowManager::removeWindow(int id)
{
    m_windowDictionary.remove(id);
}

bool TrevaselWindowManager::checkWindow(int id) const
{
    return !m_windowDictionary.value(id).isNull();
}
