#include "messagebox.h"

#include "testhook.h"

#include <QApplication>
#include <QMessageBox>

namespace {
TestHook<MessageBox::Answer, MessageBox::Shown>& hook()
{
    static TestHook<MessageBox::Answer, MessageBox::Shown> h;
    return h;
}

int beepsHeard = 0; // in test mode

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
    if (hook().on()) // the default button's answer when none is scripted
        return hook().take({text, title, icon, buttons}, buttons == YesNo            ? Yes
                                                         : buttons == YesNoDefaultNo ? No
                                                                                     : AnswerOk);

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
    if (hook().on())
        ++beepsHeard;
    else
        QApplication::beep();
}

int MessageBox::beeps()
{
    return beepsHeard;
}

void MessageBox::setTestMode(bool on)
{
    hook().setTestMode(on);
}

void MessageBox::setNextAnswer(Answer answer)
{
    hook().queue(answer);
}

QList<MessageBox::Shown> MessageBox::shown()
{
    return hook().asked();
}

void MessageBox::clearShown()
{
    hook().clearAsked();
    beepsHeard = 0;
}
