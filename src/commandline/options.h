#pragma once

#include <QString>
#include <QStringList>

// The program's command line, read before any window is needed.
namespace commandline {

struct Options {
    enum Action {
        Run,
        Help,
        Version,
        UsageError,
        Backup,
        Export,
        Import,
        ImportDialog,
        ExportDialog,
        ImportFile, // a file given alone, as a file manager opens it
        SyncSetup,
        Sync,
        SyncOff,
        SyncDialog
    };
    Action action = Run;
    QString database;   // --database PATH; empty: found as usual
    QString backup;     // --backup FILE
    QString exportTo;   // --export FILE.csv or FILE.vcf
    bool force = false; // --force: an export replaces a file already there
    QString importFrom; // --import FILE, or the file of ImportFile
    QString table;      // --table NAME: the Access table to import
    QString text;       // what to print for Help, Version and UsageError
    // Synchronisation with an address book on a server.
    QString syncUrl;               // --sync-setup URL
    QString user;                  // --user NAME
    QString addressBook;           // --addressbook NAME
    QString passwordCommand;       // --password-command CMD
    QString trustCertificate;      // --trust-certificate SHA256
    bool confirmDeletions = false; // --confirm-deletions, with --sync
};

// Reads listrano's arguments (the program's name first).
Options parse(const QStringList& arguments);

// The program's version, as the build gives it.
QString version();

} // namespace commandline
