#include "datacontrol.h"

#include "database.h"

#include <QAtomicInt>
#include <QSqlDatabase>

namespace {
QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("listrano-dat-%1").arg(counter.fetchAndAddRelaxed(1));
}
} // namespace

DataControl::DataControl(QObject* parent) : QObject(parent) {}

DataControl::~DataControl()
{
    closeDatabase();
}

void DataControl::closeDatabase()
{
    m_recordset.reset();
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
    m_openedName.clear();
}

StoreError DataControl::checkFile() const
{
    if (database::fileIdentity(m_openedName) == m_identity)
        return {};
    return StoreError::make(StoreError::FileReplaced);
}

StoreError DataControl::Refresh()
{
    m_recordset.reset();
    if (!m_connection.isEmpty() && m_openedName == m_databaseName) {
        if (StoreError e = checkFile()) {
            // The next refresh opens whatever file is at the path by then.
            closeDatabase();
            return e;
        }
    } else {
        closeDatabase();
        const QString name = newConnectionName();
        if (StoreError e = database::open(m_databaseName, name))
            return e;
        m_connection = name;
        m_openedName = m_databaseName;
        m_identity = database::fileIdentity(m_databaseName);
    }

    QStringList columns;
    StoreError e = database::tableColumns(QSqlDatabase::database(m_connection, false),
                                          m_recordSource, &columns);
    if (e) {
        closeDatabase();
        return e;
    }
    m_recordset =
        std::make_unique<TableRecordset>(QSqlDatabase::database(m_connection, false),
                                         m_recordSource, columns, [this] { return checkFile(); });
    return m_recordset->MoveFirst();
}
