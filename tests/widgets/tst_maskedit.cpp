#include "maskedit.h"
#include "maskformat.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {
const QString Phone = QStringLiteral("(##) ####-####");
const QString Cep = QStringLiteral("##.###-###");
const QString Empty = QStringLiteral("(__) ____-____");
const QString Full = QStringLiteral("(11) 9876-5432");

QString cep(const QString& left, const QString& right)
{
    return left + '.' + right;
}

// Key clicks from a short script: '<' '>' Left/Right, '^' Home,
// '}' Shift+Right, '~' Backspace, '!' Delete; any other character is typed.
QTestEventList script(const QString& keys)
{
    const QHash<QChar, QPair<Qt::Key, Qt::KeyboardModifiers>> moves = {
        {u'<', {Qt::Key_Left, {}}},   {u'>', {Qt::Key_Right, {}}},
        {u'^', {Qt::Key_Home, {}}},   {u'~', {Qt::Key_Backspace, {}}},
        {u'!', {Qt::Key_Delete, {}}}, {u'}', {Qt::Key_Right, Qt::ShiftModifier}}};
    QTestEventList events;
    for (QChar ch : keys) {
        if (moves.contains(ch))
            events.addKeyClick(moves[ch].first, moves[ch].second);
        else
            events.addKeyClick(ch.toLatin1());
    }
    return events;
}

// Another field with the same pattern must take text back unchanged.
void verifyTakenBack(const QString& pattern, const QString& text)
{
    MaskEdBox other;
    other.setMaskPattern(pattern);
    QVERIFY(other.setMaskedText(text));
    QCOMPARE(other.text(), text);
}

class KeyRecorder : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};
} // namespace

class TestMaskEdit : public QObject {
    Q_OBJECT

private slots:
    void typing_data();
    void typing();
    void setMaskedText_data();
    void setMaskedText();
    void patternChange_data();
    void patternChange();
    void clipboard_data();
    void clipboard();
    void lineEditPathsKeepShape_data();
    void lineEditPathsKeepShape();
    void unhandledKeysPropagate_data();
    void unhandledKeysPropagate();
    void tabMovesFocus();
    void clickIntoField_data();
    void clickIntoField();
    void phoneGrows_data();
    void phoneGrows();
    void grownNarrows_data();
    void grownNarrows();
    void phoneTakesItsForm_data();
    void phoneTakesItsForm();
};

void TestMaskEdit::typing_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");

    // setMaskedText leaves the caret at the end. A field without digits still
    // fills from its first position; one with digits has nothing left there.
    // clang-format off
    QTest::newRow("phone") << Phone << Empty << "1198765432" << Full << 14;
    QTest::newRow("steps over ') '") << Phone << Empty << "12" << "(12) ____-____" << 5;
    QTest::newRow("letters refused") << Phone << Empty << "11ab9876x5432" << Full << 14;
    QTest::newRow("11th digit refused") << Phone << Empty << "11987654321" << Full << 14;
    QTest::newRow("nothing after caret") << Phone << "(1_) ____-____" << "5" << "(1_) ____-____" << 14;
    QTest::newRow("caret on literal") << Phone << Empty << "12<3" << "(12) 3___-____" << 6;
    QTest::newRow("leaves a gap") << Phone << Empty << "^>>1" << "(_1) ____-____" << 5;
    QTest::newRow("backspace over '-'") << Phone << Full << "~~~~~" << "(11) 987_-____" << 8;
    QTest::newRow("delete over '('") << Phone << Full << "^!" << "(_1) 9876-5432" << 0;
    QTest::newRow("selection replaced") << Phone << Full << "^>>>>>}}}}3" << "(11) 3___-5432" << 6;
    QTest::newRow("cep") << Cep << cep("__", "___-___") << "12345678" << cep("12", "345-678") << 10;
    QTest::newRow("backspace over separator") << Cep << cep("12", "345-678") << "<<<<<<<~" << cep("1_", "345-678") << 1;
    // clang-format on
}

