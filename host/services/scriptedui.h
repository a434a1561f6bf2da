#pragma once
// A user-interface port for tests: records every message shown or question asked, in order,
// and answers questions from a queue. A question with no answer queued is recorded as
// unexpected (and answered No, so nothing proceeds by accident). Installs itself while it
// lives and puts the previous port back when destroyed.
//
//   ScriptedUi ui;
//   ui.queueAnswers({mrYes});
//   ... run the code under test ...
//   EXPECT_EQ(ui.errors(), QStringList{"Filial não cadastrada."});
//   EXPECT_TRUE(ui.clean());   // no unexpected question, no answer left over

#include "host/services/ui.h"

#include <QList>
#include <QQueue>
#include <QStringList>

namespace vnd
{

class ScriptedUi final : public UserInterface
{
public:
    enum class Kind { Error, Info, Question };
    struct Event {
        Kind kind;
        QString text;
        int type = 0;    // questions: the MsgType
        int buttons = 0; // questions: the MsgButtons
        int answer = 0;  // questions: the ModalResult given
        bool unexpected = false;
    };

    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi &) = delete;
    ScriptedUi &operator=(const ScriptedUi &) = delete;

    void queueAnswer(int modalResult);
    void queueAnswers(std::initializer_list<int> modalResults);
    qsizetype pendingAnswers() const { return m_answers.size(); }

    const QList<Event> &events() const { return m_events; }
    QStringList errors() const;
    QStringList infos() const;
    QStringList questions() const;
    QStringList unexpectedQuestions() const;
    QString lastError() const; // "" when none
    // No unexpected question and no queued answer left unused.
    bool clean() const;
    void clear(); // forgets events and queued answers

    void showError(const QString &text) override;
    void showInfo(const QString &text) override;
    int ask(const QString &text, int type, int buttons) override;

private:
    QStringList texts(Kind kind) const;

    UserInterface *m_previous;
    QList<Event> m_events;
    QQueue<int> m_answers;
};

} // namespace vnd
