#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;
class frmQuelmar;

// The contact window as the window tests use it.
namespace windowtest {

// The database the window tests open: in a folder of the test's own, removed
// when the test ends.
QString databasePath();

// A contact window over a fresh database at databasePath(), holding contacts:
// loaded, shown and active. Every service is in test mode, with no answer
// scripted and its log empty. Null when it would not load (the test has failed
// then).
frmQuelmar* open(const QList<QStringList>& contacts = {});
// Deletes the window (no closing question) and its database.
void close(frmQuelmar*& window);

// Types text key by key into widget, accented letters included.
void typeText(QWidget* widget, const QString& text);

} // namespace windowtest
