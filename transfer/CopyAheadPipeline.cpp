#include "transfer/CopyAheadPipeline.h"

#include "transfer/CopyFailedException.h"

#include <cerrno>

CopyAheadPipeline::CopyAheadPipeline(Delegate& delegate, std::size_t inFlight)
    : m_delegate(delegate), m_inFlight(std::max<std::size_t>(inFlight, 1))
{
    m_settling.setMaxThreadCount(1);
}

void CopyAheadPipeline::stage(TransferEntry entry, TargetChoice firstLook,
                              const FileSystem::CopyChecks& checks)
{
    auto copy = std::make_shared<FileSystem::StagedCopy>();
    const FileSystem::Result staged =
        FileSystem::StagedCopy::stage(entry.path, entry.destination, *firstLook.target, *copy, checks);
    if (!staged && staged.errorNumber == FileSystem::kUnfinished) {
        m_delegate.unfinished(entry);
        return;
    }
    if (!staged) {
        // The stills before this one come first, as they would have one by one; a failure among
        // them is the earlier one and is the one reported.
        settle();
        throw CopyFailedException(staged.error);
    }
    // With nothing before it, the first look was made with every earlier still in place already.
    const bool decided = m_staged.empty();
    auto settling = std::make_shared<std::promise<FileSystem::Result>>();
    std::future<FileSystem::Result> settled = settling->get_future();
    m_settling.start([copy, settling] { settling->set_value(copy->settle()); });
    m_staged.push_back(
        Staged{std::move(entry), std::move(firstLook), std::move(copy), std::move(settled), decided});
    while (m_staged.size() > m_inFlight)
        settleOldest();
}

void CopyAheadPipeline::settle()
{
    while (!m_staged.empty())
        settleOldest();
}

void CopyAheadPipeline::settleOldest()
{
    Staged oldest = std::move(m_staged.front());
    m_staged.pop_front();
    try {
        if (!oldest.decided) {
            oldest.choice = m_delegate.decideTarget(oldest.entry, oldest.choice);
            if (!oldest.choice.target)
                return; // skipped after all; its copy removes itself
        }
        // Another import may take the name first: it is decided again, and the same shot now lying
        // there is skipped as usual.
        // A copy that did not reach the disk whole, or read back otherwise, ends the batch.
        if (const FileSystem::Result settled = oldest.settled.get(); !settled)
            throw CopyFailedException(settled.error);
        std::optional<ContentHash> hash;
        for (int attempt = 1;; ++attempt) {
            const FileSystem::Result placed = oldest.copy->commit(*oldest.choice.target);
            if (placed) {
                hash = placed.hash;
                break;
            }
            if (placed.errorNumber != EEXIST || attempt == kNameAttempts)
                throw CopyFailedException(placed.error);
            oldest.choice = m_delegate.decideTarget(oldest.entry, TargetChoice{});
            if (!oldest.choice.target)
                return;
        }
        m_delegate.arrived(oldest.entry, StoredFile{*oldest.choice.target, hash});
    } catch (...) {
        m_staged.clear(); // the batch ends here: the copies made after it are dropped
        throw;
    }
}
