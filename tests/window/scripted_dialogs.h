#pragma once
// The dialog seam with the user's answers written down in advance. Every dialog asked for is
// recorded; a dialog with no answer left is recorded as unexpected and answered as a cancel (or
// No), so a test never waits for a person.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "window/dialogs.h"

namespace vorlix::window::test {

struct DialogCall {
    enum Kind { Open, Save, Question, Message };
    Kind kind;
    QString title;
    QString text;       // the message or question
    QString file_name;  // preset in a file dialog
    QString filter;
    MessageIcon icon = MessageIcon::None;
};

class ScriptedDialogs : public Dialogs {
public:
    // The next file dialog (open or save) returns `path`; an empty path is a cancel. `then` runs
    // just before the dialog returns, inside the command that asked.
    void AnswerFile(const QString& path, std::function<void()> then = {});
    // The next question is answered Yes or No.
    void AnswerQuestion(bool yes, std::function<void()> then = {});

    QString OpenFile(const FileDialogSetup& setup) override;
    QString SaveFile(const FileDialogSetup& setup) override;
    bool Question(const QString& title, const QString& text) override;
    void Message(MessageIcon icon, const QString& title, const QString& text) override;

    std::vector<DialogCall> calls;
    QStringList unexpected;

    // The message boxes shown so far, and forgetting them.
    std::vector<DialogCall> Messages() const;
    void Forget() { calls.clear(); }
    // Whether every answer written down was used.
    bool AllAnswered() const { return files_.empty() && questions_.empty(); }

private:
    struct FileAnswer {
        QString path;
        std::function<void()> then;
    };
    struct QuestionAnswer {
        bool yes;
        std::function<void()> then;
    };
    QString NextFile(DialogCall::Kind kind, const FileDialogSetup& setup);

    std::deque<FileAnswer> files_;
    std::deque<QuestionAnswer> questions_;
};

}  // namespace vorlix::window::test
