#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// Every message box of the program goes through here. Tests script the answers
// to come and read back what would have been shown, so no test ever blocks on a
// modal dialog.
class MessageBox {
public:
    enum Icon { NoIcon, Information, Question, Critical };
    enum Buttons {
        Ok,
        YesNo,
        YesNoDefaultNo, // for a question whose Yes loses something
    };
    // Answer codes as the program's procedures compare them.
    enum Answer { AnswerOk = 1, Yes = 6, No = 7 };

    struct Shown {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
        QStringList buttonTexts; // ask(): the two buttons' own words
    };

    // Modal; for YesNo the Yes button is the default.
    static Answer show(QWidget* parent, const QString& text, const QString& title, Icon icon,
                       Buttons buttons = Ok);
    // A question whose buttons say what each does, in place of Sim and Não: Yes
    // for the first, No for the second, which is the default.
    static Answer ask(QWidget* parent, const QString& text, const QString& title,
                      const QString& yesText, const QString& noText);
    // A key or a paste a field refused: heard, not shown.
    static void beep();

    // Test hooks. While test mode is on nothing is shown: each call takes the
    // next scripted answer, or the default button's when none is left.
    static void setTestMode(bool on);
    static void setNextAnswer(Answer answer);
    static QList<Shown> shown();
    // Also forgets the beeps.
    static void clearShown();
    static int beeps();
};
