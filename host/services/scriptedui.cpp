#include "host/services/scriptedui.h"

#include <QTextStream>

namespace vnd
{

ScriptedUi::ScriptedUi() : m_previous(&userInterface())
{
    setUserInterface(this);
}

ScriptedUi::~ScriptedUi()
{
    setUserInterface(m_previous);
    if (!clean()) {
        QTextStream err(stderr);
        for (const QString &q : unexpectedQuestions())
            err << "ScriptedUi: unexpected question: " << q << Qt::endl;
        if (!m_answers.isEmpty())
            err << "ScriptedUi: " << m_answers.size() << " queued answer(s) never used" << Qt::endl;
    }
}

void ScriptedUi::queueAnswer(int modalResult)
{
    m_answers.enqueue(modalResult);
}

void ScriptedUi::queueAnswers(std::initializer_list<int> modalResults)
{
    for (int r : modalResults)
        m_answers.enqueue(r);
}

QStringList ScriptedUi::texts(Kind kind) const
{
    QStringList out;
    for (const Event &e : m_events) {
        if (e.kind == kind)
            out.append(e.text);
    }
    return out;
}

QStringList ScriptedUi::errors() const
{
    return texts(Kind::Error);
}

QStringList ScriptedUi::infos() const
{
    return texts(Kind::Info);
}

QStringList ScriptedUi::questions() const
{
    return texts(Kind::Question);
}

QStringList ScriptedUi::unexpectedQuestions() const
{
    QStringList out;
    for (const Event &e : m_events) {
        if (e.unexpected)
            out.append(e.text);
    }
    return out;
}

QString ScriptedUi::lastError() const
{
    const QStringList all = errors();
    return all.isEmpty() ? QString() : all.last();
}

bool ScriptedUi::clean() const
{
    return m_answers.isEmpty() && unexpectedQuestions().isEmpty();
}

void ScriptedUi::clear()
{
    m_events.clear();
    m_answers.clear();
}

void ScriptedUi::showError(const QString &text)
{
    m_events.append({Kind::Error, text});
}

void ScriptedUi::showInfo(const QString &text)
{
    m_events.append({Kind::Info, text});
}

int ScriptedUi::ask(const QString &text, int type, int buttons)
{
    Event e{Kind::Question, text, type, buttons};
    if (m_answers.isEmpty()) {
        e.unexpected = true;
        e.answer = mrNo;
        QTextStream(stderr) << "ScriptedUi: unexpected question: " << text << Qt::endl;
    } else {
        e.answer = m_answers.dequeue();
    }
    m_events.append(e);
    return e.answer;
}

} // namespace vnd
