#pragma once

#include "database.h"
#include "storeerror.h"
#include "tablerecordset.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// The window's one link to the contact database: which file, which table, and the
// recordset open on it. It is never shown.
class DataControl : public QObject {
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr);
    ~DataControl() override;

    QString DatabaseName() const { return m_databaseName; }
    void setDatabaseName(const QString& path) { m_databaseName = path; }
    QString RecordSource() const { return m_recordSource; }
    void setRecordSource(const QString& table) { m_recordSource = table; }

    // Opens the database if it is not open yet and a fresh recordset on the table,
    // its first row current and no index chosen. Whatever the old recordset had
    // pending is abandoned. Never creates the file. checked, when it vouches for
    // the file, spares the opening its check of the file's pages.
    StoreError Refresh(const database::CheckedFile& checked = {});

    // The open recordset; null before the first successful Refresh.
    TableRecordset* Recordset() const { return m_recordset.get(); }

private:
    void closeDatabase();
    // The file at the path is still the one the connection opened.
    StoreError checkFile() const;

    QString m_databaseName;
    QString m_recordSource;
    // The recordset goes before the connection it reads.
    std::unique_ptr<database::Connection> m_connection;
    QString m_openedName;
    std::optional<database::FileIdentity> m_identity;
    std::unique_ptr<TableRecordset> m_recordset;
};
