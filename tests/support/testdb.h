#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

// Direct access to database files for tests, beside the program's own store.
namespace testdb {

// Creates an empty contact database at path from the project's schema.
void createEmpty(const QString& path);

// Runs one statement on the file at path, with values bound in order, and returns
// the rows it produced. Fails the current test on an error.
QList<QVariantList> query(const QString& path, const QString& sql, const QVariantList& values = {});

// Inserts a contact whose fields are given in the record's order; fields past the
// list's end are left null.
void insertContact(const QString& path, const QStringList& fields);

// The names stored in the table, in row id order.
QStringList storedNames(const QString& path);

// Every stored contact's texts in the record's order, in row id order.
QList<QStringList> storedContacts(const QString& path);

QByteArray fileBytes(const QString& path);
// Writes bytes into a new file at path; false when it cannot.
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace testdb
