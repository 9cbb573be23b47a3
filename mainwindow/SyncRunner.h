// One sync of the memo file with the calendar account at a time, on a
// thread of its own, so that the window goes on while the server works.
// Its progress and its end come back on the window's thread.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "store/FileIO.h"
#include "sync/Sync.h"

namespace jotanor {

// How a sync ended.
struct SyncOutcome {
    enum class Kind { Done, Stopped, AccessDenied, Failed };
    Kind kind = Kind::Failed;
    sync::SyncReport report;
    QString problem;  // Dutch, for Failed and AccessDenied
};

class SyncRunner : public QObject {
    Q_OBJECT

public:
    using Outcome = SyncOutcome;

    explicit SyncRunner(QObject* parent = nullptr);
    // A sync still running is stopped and waited for: its thread uses the
    // file system it was given. The memo file's journal and the state
    // file's replacement keep a cut-off sync safe.
    ~SyncRunner() override;

    bool running() const { return running_; }
    // Both called on the window's thread.
    std::function<void(std::size_t done, std::size_t total)> onProgress;
    std::function<void(const Outcome&)> onFinished;

    // Starts a sync of the memo file at `memoFile`; nothing when one runs.
    void start(FileSystem& fs, const std::filesystem::path& memoFile, sync::SyncSettings settings);
    // Asks the running sync to end: a request waiting for the server ends
    // within about a second.
    void stop();
    // Waits at most `ms` milliseconds for the running sync to end, the
    // window still drawn meanwhile; true when none runs any more.
    bool waitFor(int ms);

private:
    struct Shared;
    void finish(const Outcome& outcome);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    bool running_ = false;
};

}  // namespace jotanor
