#include "DelverProcess.h"

#include "database/Database.h"
#include "database/ResultCache.h"
#include "levy/DatabaseAccess.h"
#include "platform/EndProgram.h"
#include "platform/ProcessGuard.h"

namespace levy {
namespace {
void StopQueryWorkers()
{
    if (levyDatabase)
        levyDatabase->StopQueryWorkers();
}
} // namespace

void PrepareDelverProcess()
{
    KeepNoCoreDump();
    ResultCache::RemoveStaleResults();
    SetLastWords(StopQueryWorkers);
    QuitOnTerminationSignals(StopQueryWorkers);
}

} // namespace levy