void TestMaskEdit::typing()
{
    QFETCH(QString, pattern);
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    QFETCH(int, cursor);

    MaskEdBox box;
    box.setMaskPattern(pattern);
    QCOMPARE(box.maxLength(), pattern.size());
    QVERIFY(box.setMaskedText(start));
    QSignalSpy edited(&box, &QLineEdit::textEdited);
    script(keys).simulate(&box);

    QCOMPARE(box.text(), expected);
    QCOMPARE(box.cursorPosition(), cursor);
    if (expected != start) {
        QVERIFY(box.isModified());
        QCOMPARE(edited.last().at(0).toString(), expected);
    }
    verifyTakenBack(pattern, box.text());
}

void TestMaskEdit::setMaskedText_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("gap first") << Phone << "(_1) ____-____" << true;
    QTest::newRow("gaps between") << Phone << "(1_) 9_7_-___2" << true;
    QTest::newRow("full") << Phone << Full << true;
    QTest::newRow("cep with '.'") << Cep << "12.3__-___" << true;
    QTest::newRow("cep with separator") << Cep << cep("12", "3__-___") << true;
    QTest::newRow("empty") << Phone << "" << false;
    QTest::newRow("digits only") << Phone << "1198765432" << false;
    QTest::newRow("too short") << Phone << "(11) 9876-543" << false;
    QTest::newRow("too long") << Phone << "(11) 9876-54321" << false;
    QTest::newRow("letter") << Phone << "(1a) 9876-5432" << false;
    QTest::newRow("literal moved") << Phone << "(11 )9876-5432" << false;
}

void TestMaskEdit::setMaskedText()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, accepted);

    MaskEdBox box;
    box.setMaskPattern(pattern);
    QTest::keyClick(&box, Qt::Key_1);
    const QString before = box.text();

    QCOMPARE(box.setMaskedText(text), accepted);
    QCOMPARE(box.text(), accepted ? text : before);
    // Putting the same mask on again, as the window does on reload, keeps the text.
    box.setMaskPattern(pattern);
    QCOMPARE(box.text(), accepted ? text : before);
}

void TestMaskEdit::patternChange_data()
{
    QTest::addColumn<QString>("oldPattern");
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");

    // clang-format off
    QTest::newRow("cleared for refill") << "" << "" << Phone << Empty;
    QTest::newRow("cleared for cep") << "" << "" << Cep << cep("__", "___-___");
    QTest::newRow("fitting kept") << "" << "(_1) ____-____" << Phone << "(_1) ____-____";
    QTest::newRow("'.' kept") << "" << "12.345-678" << Cep << "12.345-678";
    QTest::newRow("unformatted replaced") << "" << "1198765432" << Phone << Empty;
    QTest::newRow("other mask's replaced") << Phone << Full << Cep << cep("__", "___-___");
    QTest::newRow("mask removed") << Phone << Full << "" << Full;
    // clang-format on
}

void TestMaskEdit::patternChange()
{
    QFETCH(QString, oldPattern);
    QFETCH(QString, oldText);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);

    MaskEdBox box;
    box.setMaskPattern(oldPattern);
    QVERIFY(box.setMaskedText(oldText));
    box.setMaskPattern(pattern);
    QCOMPARE(box.maskPattern(), pattern);
    QCOMPARE(box.text(), expected);
    QCOMPARE(box.maxLength(), pattern.isEmpty() ? 32767 : int(pattern.size()));
    if (pattern.isEmpty()) {
        QTest::keyClicks(&box, "-x");
        QCOMPARE(box.text(), expected + "-x");
    }
}

void TestMaskEdit::clipboard_data()
{
    QTest::addColumn<bool>("menu");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("clipboard");

    const QString clip = "21 3456-7890";
    for (bool menu : {false, true}) {
        const char* via = menu ? "menu " : "key ";
        // clang-format off
        QTest::addRow("%spaste", via) << menu << "Paste" << 0 << 14 << "(21) 3456-7890" << clip;
        QTest::addRow("%scut", via) << menu << "Cut" << 5 << 4 << "(11) ____-5432" << "9876";
        QTest::addRow("%scopy", via) << menu << "Copy" << 0 << 4 << Full << "(11)";
        QTest::addRow("%sdelete", via) << menu << "Delete" << 2 << 4 << "(1_) _876-5432" << clip;
        // clang-format on
    }
}

