#include "datacontrol.h"

#include "database.h"

#include <QAtomicInt>

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
    m_connection.reset();
    m_openedName.clear();
}

StoreError DataControl::checkFile() const
{
    if (database::fileIdentity(m_openedName) == m_identity)
        return {};
    return StoreError::make(StoreError::FileReplaced);
}

StoreError DataControl::Refresh(const database::CheckedFile& checked)
{
    m_recordset.reset();
    if (m_connection && m_openedName == m_databaseName) {
        if (StoreError e = checkFile()) {
            // The next refresh opens whatever file is at the path by then.
            closeDatabase();
            return e;
        }
    } else {
        closeDatabase();
        auto connection =
            std::make_unique<database::Connection>(m_databaseName, newConnectionName(), checked);
        if (connection->error())
            return connection->error();
        m_connection = std::move(connection);
        m_openedName = m_databaseName;
        m_identity = database::fileIdentity(m_databaseName);
    }

    QStringList columns;
    StoreError e = database::tableColumns(m_connection->db(), m_recordSource, &columns);
    if (e) {
        closeDatabase();
        return e;
    }
    m_recordset = std::make_unique<TableRecordset>(m_connection->db(), m_recordSource, columns,
                                                   [this] { return checkFile(); });
    return m_recordset->MoveFirst();
}
