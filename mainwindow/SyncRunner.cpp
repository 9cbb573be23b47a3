#include "mainwindow/SyncRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <mutex>

#include "store/Errors.h"
#include "sync/CalDav.h"

namespace jotanor {
namespace {

// Thrown from the progress report to end a sync the user stopped. A server
// error to the sync, which saves what went up before it.
struct Stopped : sync::DavError {
    Stopped() : sync::DavError("gestopt") {}
};

}  // namespace

// What the thread and the window share: the thread reaches the runner only
// while it lives.
struct SyncRunner::Shared {
    std::mutex mutex;
    SyncRunner* owner = nullptr;
    std::atomic<bool> stop{false};

    template <class F>
    void post(F&& f) {
        std::lock_guard lock(mutex);
        if (owner) QMetaObject::invokeMethod(owner, std::forward<F>(f), Qt::QueuedConnection);
    }
};

SyncRunner::SyncRunner(QObject* parent) : QObject(parent) {}

SyncRunner::~SyncRunner() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->owner = nullptr;
        shared_->stop = true;
    }
    thread_.join();
}

void SyncRunner::start(FileSystem& fs, const std::filesystem::path& memoFile, sync::SyncSettings settings) {
    if (running_) return;
    if (thread_.joinable()) thread_.join();
    shared_ = std::make_shared<Shared>();
    shared_->owner = this;
    running_ = true;
    thread_ = std::thread([shared = shared_, &fs, memoFile, settings = std::move(settings)]() mutable {
        settings.server.stopped = [&shared] { return shared->stop.load(); };
        settings.progress = [&shared](std::size_t done, std::size_t total) {
            if (shared->stop) throw Stopped();
            shared->post([shared, done, total] {
                if (shared->owner && shared->owner->onProgress) shared->owner->onProgress(done, total);
            });
        };
        Outcome outcome;
        try {
            // A memo file of its own: the lock, not this object, is shared
            // with the window and with any other program.
            MemoFile file(fs, memoFile);
            outcome.report = sync::synchronize(fs, file, settings, sync::calDavServer);
            outcome.kind = Outcome::Kind::Done;
        } catch (const Stopped&) {
            outcome.kind = Outcome::Kind::Stopped;
        } catch (const sync::DavStopped&) {
            outcome.kind = Outcome::Kind::Stopped;
        } catch (const sync::DavAccessDenied& e) {
            outcome = {Outcome::Kind::AccessDenied, {}, QString::fromUtf8(e.what())};
        } catch (const IoError& e) {
            outcome = {Outcome::Kind::Failed, {}, QString::fromUtf8(e.fullText())};
        } catch (const std::exception& e) {
            outcome = {Outcome::Kind::Failed, {}, QString::fromUtf8(e.what())};
        }
        shared->post([shared, outcome] {
            if (shared->owner) shared->owner->finish(outcome);
        });
    });
}

void SyncRunner::finish(const Outcome& outcome) {
    running_ = false;
    if (thread_.joinable()) thread_.join();
    if (onFinished) onFinished(outcome);
}

void SyncRunner::stop() {
    if (shared_) shared_->stop = true;
}

bool SyncRunner::waitFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (running_ && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
        QThread::msleep(20);
    }
    return !running_;
}

}  // namespace jotanor
