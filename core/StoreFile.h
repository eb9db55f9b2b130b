#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quenda {

// What a store (the clipboard history, the shelf) found at its file's place.
enum class StoreFileState {
    absent,      // nothing there: an empty store
    good,        // the store's file, read
    damaged,     // a regular file the store cannot understand: an empty store, the file kept
                 // aside before the next save replaces it
    notRegular,  // a pipe, a device, a folder, a dangling link: never read nor replaced
    tooLarge,    // a regular file over the store's size limit: never read nor replaced
    unreadable,  // there but unreadable: never replaced
};

// Whether anything (a file, a link, even a dangling one) already has the name.
bool pathTaken(const QString& path);

// Writes a store's whole file atomically, readable by the user only, as far as `state`
// allows: a damaged file is first kept aside (and stays, with nothing written, when it
// cannot be); what is not the store's to replace is left alone until it is gone. `state`
// becomes good once written. `what` names the store in the one-line warnings.
void saveStoreFile(const QString& path, qint64 maxBytes, const char* what, StoreFileState& state,
                   const QByteArray& bytes);

// Removes what interrupted saves left in `folder`: files named like one of its files (a name
// `namePattern` matches whole) followed by a dot and six letters or digits, the temporary
// name an atomic save gives its copy until it replaces the file. Call it only where no save
// of those files can be running. How many were removed.
int removeSaveLeftovers(const QString& folder, const QString& namePattern);

// Removes the regular files of `folder` whose names `namePattern` matches whole and that are
// not in `kept` (absolute paths): the store's own files that no item refers to any more,
// such as a picture saved just before the program was stopped, ahead of the store's file.
int removeUnreferencedFiles(const QString& folder, const QString& namePattern,
                            const QStringList& kept);

}  // namespace quenda
