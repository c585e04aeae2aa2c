#include "transfer/MountMediaManager.h"

MountMediaManager& MountMediaManager::sharedInstance()
{
    static MountMediaManager instance; // made once, thread-safe, never freed before exit
    return instance;
}
