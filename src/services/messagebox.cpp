#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
struct Hooks {
    bool testMode = false;
    QList<MessageBox::Answer> answers;
    QList<MessageBox::Shown> shown;
    int beeps = 0;
};

Hooks& hooks()
{
    static Hooks h;
    return h;
}

QMessageBox::Icon toQt(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Information:
        return QMessageBox::Information;
    case MessageBox::Question:
        return QMessageBox::Question;
    case MessageBox::Critical:
        return QMessageBox::Critical;
    case MessageBox::NoIcon:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& text, const QString& title,
                                    Icon icon, Buttons buttons)
{
    Hooks& h = hooks();
    if (h.testMode) {
        h.shown.append({text, title, icon, buttons});
        if (!h.answers.isEmpty())
            return h.answers.takeFirst();
        return buttons == YesNo ? Yes : buttons == YesNoDefaultNo ? No : AnswerOk;
    }

    QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, parent);
    if (buttons != Ok) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == YesNo ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (buttons != Ok)
        return result == QMessageBox::Yes ? Yes : No;
    return AnswerOk;
}

void MessageBox::beep()
{
    if (hooks().testMode)
        ++hooks().beeps;
    else
        QApplication::beep();
}

int MessageBox::beeps()
{
    return hooks().beeps;
}

void MessageBox::setTestMode(bool on)
{
    hooks().testMode = on;
    hooks().answers.clear();
}

void MessageBox::setNextAnswer(Answer answer)
{
    hooks().answers.append(answer);
}

QList<MessageBox::Shown> MessageBox::shown()
{
    return hooks().shown;
}

void MessageBox::clearShown()
{
    hooks().shown.clear();
    hooks().beeps = 0;
}
