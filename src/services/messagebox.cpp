#include "messagebox.h"

#include "testhook.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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

MessageBox::Answer showBox(QWidget* parent, const QString& text, const QString& title,
                           MessageBox::Icon icon, MessageBox::Buttons buttons,
                           const QStringList& buttonTexts)
{
    using B = MessageBox::Buttons;
    if (hook().on()) // the default button's answer when none is scripted
        return hook().take({text, title, icon, buttons, buttonTexts},
                           buttons == B::YesNo            ? MessageBox::Yes
                           : buttons == B::YesNoDefaultNo ? MessageBox::No
                                                          : MessageBox::AnswerOk);

    QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, parent);
    if (buttons != B::Ok) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == B::YesNo ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        if (buttonTexts.size() == 2) {
            box.button(QMessageBox::Yes)->setText(buttonTexts.at(0));
            box.button(QMessageBox::No)->setText(buttonTexts.at(1));
        }
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (buttons != B::Ok)
        return result == QMessageBox::Yes ? MessageBox::Yes : MessageBox::No;
    return MessageBox::AnswerOk;
}
} // namespace

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& text, const QString& title,
                                    Icon icon, Buttons buttons)
{
    return showBox(parent, text, title, icon, buttons, {});
}

MessageBox::Answer MessageBox::ask(QWidget* parent, const QString& text, const QString& title,
                                   const QString& yesText, const QString& noText)
{
    return showBox(parent, text, title, Question, YesNoDefaultNo, {yesText, noText});
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
