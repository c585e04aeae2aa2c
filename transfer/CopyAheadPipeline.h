#pragma once

#include "platform/FileSystem.h"
#include "transfer/TransferEntry.h"

#include <QThreadPool>

#include <deque>
#include <future>
#include <memory>

// Copies stills ahead of their naming, so that the disk writes many of them at once instead of one
// after the other, while every still is still named, placed and recorded exactly as if the stills
// were copied one at a time:
// - stage() writes a still's data to a hidden temporary file in its destination folder and starts
//   its write-back; a thread of the pipeline's own then waits for it to reach the disk and, for a
//   verified copy, reads it back, oldest first, while this thread copies the next stills;
// - a staged still is settled (synced, named for good, put in place, recorded) only once every
//   still before it is; it is named then, so it sees every earlier still in place and in the
//   history. A still named by a first look may turn out to be skipped: its copy is then removed.
class CopyAheadPipeline
{
public:
    // What the job decides and does for each still as it is settled.
    class Delegate
    {
    public:
        virtual ~Delegate() = default;
        // The final name, now that every still before it is in place; none when it is skipped.
        virtual TargetChoice decideTarget(const TransferEntry& entry, const TargetChoice& firstLook) = 0;
        // The still is in place as stored: its description, log, count and history row. Throws
        // CopyFailedException to end the batch.
        virtual void arrived(const TransferEntry& entry, const StoredFile& stored) = 0;
        // The still is not whole yet (its writer is still at work): nothing was written, and it is
        // for a later batch.
        virtual void unfinished(const TransferEntry& entry) = 0;
    };

    // How many copies may wait for the disk at once: enough for the disk to write them together,
    // few enough that a batch's memory and open files stay small.
    static constexpr std::size_t kStillsInFlight = 32;
    // How often a still's name is decided again when another import takes it first.
    static constexpr int kNameAttempts = 5;

    explicit CopyAheadPipeline(Delegate& delegate, std::size_t inFlight = kStillsInFlight);
    CopyAheadPipeline(const CopyAheadPipeline&) = delete;
    CopyAheadPipeline& operator=(const CopyAheadPipeline&) = delete;

    bool isEmpty() const { return m_staged.empty(); }
    // Copies the still, named for now by firstLook, with checks, and settles the oldest while too
    // many wait. A failure settles the stills before it first and then throws CopyFailedException.
    void stage(TransferEntry entry, TargetChoice firstLook, const FileSystem::CopyChecks& checks);
    // Settles every staged still, oldest first. When one fails, the later ones are dropped with
    // their copies and its failure is thrown.
    void settle();

private:
    struct Staged
    {
        TransferEntry entry;
        TargetChoice choice;
        // Shared with the settling thread until it is done with it.
        std::shared_ptr<FileSystem::StagedCopy> copy;
        std::future<FileSystem::Result> settled;
        bool decided = false; // the choice is the final one
    };
    void settleOldest();

    Delegate& m_delegate;
    std::size_t m_inFlight;
    std::deque<Staged> m_staged; // oldest first
    // One thread, so that copies reach the disk and are read back in the order they were made. It
    // is waited for when the pipeline goes, so no copy outlives its batch.
    QThreadPool m_settling;
};
