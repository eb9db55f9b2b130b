#include "platform/desktop/XdgUserFolders.h"

#include <QStandardPaths>

namespace quenda {

QString XdgUserFolders::applicationSupport() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

}  // namespace quenda