void TestMaskEdit::clipboard()
{
    QFETCH(bool, menu);
    QFETCH(QString, action);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, expected);
    QFETCH(QString, clipboard);

    MaskEdBox box;
    box.setMaskPattern(Phone);
    QVERIFY(box.setMaskedText(Full));
    box.setSelection(selStart, selLength);
    QGuiApplication::clipboard()->setText("21 3456-7890");

    if (menu) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, {1, 1}, box.mapToGlobal(QPoint(1, 1)));
        QCoreApplication::sendEvent(&box, &event);
        std::unique_ptr<QMenu> popup(box.findChild<QMenu*>());
        QVERIFY(popup);
        const QList<QAction*> actions = popup->actions();
        const auto chosen = std::find_if(actions.begin(), actions.end(), [&](QAction* a) {
            return a->text().remove('&').section('\t', 0, 0) == action;
        });
        QVERIFY(chosen != actions.end() && (*chosen)->isEnabled());
        (*chosen)->trigger();
    } else {
        const QHash<QString, QKeySequence> keys = {{"Paste", QKeySequence::Paste},
                                                   {"Cut", QKeySequence::Cut},
                                                   {"Copy", QKeySequence::Copy},
                                                   {"Delete", QKeySequence::Delete}};
        QTest::keySequence(&box, keys[action]);
    }
    QCOMPARE(box.text(), expected);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
}

// QLineEdit's own editing slots and undo must leave a text of the mask's shape.
void TestMaskEdit::lineEditPathsKeepShape_data()
{
    QTest::addColumn<QString>("path");
    for (const char* path : {"insert", "del", "backspace", "cut", "paste", "undo"})
        QTest::newRow(path) << path;
}

void TestMaskEdit::lineEditPathsKeepShape()
{
    QFETCH(QString, path);

    MaskEdBox box;
    box.setMaskPattern(Phone);
    QTest::keyClicks(&box, "119");
    QGuiApplication::clipboard()->setText("55");
    box.setSelection(5, 4);

    if (path == "insert")
        box.insert("7");
    else if (path == "del")
        box.del();
    else if (path == "backspace")
        box.backspace();
    else if (path == "cut")
        box.cut();
    else if (path == "paste")
        box.paste();
    else
        box.undo();
    QVERIFY2(maskformat::fits(Phone, box.text()), qPrintable(box.text()));
}

void TestMaskEdit::unhandledKeysPropagate_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    QTest::newRow("return") << int(Qt::Key_Return) << Qt::KeyboardModifiers();
    QTest::newRow("enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier);
    QTest::newRow("escape") << int(Qt::Key_Escape) << Qt::KeyboardModifiers();
    QTest::newRow("f2") << int(Qt::Key_F2) << Qt::KeyboardModifiers();
    QTest::newRow("alt+f") << int(Qt::Key_F) << Qt::KeyboardModifiers(Qt::AltModifier);
    QTest::newRow("alt+1") << int(Qt::Key_1) << Qt::KeyboardModifiers(Qt::AltModifier);
}

void TestMaskEdit::unhandledKeysPropagate()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    KeyRecorder parent;
    auto* box = new MaskEdBox(&parent);
    box->setMaskPattern(Phone);
    box->setCursorPosition(0);
    QTest::keyClick(box, Qt::Key(key), modifiers);
    QVERIFY(parent.keys.contains(key));
    QCOMPARE(box->text(), Empty);
}

void TestMaskEdit::tabMovesFocus()
{
    QWidget window;
    auto* box = new MaskEdBox(&window);
    auto* next = new QLineEdit(&window);
    box->setMaskPattern(Phone);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());

    QTest::keyClick(box, Qt::Key_Tab);
    QTRY_VERIFY(next->hasFocus());
    QCOMPARE(box->text(), Empty);
    QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(box->hasFocus());
}

