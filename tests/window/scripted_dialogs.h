#pragma once
// The dialog seam with the user's answers written down in advance. Every dialog asked for is
// recorded; one with no answer left counts as unexpected and is answered as a cancel (or No), so a
// test never waits for a person.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "window/dialogs.h"

namespace vorlix::window::test {

struct DialogCall {
    enum Kind { Open, Save, Question, Message };
    Kind kind;
    QString title;
    QString text;       // of a message or question
    QString file_name;  // preset in a file dialog
    QString filter;
    MessageIcon icon = MessageIcon::None;
};

class ScriptedDialogs : public Dialogs {
public:
    // The next file dialog returns `path` (empty: a cancel); `then` runs inside the asking command
    // just before the dialog returns.
    void AnswerFile(const QString& path, std::function<void()> then = {}) {
        files_.emplace_back(path, std::move(then));
    }
    void AnswerQuestion(bool yes) { questions_.push_back(yes); }

    QString OpenFile(const FileDialogSetup& s) override { return NextFile(DialogCall::Open, s); }
    QString SaveFile(const FileDialogSetup& s) override { return NextFile(DialogCall::Save, s); }
    bool Question(const QString& title, const QString& text) override {
        calls.push_back({DialogCall::Question, title, text, {}, {}});
        if (questions_.empty()) unexpected << "question: " + text;
        if (questions_.empty()) return false;
        const bool yes = questions_.front();
        questions_.pop_front();
        return yes;
    }
    void Message(MessageIcon icon, const QString& title, const QString& text) override {
        calls.push_back({DialogCall::Message, title, text, {}, {}, icon});
    }

    std::vector<DialogCall> Messages() const {
        std::vector<DialogCall> shown;
        for (const DialogCall& call : calls)
            if (call.kind == DialogCall::Message) shown.push_back(call);
        return shown;
    }

    std::vector<DialogCall> calls;
    QStringList unexpected;

private:
    QString NextFile(DialogCall::Kind kind, const FileDialogSetup& setup) {
        calls.push_back({kind, setup.title, {}, setup.file_name, setup.filter});
        if (files_.empty()) unexpected << "file dialog: " + setup.title;
        if (files_.empty()) return {};
        const auto [path, then] = std::move(files_.front());
        files_.pop_front();
        if (then) then();
        return path;
    }

    std::deque<std::pair<QString, std::function<void()>>> files_;
    std::deque<bool> questions_;
};

}  // namespace vorlix::window::test
