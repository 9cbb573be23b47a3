// The password store through QtKeychain: the Secret Service on Linux, the
// Credential Manager on Windows. Its jobs are asynchronous; each is waited
// for in a local event loop, which a store answers within moments. A build
// without QtKeychain has no store: the window then asks at each sync.
#include "platform/Platform.h"

#ifdef JOTANOR_KEYCHAIN
#include <QEventLoop>
#include <qt6keychain/keychain.h>
#endif

namespace jotanor {
namespace {

#ifdef JOTANOR_KEYCHAIN
constexpr const char* kService = "Jotanor";

class KeychainStore final : public PasswordStore {
public:
    Answer read(const QString& key) override {
        QKeychain::ReadPasswordJob job(kService);
        job.setKey(key);
        Answer answer = run(job);
        if (answer.status == Status::Ok) answer.password = job.textData();
        return answer;
    }

    Answer write(const QString& key, const QString& password) override {
        QKeychain::WritePasswordJob job(kService);
        job.setKey(key);
        job.setTextData(password);
        return run(job);
    }

private:
    static Answer run(QKeychain::Job& job) {
        job.setAutoDelete(false);
        QEventLoop loop;
        QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
        job.start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        switch (job.error()) {
        case QKeychain::NoError: return {Status::Ok, {}, {}};
        case QKeychain::EntryNotFound: return {Status::NotKept, {}, {}};
        case QKeychain::AccessDeniedByUser:
        case QKeychain::AccessDenied:
        case QKeychain::CouldNotDeleteEntry: return {Status::Failed, {}, job.errorString()};
        default:
            // No Secret Service on the bus, or no bus at all.
            return {Status::NoStore, {}, job.errorString()};
        }
    }
};
#else
class KeychainStore final : public PasswordStore {
public:
    Answer read(const QString&) override { return {Status::NoStore, {}, "gebouwd zonder wachtwoordkluis"}; }
    Answer write(const QString&, const QString&) override { return read({}); }
};
#endif

}  // namespace

PasswordStore& systemPasswords() {
    static KeychainStore store;
    return store;
}

}  // namespace jotanor
