#pragma once

#include "contactrecord.h"
#include "storeerror.h"

#include <QString>

#include <memory>

// The contact table as a whole: contacts added in bulk, every contact read in
// stored order, counted and copied. Each works on a connection of its own to the
// book at a path, open while it lasts.
namespace contacttable {

// Adds contacts to the book at path one at a time, as they come, all in one
// IMMEDIATE transaction: commit() keeps them; a writer that ends without a
// successful commit leaves the book as it was. Stored contacts are never changed
// or deleted.
class Writer {
public:
    explicit Writer(const QString& path);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Why the writer cannot take contacts: the book did not open, or the
    // transaction could not begin.
    const StoreError& error() const;

    // Adds record, unless a stored contact has all seventeen fields equal to it
    // (found through the name's index): true when it went in, false for such a
    // duplicate. A field left null is stored as an empty text, never a null.
    StoreResult<bool> add(const contact::Record& record);

    StoreError commit();

private:
    struct State;
    std::unique_ptr<State> d;
};

// Every contact of the book at path, once each, in stored order.
class Reader {
public:
    explicit Reader(const QString& path);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Why the book could not be read, or the reading stopped; empty while all
    // goes well and at a clean end.
    const StoreError& error() const;

    // How many contacts the book holds.
    StoreResult<qint64> count();

    // The next contact into record; false at the end or on a failure (see
    // error()). A field holding a database null comes as a null text.
    bool next(contact::Record* record);

private:
    struct State;
    std::unique_ptr<State> d;
};

// How many contacts the book at path holds.
StoreResult<qint64> count(const QString& path);

// A consistent copy of the book at path written to target, while others may be
// using the book: target is a new, empty file (its permissions stay) or none.
StoreError copyTo(const QString& path, const QString& target);

} // namespace contacttable
