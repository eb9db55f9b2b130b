#include "platform/desktop/XdgOpener.h"

#include <QFileInfo>
#include <QProcess>

namespace quenda {

bool XdgOpener::open(const QString& path) {
    if (!QFileInfo::exists(path)) return false;
    // Detached: the editor it starts may run for as long as the user edits.
    return QProcess::startDetached(program_, {path});
}

bool XdgOpener::reveal(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) return false;
    return QProcess::startDetached(program_, {folder});
}

}  // namespace quenda
