// The system's password store: on Windows the Credential Manager, through
// its own API; elsewhere the Secret Service, through QtKeychain, whose jobs
// are asynchronous: each is waited for in a local event loop, which a store
// answers within moments.
#include "platform/Platform.h"

#if defined(_WIN32)
#include <windows.h>
#include <wincred.h>
#else
#include <QEventLoop>
#include <qt6keychain/keychain.h>
#endif

namespace jotanor {
namespace {

constexpr const char* kService = "Jotanor";

#if defined(_WIN32)
// A generic credential per account, named "Jotanor/<key>" and kept for this
// Windows user on this machine (and its roaming profile).
class KeychainStore final : public PasswordStore {
public:
    Answer read(const QString& key) override {
        PCREDENTIALW found = nullptr;
        if (!CredReadW(target(key).c_str(), CRED_TYPE_GENERIC, 0, &found)) {
            const DWORD error = GetLastError();
            if (error == ERROR_NOT_FOUND) return {Status::NotKept, {}, {}};
            return {error == ERROR_NO_SUCH_LOGON_SESSION ? Status::NoStore : Status::Failed, {}, problem(error)};
        }
        Answer answer{Status::Ok, {}, {}};
        answer.password = QString::fromUtf8(reinterpret_cast<const char*>(found->CredentialBlob),
                                            static_cast<qsizetype>(found->CredentialBlobSize));
        CredFree(found);
        return answer;
    }

    Answer write(const QString& key, const QString& password) override {
        std::wstring name = target(key);
        std::wstring user = key.toStdWString();
        QByteArray secret = password.toUtf8();
        CREDENTIALW credential{};
        credential.Type = CRED_TYPE_GENERIC;
        credential.TargetName = name.data();
        credential.UserName = user.data();
        credential.CredentialBlob = reinterpret_cast<LPBYTE>(secret.data());
        credential.CredentialBlobSize = static_cast<DWORD>(secret.size());
        credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
        if (!CredWriteW(&credential, 0)) {
            const DWORD error = GetLastError();
            return {error == ERROR_NO_SUCH_LOGON_SESSION ? Status::NoStore : Status::Failed, {}, problem(error)};
        }
        return {Status::Ok, {}, {}};
    }

private:
    static std::wstring target(const QString& key) { return (QString(kService) + '/' + key).toStdWString(); }
    static QString problem(DWORD error) {
        return QStringLiteral("de Referentiebeheerder weigerde (fout %1)").arg(error);
    }
};
#else

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
#endif

}  // namespace

PasswordStore& systemPasswords() {
    static KeychainStore store;
    return store;
}

}  // namespace jotanor