void TestMaskEdit::clickIntoField_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("expected"); // after a click near the right end and "123"
    QTest::newRow("no digits: from the first position") << "__.___-___"
                                                        << "12.3__-___";
    QTest::newRow("digits: where the click landed") << "12.___-___"
                                                    << "12.___-___";
}

void TestMaskEdit::clickIntoField()
{
    QFETCH(QString, before);
    QFETCH(QString, expected);
    MaskEdBox box;
    box.setMaskPattern(Cep);
    QVERIFY(box.setMaskedText(before));
    box.resize(200, 20);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 4, box.height() / 2));
    QTest::keyClicks(&box, "123");
    QCOMPARE(box.text(), expected);
}

void TestMaskEdit::phoneGrows_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("pasted"); // after the keys, unless empty
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("refused"); // keys or pastes the field refused

    const QString grown = "(11) 98765-4321";
    // clang-format off
    QTest::newRow("eleven digits") << "11987654321" << "" << grown << 0;
    QTest::newRow("backspace at the end narrows") << "11987654321~" << "" << Full << 0;
    QTest::newRow("backspace inside stays grown") << "11987654321<~" << "" << "(11) 98765-43_1" << 0;
    QTest::newRow("twelfth digit") << "119876543210" << "" << grown << 1;
    QTest::newRow("letter") << "1a" << "" << "(1_) ____-____" << 1;
    QTest::newRow("pasted with the country code") << "" << "+55 (11) 98765-4321" << grown << 0;
    QTest::newRow("pasted with the long-distance prefix") << "" << "011 3333-4444" << "(11) 3333-4444" << 0;
    QTest::newRow("pasted with digits over") << "" << "11 98765-43210" << Empty << 1;
    QTest::newRow("0800 emptied") << "08007270101~~~~~~~~~~~" << "" << Empty << 0;
    QTest::newRow("0800, a digit deleted inside") << "08007270101<<<<~" << "" << "0800 72_ 0101" << 0;
    QTest::newRow("a ninth digit after 4004") << "400400012" << "" << "4004-0001" << 1;
    // clang-format on
}

void TestMaskEdit::phoneGrows()
{
    QFETCH(QString, keys);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    QFETCH(int, refused);

    MaskEdBox box;
    box.setMaskPattern(Phone);
    box.setWidePattern(maskformat::MobilePattern);
    QSignalSpy rejected(&box, &QLineEdit::inputRejected);
    script(keys).simulate(&box);
    if (!pasted.isEmpty()) {
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keySequence(&box, QKeySequence::Paste);
    }
    QCOMPARE(box.text(), expected);
    QCOMPARE(rejected.count(), refused);
    QCOMPARE(box.maxLength(), box.maskPattern().size());

    // Taken back, as a stored text is, in the shape it fits.
    MaskEdBox other;
    other.setMaskPattern(Phone);
    other.setWidePattern(maskformat::MobilePattern);
    QVERIFY(other.setMaskedText(expected));
    QCOMPARE(other.maskPattern(), box.maskPattern());
    QCOMPARE(other.text(), expected);
}

// Whatever edit empties a mobile number's last position takes it back to the
// eight-digit shape, digits in order.
void TestMaskEdit::grownNarrows_data()
{
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength"); // 0: the caret at selStart
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("arg"); // typed, pasted or committed
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");

    // clang-format off
    QTest::newRow("all typed over with ten digits") << 0 << 15 << "type" << "1133334444" << "(11) 3333-4444" << 14;
    QTest::newRow("then an eleventh grows again") << 0 << 15 << "type" << "11333344445" << "(11) 33334-4445" << 15;
    QTest::newRow("last digit deleted") << 14 << 0 << "delete" << "" << Full << 14;
    QTest::newRow("last digits cut") << 11 << 4 << "cut" << "" << "(11) 9876-5___" << 11;
    QTest::newRow("pasted over the number") << 5 << 10 << "paste" << "3333-4444" << "(11) 3333-4444" << 14;
    QTest::newRow("committed over all") << 0 << 15 << "commit" << "1133334444" << "(11) 3333-4444" << 14;
    QTest::newRow("gap inside, last filled: stays") << 7 << 2 << "delete" << "" << "(11) 98__5-4321" << 7;
    // clang-format on
}

