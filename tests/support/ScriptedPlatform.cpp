#include "support/ScriptedPlatform.h"

namespace jotanor::test {

namespace {

std::optional<QString> next(std::deque<std::optional<QString>>& answers) {
    if (answers.empty() || !answers.front()) {
        if (!answers.empty()) answers.pop_front();
        return std::nullopt;
    }
    QString r = *answers.front();
    answers.pop_front();
    return r;
}

}  // namespace

ScriptedPlatform::ScriptedPlatform()
    : platform_{this, this, this, this, this, this, this, &nativeFileSystem()} {}

MsgResult ScriptedPlatform::show(MsgKind kind, const QString& text, MsgButtons buttons) {
    shown.push_back({kind, text, buttons});
    if (!answers.empty()) {
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
}

std::optional<QString> ScriptedPlatform::openFile(const QString& title, const QString&, const QString& proposedName,
                                                  const QString&) {
    openProposals.push_back(title + "|" + proposedName);
    return next(openAnswers);
}

std::optional<QString> ScriptedPlatform::saveFile(const QString& proposedName) {
    openProposals.push_back(proposedName);
    return next(saveAnswers);
}

bool ScriptedPlatform::playWave(const QString& file) {
    played.push_back(file);
    return soundWorks;
}

QString ScriptedPlatform::shortDate(const Ymd& d) const {
    return QString("%1-%2-%3").arg(d.day).arg(d.month).arg(d.year);
}

}  // namespace jotanor::test
