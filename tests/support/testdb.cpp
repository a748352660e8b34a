#include "testdb.h"

#include "contactrecord.h"
#include "database.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace testdb {

void createEmpty(const QString& path)
{
    const StoreError e = database::createEmpty(path);
    if (e)
        QTest::qFail(qPrintable(QStringLiteral("createEmpty: ") + e.text), __FILE__, __LINE__);
}

QList<QVariantList> query(const QString& path, const QString& sql, const QVariantList& values)
{
    static int counter = 0;
    const QString name = QStringLiteral("testdb-%1").arg(++counter);
    QList<QVariantList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(database::openUri(path));
        if (!db.open()) {
            QTest::qFail(qPrintable(db.lastError().text()), __FILE__, __LINE__);
        } else {
            QSqlQuery q(db);
            q.prepare(sql);
            for (const QVariant& v : values)
                q.addBindValue(v);
            if (!q.exec())
                QTest::qFail(qPrintable(sql + QStringLiteral(": ") + q.lastError().text()),
                             __FILE__, __LINE__);
            while (q.next()) {
                QVariantList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row << q.value(i);
                rows << row;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

void insertContact(const QString& path, const QStringList& fields)
{
    QStringList marks;
    QVariantList values;
    for (int i = 0; i < contact::FieldNames.size(); ++i) {
        marks << QStringLiteral("?");
        values << (i < fields.size() ? QVariant(fields.at(i))
                                     : QVariant(QMetaType::fromType<QString>()));
    }
    query(
        path,
        QStringLiteral("INSERT INTO tblQuelmar (%1) VALUES (%2)")
            .arg(contact::FieldNames.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
        values);
}

QStringList storedNames(const QString& path)
{
    QStringList names;
    for (const QVariantList& row :
         query(path, QStringLiteral("SELECT Nome FROM tblQuelmar ORDER BY rowid")))
        names << row.at(0).toString();
    return names;
}

QList<QStringList> storedContacts(const QString& path)
{
    QList<QStringList> contacts;
    const QString sql = QStringLiteral("SELECT %1 FROM tblQuelmar ORDER BY rowid")
                            .arg(contact::FieldNames.join(QStringLiteral(", ")));
    for (const QVariantList& row : query(path, sql)) {
        QStringList texts;
        for (const QVariant& value : row)
            texts << value.toString();
        contacts << texts;
    }
    return contacts;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace testdb