void TestMaskEdit::grownNarrows()
{
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, edit);
    QFETCH(QString, arg);
    QFETCH(QString, expected);
    QFETCH(int, cursor);

    MaskEdBox box;
    box.setMaskPattern(Phone);
    box.setWidePattern(maskformat::MobilePattern);
    QVERIFY(box.setMaskedText("(11) 98765-4321"));
    if (selLength)
        box.setSelection(selStart, selLength);
    else
        box.setCursorPosition(selStart);
    QSignalSpy edited(&box, &QLineEdit::textEdited);

    if (edit == "type") {
        QTest::keyClicks(&box, arg);
    } else if (edit == "delete") {
        QTest::keySequence(&box, QKeySequence::Delete);
    } else if (edit == "cut") {
        QTest::keySequence(&box, QKeySequence::Cut);
    } else if (edit == "paste") {
        QGuiApplication::clipboard()->setText(arg);
        QTest::keySequence(&box, QKeySequence::Paste);
    } else {
        QInputMethodEvent event;
        event.setCommitString(arg);
        QCoreApplication::sendEvent(&box, &event);
    }

    QCOMPARE(box.text(), expected);
    QCOMPARE(box.cursorPosition(), cursor);
    QCOMPARE(box.maskPattern(),
             expected.size() == Phone.size() ? Phone : maskformat::MobilePattern);
    QCOMPARE(box.maxLength(), expected.size());
    QCOMPARE(edited.last().at(0).toString(), expected);
}

// A phone field takes the same text whether a number is typed or pasted, over
// an empty field or over a whole number; a foreign one pasted goes in as written.
void TestMaskEdit::phoneTakesItsForm_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");

    // clang-format off
    for (const QString& start : {Empty, Full}) {
        const char* over = start == Empty ? "" : " over a number";
        QTest::addRow("0800%s", over) << start << "08007270101" << "0800 727 0101" << "0800 727 0101";
        QTest::addRow("4004%s", over) << start << "40040001" << "4004-0001" << "4004-0001";
        QTest::addRow("trunk prefix%s", over) << start << "011 3333-4444" << "(11) 3333-4444" << "(11) 3333-4444";
        QTest::addRow("foreign%s", over) << start << "+1 206 555 9857" << "(12) 06555-9857" << "+1 206 555 9857";
    }
    // clang-format on
}

void TestMaskEdit::phoneTakesItsForm()
{
    QFETCH(QString, start);
    QFETCH(QString, number);
    QFETCH(QString, typed);
    QFETCH(QString, pasted);

    for (const bool paste : {false, true}) {
        MaskEdBox box;
        box.setMaskPattern(Phone);
        box.setWidePattern(maskformat::MobilePattern);
        QVERIFY(box.setMaskedText(start));
        box.selectAll();
        QSignalSpy edited(&box, &QLineEdit::textEdited);
        if (paste) {
            QGuiApplication::clipboard()->setText(number);
            QTest::keySequence(&box, QKeySequence::Paste);
        } else {
            QTest::keyClicks(&box, number);
        }
        const QString expected = paste ? pasted : typed;
        QCOMPARE(box.text(), expected);
        QCOMPARE(edited.last().at(0).toString(), expected);
        QVERIFY(box.isModified());

        // Shown again as stored: in its mask, or with the mask off as the window
        // shows a text that fits none.
        MaskEdBox other;
        other.setMaskPattern(Phone);
        other.setWidePattern(maskformat::MobilePattern);
        QCOMPARE(other.setMaskedText(expected), !box.maskPattern().isEmpty());
        if (!box.maskPattern().isEmpty()) {
            QCOMPARE(other.maskPattern(), box.maskPattern());
            QCOMPARE(other.text(), expected);
        }
    }
}

QTEST_MAIN(TestMaskEdit)
#include "tst_maskedit.moc"
