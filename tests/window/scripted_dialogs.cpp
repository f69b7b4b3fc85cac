#include "scripted_dialogs.h"

namespace vorlix::window::test {

void ScriptedDialogs::AnswerFile(const QString& path, std::function<void()> then) {
    files_.push_back({path, std::move(then)});
}

void ScriptedDialogs::AnswerQuestion(bool yes, std::function<void()> then) {
    questions_.push_back({yes, std::move(then)});
}

QString ScriptedDialogs::NextFile(DialogCall::Kind kind, const FileDialogSetup& setup) {
    calls.push_back({kind, setup.title, QString(), setup.file_name, setup.filter});
    if (files_.empty()) {
        unexpected << QStringLiteral("file dialog \"%1\"").arg(setup.title);
        return {};
    }
    FileAnswer answer = std::move(files_.front());
    files_.pop_front();
    if (answer.then) answer.then();
    return answer.path;
}

QString ScriptedDialogs::OpenFile(const FileDialogSetup& setup) {
    return NextFile(DialogCall::Open, setup);
}

QString ScriptedDialogs::SaveFile(const FileDialogSetup& setup) {
    return NextFile(DialogCall::Save, setup);
}

bool ScriptedDialogs::Question(const QString& title, const QString& text) {
    calls.push_back({DialogCall::Question, title, text, QString(), QString()});
    if (questions_.empty()) {
        unexpected << QStringLiteral("question \"%1\"").arg(text);
        return false;
    }
    QuestionAnswer answer = std::move(questions_.front());
    questions_.pop_front();
    if (answer.then) answer.then();
    return answer.yes;
}

void ScriptedDialogs::Message(MessageIcon icon, const QString& title, const QString& text) {
    calls.push_back({DialogCall::Message, title, text, QString(), QString(), icon});
}

std::vector<DialogCall> ScriptedDialogs::Messages() const {
    std::vector<DialogCall> shown;
    for (const DialogCall& call : calls)
        if (call.kind == DialogCall::Message) shown.push_back(call);
    return shown;
}

}  // namespace vorlix::window::test
