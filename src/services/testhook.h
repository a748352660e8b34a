#pragma once

#include <QList>

// The test hook every service shares: while test mode is on, nothing real is
// shown, printed or started; each call is logged as what was asked and takes the
// next scripted answer, or the service's default when none is left. Turning the
// mode on or off forgets the answers still queued, not the log.
template <typename Answer, typename Asked> class TestHook {
public:
    bool on() const { return m_on; }
    void setTestMode(bool on)
    {
        m_on = on;
        m_answers.clear();
    }
    void queue(const Answer& answer) { m_answers.append(answer); }
    // Logs the question and gives its answer.
    Answer take(const Asked& question, const Answer& fallback)
    {
        m_asked.append(question);
        return m_answers.isEmpty() ? fallback : m_answers.takeFirst();
    }
    QList<Asked> asked() const { return m_asked; }
    void clearAsked() { m_asked.clear(); }

private:
    bool m_on = false;
    QList<Answer> m_answers;
    QList<Asked> m_asked;
};
